#pragma once

#include <memory>

#include "platform/ui/View.h"

namespace platform::ui {
class ImageView;
class TextField;
}  // namespace platform::ui

namespace kestrune {

// The console user's round picture and name with the ask for the password under them, and the product
// icon that fades in and out over them. Its layout is "LoginIconNotificationImageView".
class LoginIconNotificationImageView : public platform::ui::View {
public:
    static constexpr const char* kLayoutName = "LoginIconNotificationImageView";
    // Made from its layout; none when the layout is missing.
    static std::shared_ptr<LoginIconNotificationImageView> loadFromLayout();

    void setupView();
    void showKestruneIcon_animated(bool on, bool animated);
    static double alphaForKestruneOn(bool on) { return on ? 1.0 : 0.0; }

    std::weak_ptr<platform::ui::ImageView> userImage;
    std::weak_ptr<platform::ui::TextField> userNameLabel;
    std::weak_ptr<platform::ui::TextField> enterPasswordLabel;
    std::weak_ptr<platform::ui::View> kestruneIconImage;

    static constexpr double kFadeSeconds = 0.8;
};

}  // namespace kestrune
