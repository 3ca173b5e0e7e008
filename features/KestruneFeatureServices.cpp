#include "features/KestruneFeatureServices.h"

#include "engine/coordinator/ActivityControllerFactory.h"
#include "features/clipboard/ClipboardManager.h"
#include "features/clipboard/MacClipboardManager.h"
#include "features/history/LoginTrackerController.h"
#include "features/hotkeys/ShortCutManager.h"
#include "features/language/LanguageControllerMac.h"
#include "features/music/MusicController.h"
#include "features/notifications/KSSpecificNotificationManager.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "platform/base/Log.h"

namespace kestrune {

void KestruneFeatureServices::insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date,
                                                                    uint32_t trigger, bool takePhoto) {
    loginTrackerFactory_.insertEvent_forDate_trigger_takePhoto(event, date, trigger, takePhoto);
}

void KestruneFeatureServices::applicationOpenedEntry() {
    LoginTrackerController::applicationOpenedEntry();
}

void KestruneFeatureServices::insertUnlockedEntry() {
    LoginTrackerController::insertUnlockedEntry();
}

void KestruneFeatureServices::insertLockedEntry() {
    LoginTrackerController::insertLockedEntry();
}

void KestruneFeatureServices::createAndSaveFailedLoginEventTakePhoto(bool takePhoto) {
    failedLoginFactory_.createAndSaveFailedLoginEventTakePhoto(takePhoto);
}

void KestruneFeatureServices::createAndSaveManualSnapshotWithCompletion(std::function<void()> completion) {
    // The phone hears once per photo, whatever its outcome; without a camera it hears nothing.
    failedLoginFactory_.createAndSaveManualSnapshotWithCompletion([completion = std::move(completion)](bool) {
        if (completion) completion();
    });
}

void KestruneFeatureServices::updateLanguageIfNeeded_didUpdateCallback(const std::string& language,
                                                                       std::function<void()> didUpdate) {
    LanguageControllerMac::shared().updateLanguageIfNeeded_didUpdateCallback(language, didUpdate);
}

void KestruneFeatureServices::didUnlockUsingKestrune() {
    KSSpecificNotificationManager::didUnlockUsingKestrune();
}

void KestruneFeatureServices::didUnlockUsingWiFiUnlock() {
    KSSpecificNotificationManager::didUnlockUsingWiFiUnlock();
}

void KestruneFeatureServices::showFailedToLoginDetected() {
    KSSpecificNotificationManager::showFailedToLoginDetected();
}

void KestruneFeatureServices::didCopyToMacClipboard(bool copied) {
    if (copied)
        KSSpecificNotificationManager::didCopyToMacClipboard();
    else
        KSSpecificNotificationManager::didNotCopyToMacClipboard();
}

void KestruneFeatureServices::didCopyToIosClipboard(bool copied) {
    if (copied)
        KSSpecificNotificationManager::didCopyToIosClipboard();
    else
        KSSpecificNotificationManager::didNotCopyToIosClipboard();
}

void KestruneFeatureServices::showDidConnectNotificationWithText(const std::string& text) {
    KSSpecificNotificationManager::showDidConnectNotificationWithText(text);
}

void KestruneFeatureServices::showPersistantNativeNotificationWithText(const std::string& text) {
    KSSpecificNotificationManager::showPersistantNativeNotificationWithText(text);
}

void KestruneFeatureServices::setShouldAutomaticallyCheckForUpdates(bool automatically) {
    KestruneUpdater::shared().setShouldAutomaticallyCheckForUpdates(automatically);
}

// A check the user asked for runs in the foreground: its answer is shown whatever it is.
void KestruneFeatureServices::checkForUpdatesByUser() {
    KestruneUpdater::shared().checkForUpdates(this);
}

void KestruneFeatureServices::checkForUpdates() {
    UpdateController::shared().checkForUpdates();
}

void KestruneFeatureServices::verifyIfUpdatesAvalable() {
    UpdateController::shared().verifyIfUpdatesAvalable();
}

void KestruneFeatureServices::checkForUpdatesInBackground() {
    KestruneUpdater::shared().checkForUpdatesInBackground();
}

bool KestruneFeatureServices::shouldWarnUserAboutNewIosUpdate() {
    return updateHelper_.shouldWarnUserAboutNewIosUpdate();
}

void KestruneFeatureServices::didWarnUserAboutiOSUpdate() {
    updateHelper_.didWarnUserAboutiOSUpdate();
}

bool KestruneFeatureServices::shouldWarnUserAboutNewKestruneVersionForMacOSX() {
    return updateHelper_.shouldWarnUserAboutNewKestruneVersionForMacOSX();
}

void KestruneFeatureServices::didWarnUserAboutOSXUpdate() {
    updateHelper_.didWarnUserAboutOSXUpdate();
}

bool KestruneFeatureServices::isConectedToSafeWifi() {
    return SafeWifiManager::shared().isConectedToSafeWifi();
}

bool KestruneFeatureServices::safeWifiTurnedOn() {
    return SafeWifiManager::shared().safeWifiTurnedOn();
}

void KestruneFeatureServices::setSafeWifiTurnedOn(bool on) {
    SafeWifiManager::shared().setSafeWifiTurnedOn(on);
}

bool KestruneFeatureServices::shouldUnlockForSafeWifi() {
    return SafeWifiManager::shared().shouldUnlockForSafeWifi();
}

void KestruneFeatureServices::playIfPreviouslyStopped() {
    MusicController::shared().playIfPreviouslyStopped();
}

void KestruneFeatureServices::pauseMusic() {
    MusicController::shared().pause();
}

bool KestruneFeatureServices::pasteToClipboard(const std::string& text) {
    return MacClipboardManager::pasteToClipboard(text);
}

void KestruneFeatureServices::filterClipboardWithCompletion(
    std::function<void(const std::string&)> completion) {
    ClipboardManager::filterClipboardWithCompletion(std::move(completion));
}

void KestruneFeatureServices::showActivityController() {
    auto factory = ActivityControllerFactory::installed();
    if (!factory) {
        platform::logf("Activity chart: no chart window in this build");
        return;
    }
    activityController_ = factory->newActivityVizualizationController();
    if (activityController_) activityController_->showWindow();
}

void KestruneFeatureServices::updateShortcutsEnabled() {
    ShortCutManager::shared()->updateShortcutsEnabled();
}

void KestruneFeatureServices::setShortCutManagerDelegate(std::weak_ptr<ShortCutManagerDelegate> delegate) {
    ShortCutManager::shared()->delegate = std::move(delegate);
}

}  // namespace kestrune
