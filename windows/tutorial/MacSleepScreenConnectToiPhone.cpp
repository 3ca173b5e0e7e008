#include "windows/tutorial/MacSleepScreenConnectToiPhone.h"

#include "app/support/Localizable.h"
#include "link/transport/Bluetooth.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

void MacSleepScreenConnectToiPhone::viewDidLoad() {
    BaseViewController::viewDidLoad();
    updateViewForNewBluetoothState();
    if (auto separator = bottomSeparatorView.lock()) setBackgouroundColor(*separator, kestruneGreen());
}

void MacSleepScreenConnectToiPhone::setConnectTutorialType(int32_t type) {
    connectTutorialType_ = type;
    updateStrings();
}

void MacSleepScreenConnectToiPhone::updateStrings() {
    BaseViewController::updateStrings();
    auto title = titleLabel.lock();
    if (!title) return;
    if (connectTutorialType_ == kProximitySetUp) title->setStringValue(localizable("setup_kestrune"));
    if (connectTutorialType_ == kWakeUnlock) title->setStringValue(localizable("mac_wake_unlock"));
}

void MacSleepScreenConnectToiPhone::updateViewForNewBluetoothState() {
    const bool on = Bluetooth::bluetoothIsOn();
    if (auto b = button.lock()) {
        b->setHidden(false);
        setKestruneEnabledButtonWithText(*b, localizable(on ? "troubleshoot" : "turn_bluetooth_on"));
    }
    if (auto text = connectLabel.lock())
        text->setStringValue(
            localizable(on ? "connect_to_iphone_to_use_this_feature" : "turn_on_ble_to_use_kestrune"));
    if (auto image = mainImage.lock())
        image->setImage(ui::Image::imageNamed(on ? "initial_connection" : "bluetooth_icon"));
}

void MacSleepScreenConnectToiPhone::buttonToggled(ui::Control&) {
    // The state now, not the one the texts were set for.
    const int32_t choice = Bluetooth::bluetoothIsOn() ? kTroubleConnecting : kTurnBluetoothOn;
    if (auto delegate = delegate_.lock())
        delegate->macSleepScreenConnectToiPhone_didSelectOption(*this, choice);
}

}  // namespace kestrune
