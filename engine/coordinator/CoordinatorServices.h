#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/Date.h"

namespace kestrune {

class Device;
class LoginLogoutController;
class MobileDevice;
class RemoteSyncMac;
class RemoteSyncMacDelegate;
class RequestController;

// The neighbours the coordinator talks to but that live in higher folders (features, the menu-bar
// panel, the windows) or that come with the phone link and the command controller. Each is a small
// interface. The default of a neighbour that is not built yet logs "not built yet: ... requested" and
// does nothing else, so the log never claims what did not happen; the defaults of the link, the
// commands and the machine reach the real classes. Tests install recording ones.

// Features: history entries, the tracker file, hot keys, updates, photos, music, trusted Wi-Fi, the
// clipboard, the interface language and the user notifications.
class FeatureServices {
public:
    virtual ~FeatureServices() = default;
    // LoginTrackerFactory: event 1 started, 2 unlocked, 3 locked, 4 quit; the trigger is the cause.
    virtual void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date, uint32_t trigger,
                                                       bool takePhoto);
    // LoginTrackerController: lines of the plain-text tracker file.
    virtual void applicationOpenedEntry();
    virtual void insertUnlockedEntry();
    virtual void insertLockedEntry();
    // ShortCutManager: registers the hot keys the settings enable.
    virtual void updateShortcutsEnabled();
    // KestruneUpdater and UpdateController.
    virtual void setShouldAutomaticallyCheckForUpdates(bool automatically);
    virtual void checkForUpdates();
    virtual void verifyIfUpdatesAvalable();
    virtual void checkForUpdatesInBackground();
    // UpdateNotificationHelper: at most one warning a day for each side.
    virtual bool shouldWarnUserAboutNewIosUpdate();
    virtual void didWarnUserAboutiOSUpdate();
    virtual bool shouldWarnUserAboutNewKestruneVersionForMacOSX();
    virtual void didWarnUserAboutOSXUpdate();
    // FailedLoginFactory: a failed-login entry dated now, with a camera photo when asked; a manual photo.
    virtual void createAndSaveFailedLoginEventTakePhoto(bool takePhoto);
    virtual void createAndSaveManualSnapshotWithCompletion(std::function<void()> completion);
    // SafeWifiManager: the Mac is joined to a trusted network; and whether that unlocks now.
    virtual bool isConectedToSafeWifi();
    virtual bool shouldUnlockForSafeWifi();
    // MusicController: resume after an unlock, pause at a lock (when the user chose so).
    virtual void playIfPreviouslyStopped();
    virtual void pauseMusic();
    // MacClipboardManager: whether the text was written to the Mac's pasteboard.
    virtual bool pasteToClipboard(const std::string& text);
    // LanguageControllerMac: applies the phone's language when it differs; calls back when it did.
    virtual void updateLanguageIfNeeded_didUpdateCallback(const std::string& language,
                                                          std::function<void()> didUpdate);
    // KSSpecificNotificationManager: user notifications.
    virtual void didUnlockUsingKestrune();
    virtual void didUnlockUsingWiFiUnlock();
    virtual void showFailedToLoginDetected();
    virtual void didCopyToMacClipboard(bool copied);
    virtual void didCopyToIosClipboard(bool copied);
    virtual void showDidConnectNotificationWithText(const std::string& text);
    virtual void showPersistantNativeNotificationWithText(const std::string& text);
};

// The status item, its panel and the settings page managers.
class MenuBarPanel {
public:
    virtual ~MenuBarPanel() = default;
    virtual void updateViewForTrackingDevice();
    virtual void updateStatusBarIcon();
    virtual void closeMenuBar();
    virtual void closeMenuBarForced();
    virtual void removeIconFromMenuBar();
    virtual void openMenuBarForDuration(double seconds);
    // In-panel notices.
    virtual void showClearBluetoothCache();
    virtual void showUnableToLockMac();
    virtual void showUnableToUnlockMac();
    virtual void showKestruneTemporaryDisabled();
    virtual void iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void osXVersionNotUpToDate();
    // updateViewDataIfNeeded of the devices, set-up and updates pages.
    virtual void updateDevicesPage();
    virtual void updateSetupPage();
    virtual void updateUpdatesPage();
};

// The settings window and its navigation, the wizards and tutorials, the shield over the lock screen and
// the Dock icon.
class WindowServices {
public:
    virtual ~WindowServices() = default;
    virtual void setupSettingsSplitView();
    virtual void updateSettingsSplitView();
    virtual void showMainWindow();
    virtual bool mainWindowIsVisible();
    virtual void selectRowId(const std::string& row);
    virtual void showDockIcon(bool show);
    virtual void setDockIconBouncing(bool bouncing);
    // Pages the coordinator opens.
    virtual void showBluetoothNotSupportedTutorial();
    virtual void showProximityLockTutorial();
    virtual void showUpdateKestruneOnYourMac();
    virtual void showUpdateKestruneOnYourPhone();
    // The add-new-device view of the pairing wizard: open (a phone asks to pair; the completion runs once
    // it shows) or back to waiting for a phone. The user's answer reaches the link through the wizard.
    virtual void showAddNewDeviceViewOpen_withCompletion(bool open, std::function<void()> completion);
    // The tutorial factory and the screens it keeps.
    virtual void tutorialsDidUpdateBluetoothState();
    virtual void updateMacSleepScreenTutorialIfNeeded();
    virtual void refreshWizardHomeView();
    virtual void wizardDidSuccessfullyPair(bool accepted, const std::shared_ptr<MobileDevice>& phone);
    virtual void wizardDidLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void tutorialsDidSyncWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void tutorialsLostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void updateTutorialStateAfterConnectionUpdate();
    virtual void updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void userDidLoginWithKestruneRSSI();
    virtual void userDidLogoutWithKestruneRSSI();
    virtual void didUnlockMacWithUserConfirmation();
    virtual bool helpTutorialIsVisible();
    virtual void popViewModelAnimated(bool animated);
    virtual bool macSleepScreenWizardIsVisible();
    virtual void safeWifiWizardUpdatePageForCurrentState();
    // The two permission screens re-check what the user may just have granted.
    virtual void permissionScreensKestruneBroughtToFront();
    // The shield over the lock screen.
    virtual void updateShieldWindowIfShown();
    virtual void animateEffect(int32_t effect);
};

// The coordinator's settings toggles and user actions that come with the interface: what the phone and
// the hot keys ask of them.
class UserActionServices {
public:
    virtual ~UserActionServices() = default;
    // The phone's clipboard request and the send-clipboard hot key.
    virtual void sendClipboardToIos();
    // A check for updates in the foreground, as if the user asked.
    virtual void userDidToggleCheckForUpdates();
    // The tracked phone unlinked this Mac.
    virtual void didUnlindFromIphone();
};

// The lock/unlock command controller: the one way the engine locks or unlocks the Mac. The default
// (installed when none is given) carries each call to the controller the coordinator created.
class LockCommandService {
public:
    virtual ~LockCommandService() = default;
    // action: 1 screensaver, 2 display off, otherwise lock.
    virtual void lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>& phone,
                                                                 int32_t action, int32_t reason) = 0;
    virtual void loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>& phone,
                                                       int32_t reason) = 0;
    virtual bool isAnyCommandInExecution() = 0;
    virtual bool isExecutingLoginCommand() = 0;
};

// What the coordinator asks of the phone link's dispatcher. The default (installed when none is given)
// carries each request to the request controller the coordinator created.
class PhoneLinkService {
public:
    virtual ~PhoneLinkService() = default;
    virtual void startIntenseScanning() = 0;
    virtual void clearTheIgnoreListOfBadConnections() = 0;
    virtual void cleanTheIgnoreList() = 0;
    virtual void removeDeviceFromIgnoreList(const std::shared_ptr<MobileDevice>& phone) = 0;
    virtual void disconnectFromAllDevicesImmediatelly(bool immediately) = 0;
    virtual void forgetAllDevices() = 0;
    // Stops the scanning indicator and drops every other connection.
    virtual void didEstablishConnectionAndFinishedSynWithDevice(
        const std::shared_ptr<MobileDevice>& phone) = 0;
    // An immediate signal-strength read of the phone.
    virtual void checkRSSIForMobileDeviceAndNotifyDelegate(const std::shared_ptr<MobileDevice>& phone) = 0;
    // A notification code for the phone; with the flag a phone out of reach gets a silent push.
    virtual void sendNotification_toMobileDevice_usePushNotificationIfNeeded(
        int32_t code, const std::shared_ptr<MobileDevice>& phone, bool usePush) = 0;
    // Tells the phone its connection status.
    virtual void updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        int32_t status, const std::shared_ptr<MobileDevice>& phone, bool sendRemoteNotification) = 0;
    // Sends this Mac's session record to the phone.
    virtual void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>& device) = 0;
    virtual void mobileDeviceDidUpdateRSSI(const std::shared_ptr<MobileDevice>& phone) = 0;
    virtual void didUpdateTrackInfoForMobileDevice(const std::shared_ptr<MobileDevice>& phone) = 0;
    virtual void syncAllDeviceSettingsForMobileDevice(const std::shared_ptr<MobileDevice>& phone) = 0;
    // Unlock confirmations: the proximity one, the password-field one and the authorisation dialog's.
    virtual void confirmLoginForMobileDevice_silent(const std::shared_ptr<MobileDevice>& phone,
                                                    bool silent) = 0;
    virtual void cancelLoginConfirmationForMobileDevice(const std::shared_ptr<MobileDevice>& phone) = 0;
    virtual void confirmLoginForMobileDeviceBecausePasswordFieldShown_silent(
        const std::shared_ptr<MobileDevice>& phone, bool silent) = 0;
    virtual void cancelLoginConfirmationPasswordFieldShownForMobileDevice(
        const std::shared_ptr<MobileDevice>& phone) = 0;
    virtual void confirmLoginForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& phone,
                                                       const std::string& reason) = 0;
    virtual void cancelLoginConfirmationForMobileDevice_forReason(const std::shared_ptr<MobileDevice>& phone,
                                                                  const std::string& reason) = 0;
    virtual void didCopyClipboard_toMac(bool copied, const std::shared_ptr<MobileDevice>& phone) = 0;
};

// The facts and acts of the machine: the radio, the session, the system's tools, the hosted backend and
// the process. The default asks the real classes; tests replace single answers.
class CoordinatorSystem {
public:
    virtual ~CoordinatorSystem() = default;
    virtual bool bluetoothLESupported();
    virtual bool bluetoothIsOn();
    virtual bool bluetoothLEIsOn();
    virtual int32_t bluetoothState();
    virtual bool macIsSleeping();
    virtual int64_t bluetoothCacheFileSize();
    virtual void performCheckAndCacheBluetoothLESupportedInBackground();
    virtual void restartScanningIndicator();
    virtual bool shouldNotifyUserAboutCorruptedBluetoothCache();
    virtual void migrateIfNeeded();
    virtual void updateModelForVersionUpdateIfNeeded();
    // The silent-push fallback; made once, it watches the internet from then on.
    virtual void startSilentPushNotificationManager();
    virtual void startTrackingSession();
    virtual void stopTrackingSession();
    virtual void setupLoginItems();
    // The hosted-backend record of the pairing; the delegate hears of a remote unlink.
    virtual void checkIfDeviceUnlinkedRemotely(RemoteSyncMacDelegate* delegate);
    virtual void updateCurrentRemoteStateIfNeeded();
    // TrackUser: a usage event.
    virtual void trackEventType_eventName(const std::string& type, const std::string& name);
    virtual void playDingSound();
    virtual void playFoundNewDeviceSound();
    virtual bool isDebugOrBetaTester();
    virtual void forceClearBluetoothCache();
    virtual void relaunchAfterDelay(double seconds);
    virtual void terminate();

private:
    std::shared_ptr<RemoteSyncMac> remoteSync_;
};

// Everything the coordinator is built with; any member left empty gets its default.
struct CoordinatorServices {
    std::shared_ptr<FeatureServices> features;
    std::shared_ptr<MenuBarPanel> menuBar;
    std::shared_ptr<WindowServices> windows;
    std::shared_ptr<UserActionServices> actions;
    // Left empty, the link and the commands go to the controllers the coordinator creates at start-up.
    std::shared_ptr<PhoneLinkService> link;
    std::shared_ptr<LockCommandService> commands;
    std::shared_ptr<CoordinatorSystem> system;
    // Make the phone link and the command controller at start-up; by default the real ones. A test that
    // records the link's requests instead makes no link, so no radio event reaches the coordinator
    // behind the test's back.
    std::function<std::shared_ptr<RequestController>()> makeRequestController;
    std::function<std::shared_ptr<LoginLogoutController>()> makeLoginLogoutController;

    void fillDefaults();
};

}  // namespace kestrune
