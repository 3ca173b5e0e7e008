#pragma once

#include <memory>

#include "engine/coordinator/CoordinatorServices.h"
#include "engine/deciders/SafeWifiUnlockPolicy.h"
#include "features/history/LoginTrackerFactory.h"
#include "features/photos/FailedLoginFactory.h"
#include "features/updates/UpdateNotificationHelper.h"
#include "platform/ui/WindowController.h"

namespace kestrune {

// The features the coordinator calls, as built here: the lock/unlock history and the tracker file,
// failed-login and manual photos, the interface language, the user notifications, trusted Wi-Fi, music
// pause and resume, the application's updates and the newest versions of the remote configuration, the
// hot keys and clipboard sharing.
//
// It is also the proximity decider's trusted-Wi-Fi policy, so that the decider, the lock screen and the
// Wi-Fi watcher all take the one answer of the trusted Wi-Fi manager. The shared feature objects (the
// Wi-Fi manager, the music controller, the updater and the version watcher) are made on first use, on
// the backends installed by then.
class KestruneFeatureServices : public FeatureServices, public SafeWifiUnlockPolicy {
public:
    void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date, uint32_t trigger,
                                               bool takePhoto) override;
    void applicationOpenedEntry() override;
    void insertUnlockedEntry() override;
    void insertLockedEntry() override;
    // The global hot keys.
    void updateShortcutsEnabled() override;
    void setShortCutManagerDelegate(std::weak_ptr<ShortCutManagerDelegate> delegate) override;
    void createAndSaveFailedLoginEventTakePhoto(bool takePhoto) override;
    void createAndSaveManualSnapshotWithCompletion(std::function<void()> completion) override;
    void updateLanguageIfNeeded_didUpdateCallback(const std::string& language,
                                                  std::function<void()> didUpdate) override;
    void didUnlockUsingKestrune() override;
    void didUnlockUsingWiFiUnlock() override;
    void showFailedToLoginDetected() override;
    void didCopyToMacClipboard(bool copied) override;
    void didCopyToIosClipboard(bool copied) override;
    void showDidConnectNotificationWithText(const std::string& text) override;
    void showPersistantNativeNotificationWithText(const std::string& text) override;

    void setShouldAutomaticallyCheckForUpdates(bool automatically) override;
    void checkForUpdatesByUser() override;
    void checkForUpdates() override;
    void verifyIfUpdatesAvalable() override;
    void checkForUpdatesInBackground() override;
    bool shouldWarnUserAboutNewIosUpdate() override;
    void didWarnUserAboutiOSUpdate() override;
    bool shouldWarnUserAboutNewKestruneVersionForMacOSX() override;
    void didWarnUserAboutOSXUpdate() override;

    bool isConectedToSafeWifi() override;
    bool safeWifiTurnedOn() override;
    void setSafeWifiTurnedOn(bool on) override;
    // Also the decider's policy.
    bool shouldUnlockForSafeWifi() override;

    void playIfPreviouslyStopped() override;
    void pauseMusic() override;

    // Clipboard sharing: the phone's text written to the Mac's pasteboard, and the Mac's text vetted
    // before it goes to the phone.
    bool pasteToClipboard(const std::string& text) override;
    void filterClipboardWithCompletion(std::function<void(const std::string&)> completion) override;
    // The activity chart: a new window from the installed factory each time, kept while it is the last.
    void showActivityController() override;

private:
    std::shared_ptr<platform::ui::WindowController> activityController_;
    LoginTrackerFactory loginTrackerFactory_;
    FailedLoginFactory failedLoginFactory_;
    // The coordinator's rate limiter of update warnings: made with it, kept in memory.
    UpdateNotificationHelper updateHelper_;
};

}  // namespace kestrune
