#include "windows/clipboard/ClipboardInfoViewController.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/ButtonViewModel.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/ViewAdditions.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kClipboardInfoViewControllerLayout;

namespace {

void setText(const std::weak_ptr<ui::TextField>& label, const std::string& text) {
    if (auto field = label.lock()) field->setStringValue(text);
}

bool trackedPhoneIsConnected() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone || !phone->mobileDeviceConnectionInfo()) return false;
    const auto& connected = phone->mobileDeviceConnectionInfo()->isConnected();
    return connected && connected->boolValue();
}

}  // namespace

std::optional<std::string> ClipboardInfoViewController::nibName() const {
    return kClipboardInfoViewControllerLayout.name;
}

void ClipboardInfoViewController::windowDidLoad() {
    KSWindowController::windowDidLoad();
    // The flat button wakes with its own colours; the window's green comes after.
    if (auto flat = std::dynamic_pointer_cast<KSButton3>(sentClipboardButton.lock())) {
        auto look = ButtonViewModel::initWithTitle_action("", {});
        look->setColor(kestruneGreen());
        look->setTextColor(ui::Color::whiteColor());
        flat->setViewModel(look);
    }
    updateStrings();
    updateViewForCurrentState();
}

void ClipboardInfoViewController::updateStrings() {
    setText(clipboardLabel, localizable("clipboard"));
    setText(titleLabel, localizable("clipboard"));
    setText(descriptionLabel, localizable("clipboard_explanation"));
    setText(sentToMacLabel, localizable("clipboard_send_to_mac"));
    setText(getFromMacLabel, localizable("clipboard_copy_from_mac"));
    setText(bottomLabel, localizable("or_press"));
}

void ClipboardInfoViewController::updateViewForCurrentState() {
    if (trackedPhoneIsConnected())
        setUpViewWhenConnectedToDevice();
    else
        setUpViewWhenNotConnectedToDevice();
}

void ClipboardInfoViewController::setUpViewWhenConnectedToDevice() {
    if (auto label = devicesNotConnectedLabel.lock()) {
        label->setAlphaValue(0.0);
        label->setStringValue("");
    }
    if (auto label = bottomLabel.lock()) setViewEnabled(*label);
    if (auto image = shortcutImageVIew.lock()) setViewEnabled(*image);
    if (auto button = sentClipboardButton.lock())
        setKestruneEnabledButtonWithText(*button, localizable("send_clipboard_to_ios_short"));
}

void ClipboardInfoViewController::setUpViewWhenNotConnectedToDevice() {
    if (auto label = devicesNotConnectedLabel.lock()) {
        label->setAlphaValue(1.0);
        label->setStringValue(localizable("connect_to_iphone_to_use_this_feature"));
    }
    if (auto label = bottomLabel.lock()) setViewDisabled(*label);
    if (auto image = shortcutImageVIew.lock()) setViewDisabled(*image);
    if (auto button = sentClipboardButton.lock())
        setKestruneDisabledButtonWithText(*button, localizable("send_clipboard_to_ios_short"));
}

void ClipboardInfoViewController::buttonToggled(ui::Control&) {
    if (auto d = delegate()) d->clipboardInfoViewController_didSelectOption(this, kOptionSend);
}

}  // namespace kestrune
