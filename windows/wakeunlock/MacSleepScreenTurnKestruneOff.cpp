#include "windows/wakeunlock/MacSleepScreenTurnKestruneOff.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/shell/PerformBlockAfterDelay.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/wifi/SafeWifiManager.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

namespace {

// The side that made a tracking change: 2 is this Mac.
constexpr int32_t kMacIsResponsible = 2;

// The tracked phone's settings, looked up now: none without a tracked phone.
std::shared_ptr<MobileSettings> trackedPhoneSettings() {
    auto& manager = DataManager::shared();
    auto phone = manager.getTrackingMobileDevice();
    return phone ? manager.settingsForDeviceId(phone->unId()) : nullptr;
}

bool trackingIsOn() {
    auto settings = trackedPhoneSettings();
    auto info = settings ? settings->mobileDeviceTrackInfo() : nullptr;
    return info && info->shouldTrackMobileDevice() && info->shouldTrackMobileDevice()->boolValue();
}

}  // namespace

void MacSleepScreenTurnKestruneOff::viewDidLoad() {
    BaseViewController::viewDidLoad();
    updateViewForNewSettings();
}

void MacSleepScreenTurnKestruneOff::updateStrings() {
    BaseViewController::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("mac_wake_unlock_setup"));
    if (topLabel) topLabel->setStringValue(localizable("how_does_mac_wake_unlock_work"));
    if (kestruneLabel) kestruneLabel->setStringValue(localizable("disable_unlock_on_approach"));
    if (safeWifilabel) safeWifilabel->setStringValue(localizable("disable_wifi_unlock"));
    if (footerLabel) footerLabel->setStringValue(localizable("turn_the_options_on_again_after_tutorial"));
}

void MacSleepScreenTurnKestruneOff::updateViewForNewSettings() {
    const bool tracking = trackingIsOn();
    if (kestruneLabel) kestruneLabel->setAlphaValue(tracking ? 1.0 : 0.5);
    if (kestruneButton) {
        if (tracking) {
            setKestruneEnabledButtonWithText(*kestruneButton, localizable("turn_kestrune_off"));
        } else {
            setKestruneDisabledButtonWithText(*kestruneButton, localizable("tutorial_screen_kestrune_off"));
        }
    }
    const bool wifiUnlock = SafeWifiManager::shared().safeWifiTurnedOn();
    if (safeWifilabel) safeWifilabel->setAlphaValue(wifiUnlock ? 1.0 : 0.5);
    if (safeWifiButton) {
        if (wifiUnlock) {
            setKestruneEnabledButtonWithText(*safeWifiButton, localizable("turn_wifi_unlock_off"));
        } else {
            setKestruneDisabledButtonWithText(*safeWifiButton, localizable("turn_wifi_unlock_off"));
        }
    }
    updateStrings();
}

void MacSleepScreenTurnKestruneOff::kestruneOffToggled(ui::Control&) {
    select(kOpenMainMenu);
    auto self = sharedAs<MacSleepScreenTurnKestruneOff>();
    performBlock_afterDelay(
        self,
        [self] {
            // The phone tracked now, not the one of the press: it may have been unlinked meanwhile, and
            // then there is no tracking to switch off and nothing to send.
            auto settings = trackedPhoneSettings();
            if (!settings) return;
            settings->updateKestrune_responsibleDevice(false, kMacIsResponsible);
            self->select(kTrackingSwitchedOff);
        },
        kChangeDelay);
}

void MacSleepScreenTurnKestruneOff::safeWifiOffToggled(ui::Control&) {
    select(kOpenMainMenu);
    auto self = sharedAs<MacSleepScreenTurnKestruneOff>();
    performBlock_afterDelay(
        self, [self] { self->select(kTurnSafeWifiOff); }, kChangeDelay);
}

void MacSleepScreenTurnKestruneOff::select(int32_t choice) {
    if (auto delegate = delegate_.lock())
        delegate->macSleepScreenTurnKestruneOff_didSelectOption(*this, choice);
}

}  // namespace kestrune
