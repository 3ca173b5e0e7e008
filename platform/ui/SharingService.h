#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/Error.h"
#include "platform/ui/Image.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

// A text or a picture handed to a sharing service.
using SharingItem = std::variant<std::string, std::shared_ptr<Image>>;

class SharingService;
class Window;

// What a sharing service reports and asks; every operation is optional.
class SharingServiceDelegate {
public:
    virtual ~SharingServiceDelegate() = default;
    virtual void sharingService_didShareItems(SharingService&, const std::vector<SharingItem>&) {}
    virtual void sharingService_didFailToShareItems_error(SharingService&, const std::vector<SharingItem>&,
                                                          const platform::Error&) {}
    // The window the service's sheet would hang from; none: a window of its own. The scope (0 item,
    // 1 partial, 2 full) may be changed.
    virtual std::shared_ptr<Window> sharingService_sourceWindowForShareItems_sharingContentScope(
        SharingService&, const std::vector<SharingItem>&, int* /*scope*/) {
        return nullptr;
    }
};

// The desktop's sharing services (posting, mail, messages), found by name. There are none to hand
// items to here: a service records and logs what it was given and reports it shared at once.
class SharingService : public UIObject {
public:
    static constexpr const char* kNamePostOnFacebook = "PostOnFacebook";
    static constexpr const char* kNamePostOnTwitter = "PostOnTwitter";
    static constexpr const char* kNameComposeEmail = "ComposeEmail";
    static constexpr const char* kNamePostImageOnFlickr = "PostImageOnFlickr";
    static constexpr const char* kNameComposeMessage = "ComposeMessage";

    // None for a name no service has.
    static std::shared_ptr<SharingService> sharingServiceNamed(const std::string& name);

    const std::string& name() const { return name_; }
    std::shared_ptr<SharingServiceDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SharingServiceDelegate> delegate) { delegate_ = std::move(delegate); }
    bool canPerformWithItems(const std::vector<SharingItem>& items) const { return !items.empty(); }
    void performWithItems(const std::vector<SharingItem>& items);

    struct Performance {
        std::string service;
        std::vector<SharingItem> items;
        // The window the delegate named for the service's sheet, if any.
        std::weak_ptr<Window> sourceWindow = {};
    };
    // What every service was given, oldest first.
    static std::vector<Performance> performed();
    static void resetForTesting();

    explicit SharingService(std::string name) : name_(std::move(name)) {}

private:
    std::string name_;
    std::weak_ptr<SharingServiceDelegate> delegate_;
};

}  // namespace platform::ui
