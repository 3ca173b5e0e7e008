#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/Popover.h"
#include "platform/ui/SharingService.h"

namespace platform::ui {

class SharingServicePicker;
class View;

// What a picker asks and tells; every operation is optional.
class SharingServicePickerDelegate {
public:
    virtual ~SharingServicePickerDelegate() = default;
    // The delegate the chosen service reports to; none leaves it without one.
    virtual std::shared_ptr<SharingServiceDelegate> sharingServicePicker_delegateForSharingService(
        SharingServicePicker&, SharingService&) {
        return nullptr;
    }
    // After the user chose (none: the picker was dismissed), before the service runs.
    virtual void sharingServicePicker_didChooseSharingService(SharingServicePicker&, SharingService*) {}
};

// The menu of sharing services for some items, shown beside a view. There is no menu to pick from here:
// a showing is recorded (items, view, rectangle, edge), and a choice is made by calling
// chooseSharingServiceNamed, as the user's pick would.
class SharingServicePicker : public UIObject {
public:
    static std::shared_ptr<SharingServicePicker> initWithItems(std::vector<SharingItem> items);

    const std::vector<SharingItem>& items() const { return items_; }
    std::shared_ptr<SharingServicePickerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SharingServicePickerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Records the showing and keeps the picker until a choice or the next showing of any picker.
    void showRelativeToRect_ofView_preferredEdge(Rect rect, const std::shared_ptr<View>& view, RectEdge edge);
    // The user picks a service by name (an unknown name dismisses the picker): the delegate hears the
    // choice and names the service's delegate, then the service performs with the items. Answers
    // whether a service ran.
    bool chooseSharingServiceNamed(const std::string& name);

    struct Showing {
        std::shared_ptr<SharingServicePicker> picker;
        std::weak_ptr<View> view;
        Rect rect;
        RectEdge edge = RectEdge::MinY;
    };
    // Every showing since the last reset, oldest first; and the picker shown last, if still open.
    static std::vector<Showing> shown();
    static std::shared_ptr<SharingServicePicker> openPicker();
    static void resetForTesting();

private:
    std::vector<SharingItem> items_;
    std::weak_ptr<SharingServicePickerDelegate> delegate_;
};

}  // namespace platform::ui
