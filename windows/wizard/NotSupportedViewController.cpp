#include "windows/wizard/NotSupportedViewController.h"

#include "app/support/Localizable.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void NotSupportedViewController::setNotSupportedReason(int32_t reason) {
    notSupportedReason_ = reason;
    updateStrings();
}

void NotSupportedViewController::updateStrings() {
    BaseViewController::updateStrings();
    if (mainTextLabel)
        mainTextLabel->setStringValue(localizable(
            notSupportedReason_ == kNoBluetoothLE ? "not_supported_ble" : "not_supported_mac_version"));
    if (mainButton) setKestruneEnabledButtonWithText(*mainButton, localizable("quit_kestrune"));
}

void NotSupportedViewController::quitToggled(ui::Control&) {
    if (auto delegate = delegate_.lock()) delegate->notSupportedViewControllerDidSelectQuit(*this);
}

}  // namespace kestrune
