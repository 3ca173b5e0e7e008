#include "features/notifications/KSSpecificNotificationManager.h"

#include <optional>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/shell/SoundManager.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "features/notifications/KestruneNotificationManager.h"
#include "features/notifications/NotificationsController.h"

namespace kestrune {

namespace {
std::optional<std::string> trackedPhoneName() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone || !phone->mobileDeviceInfo()) return std::nullopt;
    auto name = phone->mobileDeviceInfo()->deviceName();
    if (!name || name->empty()) return std::nullopt;
    return *name;
}

void errorSoundThenAutoHide(const char* key) {
    SoundManager::playErrorSound2();
    KSSpecificNotificationManager::showAutoHideNotificationWithText(localizable(key));
}
}  // namespace

void KSSpecificNotificationManager::showPersistantNativeNotificationWithText(const std::string& text) {
    showPersistantNativeNotificationWithText_identifier(text, "");
}

void KSSpecificNotificationManager::showPersistantNativeNotificationWithText_identifier(
    const std::string& text, const std::string& identifier) {
    KestruneNotificationManager::showPersistantNativeNotificationWithText_identifier(text, identifier);
}

void KSSpecificNotificationManager::showAutoHideNotificationWithText(const std::string& text) {
    showAutoHideNotificationWithText_identifier(text, "");
}

void KSSpecificNotificationManager::showAutoHideNotificationWithText_identifier(
    const std::string& text, const std::string& identifier) {
    KestruneNotificationManager::showNativeNotificationWithText_identifier_hideAfterDelay(text, identifier,
                                                                                          kAutoHideDelay);
}

void KSSpecificNotificationManager::showDidConnectNotificationWithText(const std::string& text) {
    showAutoHideNotificationWithText(text);
}

void KSSpecificNotificationManager::showClipboardIsEmpty() {
    errorSoundThenAutoHide("clipboard_is_empty");
}

void KSSpecificNotificationManager::updateKestruneVersionOnIphoneToUseFeature() {
    errorSoundThenAutoHide("update_kestrune_on_ios_to_use_this_feauture");
}

void KSSpecificNotificationManager::deviceNotConnected() {
    errorSoundThenAutoHide("device_not_connected_to_iphone");
}

void KSSpecificNotificationManager::clipboardIsTooBig() {
    errorSoundThenAutoHide("clipboard_is_too_big_to_send");
}

void KSSpecificNotificationManager::showFailedToLoginDetected() {
    SoundManager::playErrorSound2();
    showPersistantNativeNotificationWithText_identifier(localizable("failed_login_attempt"),
                                                        kKestruneDetectedFaileLoginAttempt);
}

void KSSpecificNotificationManager::didNotCopyToIosClipboard() {
    errorSoundThenAutoHide("clipboard_could_not_be_copied_to_ios_device");
}

void KSSpecificNotificationManager::didNotCopyToMacClipboard() {
    errorSoundThenAutoHide("clipboard_could_not_be_copied_from_ios_device");
}

void KSSpecificNotificationManager::didUnlockUsingKestrune() {
    if (!NotificationsController::shared().notificationOnLogin()) return;
    auto name = trackedPhoneName();
    const std::string text =
        name ? stringWithTextArgument(localizable("main_menu_unlocked_with_kestrune_device"), *name)
             : localizable("main_menu_unlocked_with_kestrune");
    showAutoHideNotificationWithText_identifier(text, kKestruneLockUnlockNotification);
}

void KSSpecificNotificationManager::didCopyToMacClipboard() {
    showAutoHideNotificationWithText(localizable("clipboard_copied_from_ios_device"));
}

void KSSpecificNotificationManager::didUnlockUsingWiFiUnlock() {
    showAutoHideNotificationWithText_identifier(localizable("your_mac_unlocked_with_wifi_unlock"),
                                                kKestruneLockUnlockNotification);
}

void KSSpecificNotificationManager::didCopyToIosClipboard() {
    // The catalogue formats this one with the phone's name whether or not it is known; without one the
    // placeholder is left empty rather than shown.
    showAutoHideNotificationWithText(stringWithTextArgument(localizable("clipboard_copied_to_ios_device"),
                                                            trackedPhoneName().value_or("")));
}

}  // namespace kestrune
