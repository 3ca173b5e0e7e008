#pragma once

#include <memory>
#include <string>

#include "platform/ui/ImageView.h"
#include "platform/ui/SharingService.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// The window that shows a share image and shares it through a sharing service or saves it to the
// Documents folder.
class KestruneImageController : public KSWindowController, public ui::SharingServiceDelegate {
public:
    static constexpr const char* kSavedNotificationIdentifier = "kKestruneRegularMugshotSavedNotification";

    // "KestruneImageController".
    std::optional<std::string> nibName() const override;
    void setImage(const std::shared_ptr<ui::Image>& image);

    void facebookToggled(ui::Control& sender);
    void twitterToggled(ui::Control& sender);
    void emailToggled(ui::Control& sender);
    void flickrToggled(ui::Control& sender);
    void iMessageToggled(ui::Control& sender);
    void shareCurrentContextForService(const std::string& serviceName);
    // The text, then the image shown, to the named service (nothing for a name no service has).
    void shareContextWithText_service(const std::string& text, const std::string& serviceName);
    void sharingService_didShareItems(ui::SharingService&, const std::vector<ui::SharingItem>&) override {}
    void sharingService_didFailToShareItems_error(ui::SharingService&, const std::vector<ui::SharingItem>&,
                                                  const platform::Error&) override {}
    // Replaces the saved share image with the one shown; the user hears of it once it is written.
    void saveToDesktop(ui::Control& sender);

    // The share texts.
    static std::string bustedText();
    static std::string twitterText();
    static std::string flickrText();

    // Outlet.
    std::shared_ptr<ui::ImageView> imageView;
};

}  // namespace kestrune
