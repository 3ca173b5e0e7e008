#include "menubar/panel/NotificationViewController.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "platform/ui/Image.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/ButtonViewModel.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kNotificationViewControllerLayout;

namespace {

// Each state's texts (localisation keys) and picture; none leaves the element hidden.
struct StateRow {
    const char* topLabel;
    const char* centeredText;
    const char* mainButton;
    bool infoButton;
    const char* picture;
};

constexpr StateRow kRows[NotificationViewController::kStateCount] = {
    {"bluetooth_is_off", nullptr, "turn_bluetooth_on", false, "notification_image_bluetooth"},
    {nullptr, "not_supported_ble", nullptr, false, "notification_image_info"},
    {"main_menu_add_new_device_text", nullptr, "main_menu_add_new_device_button", false,
     "notification_image_new_device"},
    {"main_menu_add_new_device_text", nullptr, "main_menu_add_new_device_button", true, nullptr},
    {"new_ios_update", nullptr, "update", false, "notification_image_info"},
    {nullptr, "main_menu_unlinked", nullptr, false, "notification_image_info"},
    {"bluetooth_error_short", nullptr, "clear_cache", false, "notification_image_info"},
    {"new_osx_update", nullptr, "update", false, "notification_image_info"},
    {"kestrune_connection_problem", nullptr, "clear_bluetooth_cache", false, "notification_image_bluetooth"},
    {nullptr, "tutorial_screen_kestrune_disabled_login_password", nullptr, false, "notification_image_info"},
    {nullptr, "unable_to_lock_mac", nullptr, false, "notification_image_info"},
    {nullptr, "unable_to_unlock_mac", nullptr, false, "notification_image_info"},
};

constexpr double kUnboundedHeight = 99999;

}  // namespace

std::shared_ptr<NotificationViewController> NotificationViewController::init() {
    return ui::ViewController::createWithNibName<NotificationViewController>(kNotificationViewControllerLayout.name);
}

void NotificationViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    // The flat button's own look is set when it wakes; the notice's green comes after.
    if (auto flat = std::dynamic_pointer_cast<KSButton3>(mainButton)) {
        auto look = ButtonViewModel::initWithTitle_action("", {});
        look->setColor(kestruneGreen());
        look->setTextColor(ui::Color::whiteColor());
        flat->setViewModel(look);
    }
}

void NotificationViewController::setState(int64_t state) {
    state_ = state;
    view();  // the outlets come with the view
    hideEverything();
    showState();
    if (mainButton) setTextColor(*mainButton, ui::Color::whiteColor());
    updateLabelFrames();
}

void NotificationViewController::hideEverything() {
    for (ui::View* element :
         {static_cast<ui::View*>(centeredNotificationTextBig.get()), static_cast<ui::View*>(topLabel.get()),
          static_cast<ui::View*>(mainButton.get()), static_cast<ui::View*>(infoButton.get()),
          static_cast<ui::View*>(mainImageView.get())})
        if (element) element->setAlphaValue(0.0);
    if (infoButton) infoButton->setEnabled(false);
}

void NotificationViewController::showState() {
    if (state_ < 0 || state_ >= kStateCount) return;
    const StateRow& row = kRows[state_];
    if (row.topLabel && topLabel) {
        const std::string text = localizable(row.topLabel);
        topLabel->setStringValue(
            state_ == kNewPhoneApplication ? stringWithTextArgument(text, mobileDeviceName_) : text);
        topLabel->setAlphaValue(1.0);
    }
    if (row.centeredText && centeredNotificationTextBig) {
        centeredNotificationTextBig->setStringValue(localizable(row.centeredText));
        centeredNotificationTextBig->setAlphaValue(1.0);
    }
    if (row.mainButton && mainButton) {
        mainButton->setTitle(localizable(row.mainButton));
        mainButton->setAlphaValue(1.0);
    }
    if (row.infoButton && infoButton) {
        infoButton->setImage(ui::Image::imageNamed("alert_button"));
        infoButton->setEnabled(true);
        infoButton->setAlphaValue(1.0);
    }
    if (row.picture && mainImageView) {
        mainImageView->setImage(ui::Image::imageNamed(row.picture));
        mainImageView->setAlphaValue(1.0);
    }
}

void NotificationViewController::updateSubviewLayout() {
    updateLabelFrames();
}

void NotificationViewController::updateLabelFrames() {
    if (centeredNotificationTextBig)
        updateLabelFrame_withHorizontalOffset(*centeredNotificationTextBig, kCenteredTextOffset);
    if (topLabel) updateLabelFrame_withHorizontalOffset(*topLabel, kTopLabelOffset);
}

double NotificationViewController::heightForTextField_setText(ui::TextField& label, const std::string& text) {
    label.setStringValue(text);
    return label.cellSizeForBounds({0, 0, label.frame().width(), kUnboundedHeight}).height;
}

void NotificationViewController::updateLabelFrame_withHorizontalOffset(ui::TextField& label, double offset) {
    auto root = view();
    if (!root) return;
    const double height = heightForTextField_setText(label, label.stringValue());
    const ui::Rect frame = label.frame();
    const double y = root->frame().height() * 0.5 - height * 0.5 + offset;
    label.setFrame({frame.minX(), y, frame.width(), height});
}

void NotificationViewController::didToggleMainButton() {
    if (auto d = delegate()) d->notificationViewControllerDidToggleMainButton(*this);
}

void NotificationViewController::didToggleInfoButton() {
    if (auto d = delegate()) d->notificationViewControllerDidToggleInfoButton(*this);
}

}  // namespace kestrune
