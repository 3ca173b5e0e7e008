#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Object.h"

namespace platform::ui {
class ViewController;
class Window;
}  // namespace platform::ui

namespace kestrune {

class ClearCacheControllerDelegate;
class ClipboardInfoViewControllerDelegate;
class Device;
class HelpDelegate;
class KSWindowController;
class MacSleepScreenViewControllerDelegate;
class NavigationDelegate;
class SafeWifiWizzardDelegate;
class ShortCutManagerDelegate;
class WizzardViewControllerDelegate;
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
    // ShortCutManager: registers the hot keys the settings enable, and reports a used one to the delegate.
    virtual void updateShortcutsEnabled();
    virtual void setShortCutManagerDelegate(std::weak_ptr<ShortCutManagerDelegate> delegate);
    // KestruneUpdater and UpdateController.
    virtual void setShouldAutomaticallyCheckForUpdates(bool automatically);
    virtual void checkForUpdates();
    virtual void verifyIfUpdatesAvalable();
    virtual void checkForUpdatesInBackground();
    // KestruneUpdater's check in the foreground, as when the user asks (the updater shows its windows).
    virtual void checkForUpdatesByUser();
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
    // The Wi-Fi unlock switch: on when switched on with a trusted network stored.
    virtual bool safeWifiTurnedOn();
    virtual void setSafeWifiTurnedOn(bool on);
    // MusicController: resume after an unlock, pause at a lock (when the user chose so).
    virtual void playIfPreviouslyStopped();
    virtual void pauseMusic();
    // MacClipboardManager: whether the text was written to the Mac's pasteboard.
    virtual bool pasteToClipboard(const std::string& text);
    // ClipboardManager: checks the Mac clipboard's text (empty, too large, a phone that cannot take it,
    // each told to the user) and hands an acceptable text to the completion; a rejected one goes nowhere.
    virtual void filterClipboardWithCompletion(std::function<void(const std::string&)> completion);
    // The activity chart's window: a new one each time.
    virtual void showActivityController();
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

// The neighbours of the interface folders, shaped as the coordinator uses them. Screens cross as platform
// view controllers; a request for a screen that is not built answers none, and the coordinator then does
// nothing with it.
using ScreenController = std::shared_ptr<platform::ui::ViewController>;

// The status item and its drop-down panel (the menu-bar controller).
class MenuBarPanel {
public:
    virtual ~MenuBarPanel() = default;
    // The navigation delegate the panel's controls report to, held weakly.
    virtual void setMainActionDelegate(std::weak_ptr<NavigationDelegate> delegate);
    // Refreshes the panel only while it is open.
    virtual void updateViewForTrackingDevice();
    virtual void updateStatusBarIcon();
    virtual void openMenuBar();
    // Opens the panel and closes it that many seconds later.
    virtual void openMenuBarForDuration(double seconds);
    // Closes the panel unless an in-panel notice shows; the forced close closes it anyway.
    virtual void closeMenuBar();
    virtual void closeMenuBarForced();
    virtual void removeIconFromMenuBar();
    // In-panel notices.
    virtual void showClearBluetoothCache();
    virtual void showUnableToLockMac();
    virtual void showUnableToUnlockMac();
    virtual void showKestruneTemporaryDisabled();
    virtual void didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void osXVersionNotUpToDate();
};

// The settings window's master/detail navigation and the page managers of its master list.
class SettingsNavigation {
public:
    virtual ~SettingsNavigation() = default;
    // Makes the navigation manager and the page-manager factory, whose pages report to the delegate.
    virtual void initWithDelegate(std::weak_ptr<NavigationDelegate> delegate);
    // Installs the master list and the detail pane in the settings window.
    virtual void setup(const std::shared_ptr<platform::ui::Window>& window);
    virtual void setFooterText(const std::string& text);
    // The factory's rows become the master list; row 0 is selected and opens its page.
    virtual void setInitialListViewModelFromFactory();
    // Selects the row, opening its page, then runs the completion (which may be empty).
    virtual void selectRowId_completion(const std::string& row, std::function<void()> completion);
    virtual void showDetailList_title_source_popToRoot(const ScreenController& list, const std::string& title,
                                                       int64_t source, bool popToRoot);
    virtual void showDetailController_title_source_popToRoot(const ScreenController& controller,
                                                             const std::string& title, int64_t source,
                                                             bool popToRoot);
    virtual void pushDetailController(const ScreenController& controller);
    virtual void pushDetailList(const ScreenController& list);
    virtual void popViewModelAnimated(bool animated);
    virtual void popToRootAnimated(bool animated);
    virtual void pop();
    // updateViewDataIfNeeded of the devices, set-up and updates pages.
    virtual void updateDevicesPage();
    virtual void updateSetupPage();
    virtual void updateUpdatesPage();
    // The photos-and-history page's windows.
    virtual void showLockUnlockHistory();
    virtual void showFailedLoginWindowWithEntry(const std::shared_ptr<platform::Object>& entry);
    virtual void showManualSnapshotsWindowWithEntry(const std::shared_ptr<platform::Object>& entry);
    virtual void showLoginEntriesWithSelectedEntry(const std::shared_ptr<platform::Object>& entry);
    // The translation page's list controller.
    virtual ScreenController translationPage();
};

// The tutorial factory: it makes each wizard and tutorial once, keeps it, and passes the coordinator's
// events on to those that exist. What the coordinator tells a kept screen goes through here too.
class TutorialScreens {
public:
    virtual ~TutorialScreens() = default;
    // Made once and kept, with the delegate set; none when the screen is not built.
    virtual ScreenController initialTutorial(std::weak_ptr<WizzardViewControllerDelegate> delegate);
    virtual ScreenController proximityUnlockTutorial(std::weak_ptr<WizzardViewControllerDelegate> delegate);
    virtual ScreenController macSleepScreenTutorial(
        std::weak_ptr<MacSleepScreenViewControllerDelegate> delegate);
    virtual ScreenController wifiWizzard(std::weak_ptr<SafeWifiWizzardDelegate> delegate);
    virtual ScreenController clipboardTutorial(std::weak_ptr<ClipboardInfoViewControllerDelegate> delegate);
    virtual ScreenController clearCacheTutorial(std::weak_ptr<ClearCacheControllerDelegate> delegate);
    virtual ScreenController helpTutorial(std::weak_ptr<HelpDelegate> delegate);
    virtual ScreenController initialConnectionTroubleShoot(std::weak_ptr<HelpDelegate> delegate);
    virtual ScreenController systemPreferenceTutorialwithCompletion(std::function<void()> completion);
    virtual ScreenController accessilityPreferenceTutorialwithCompletion(std::function<void()> completion);

    // A kept screen: started before it is shown; its visibility, and a closure told of each change.
    virtual void start(const ScreenController& screen);
    virtual bool isVisible(const ScreenController& screen);
    virtual void setViewVisibilityHandler(const ScreenController& screen, std::function<void(bool)> handler);
    virtual bool helpTutorialIsVisible();
    virtual bool macSleepScreenWizardIsVisible();
    // The clear-cache wizard: its message (none for the plain one) and a refresh after the deletion.
    virtual void setCacheMessage(std::optional<int32_t> message);
    virtual void updateViewForBLEUpdate();
    // The trusted Wi-Fi wizard, and the two permission screens re-checking what was just granted.
    virtual void updatePageForCurrentState();
    virtual void kestruneBroughtToFront();
    // The pairing wizard, when it exists.
    virtual void refreshHomeView();
    virtual void didSuccessfullyPair_withMobileDevice(bool accepted,
                                                      const std::shared_ptr<MobileDevice>& phone);
    virtual void didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void showBluetoothNotSupported();
    // Tells the pairing wizard the current pairing request (a phone asking or accepted, or none).
    virtual void updatePairingWizzard();
    // The proximity tutorial, when it exists.
    virtual void updateTutorialStateAfterConnectionUpdate();
    virtual void updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void userDidLoginWithKestruneRSSI();
    virtual void userDidLogoutWithKestruneRSSI();
    virtual void endAndCleanupTutorial();
    virtual void showKestruneTutorial();
    // Events for every screen that exists.
    virtual void updateMacSleepScreenTutorialIfNeeded();
    virtual void didSyncWithMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void didUpdateBluetoothState();
    virtual void lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    virtual void didUnlockMacWithUserConfirmation();
    virtual void windowControllerWillClose(KSWindowController& controller);
};

// The screen factory: each call makes a new one-page information screen; a given closure runs on its
// button.
class InformationScreens {
public:
    using Action = std::function<void()>;
    virtual ~InformationScreens() = default;
    virtual ScreenController authOptionsVC();
    virtual ScreenController macOSXNotiicationsVC();
    virtual ScreenController siriTutorialVCAction(Action action);
    virtual ScreenController setupSiriTutorialVCAction(Action action);
    virtual ScreenController touchIdTutorialVCAction(Action action);
    virtual ScreenController showYesNoTutorialVCAction(Action action);
    virtual ScreenController showKnockKnockTutorialVCAction(Action action);
    virtual ScreenController macSleepScreenOverlayVC();
    virtual ScreenController openSpaceInfoVC();
    virtual ScreenController manualPhotosVCWithCompletion(Action completion);
    virtual ScreenController distanceEstimationVC();
    virtual ScreenController proximityLockDisabledBecauseWifiVC();
    virtual ScreenController proximityLockDisabledManualLoginVC();
    virtual ScreenController updateKestruneOnYourPhoneDone(Action done);
    virtual ScreenController updateMacVersion_check_next(const std::string& title, Action check, Action next);
    virtual ScreenController closeMainWindowTutorial(Action action);
    virtual ScreenController rateOnAppStore(Action action);
    virtual ScreenController confirmProximityUnlockTutorial(Action action);
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
    // The user's answer to a phone asking to pair.
    virtual void mobileDevice_connectionAccepted(const std::shared_ptr<MobileDevice>& phone,
                                                 bool accepted) = 0;
    // Sends the Mac's clipboard text to the phone.
    virtual void updateClipboardForMobileDevice_clipboardText(const std::shared_ptr<MobileDevice>& phone,
                                                              const std::string& text) = 0;
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
    // A scan period of the scanning indicator is running; seconds since the last wake from sleep.
    virtual bool scanningIndicatorIsActive();
    virtual double secondsSinceLastWakeNotification();
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
    // The hosted-backend record keeper of the pairing, made once, 7 s after start-up, with the delegate
    // that hears of a remote unlink; a second call keeps the keeper there is.
    virtual void startRemoteSync(RemoteSyncMacDelegate* delegate);
    // The keeper asks the hosted backend whether the tracked phone unlinked this Mac; before the keeper
    // is made there is nobody to ask, and nothing is done.
    virtual void checkIfDeviceUnlinkedRemotely();
    virtual void updateCurrentRemoteStateIfNeeded();
    const std::shared_ptr<RemoteSyncMac>& remoteSync() const { return remoteSync_; }
    // TrackUser: a usage event.
    virtual void trackEventType_eventName(const std::string& type, const std::string& name);
    virtual void playDingSound();
    virtual void playFoundNewDeviceSound();
    virtual bool isDebugOrBetaTester();
    virtual void forceClearBluetoothCache();
    virtual void relaunchAfterDelay(double seconds);
    virtual void terminate();
    // TrackUser: an error event.
    virtual void trackErrorType(const std::string& type);
    // The silent push that wakes the phone application when the phone is out of reach.
    virtual void sendSilentNotificationIfNeeded();
    // Recovery mode of the phone link: any phone may connect, for pairing.
    virtual void startRecoveryMode();
    virtual void stopRecoveryMode();
    // Turns the Mac's Bluetooth on; the completion runs on the main thread.
    virtual void turnBluetoothOnWithCompletion(std::function<void()> completion);
    // Deletes the system's Bluetooth cache file with administrator rights; the completion hears whether it
    // was deleted, on the main thread.
    virtual void deleteBluetoothPlistCacheFileWithCompletion(std::function<void(bool)> completion);
    // Asks for administrator rights with the prompt; the completion hears whether they were granted.
    virtual void authorizeWithMessage_completion(const std::string& message,
                                                 std::function<void(bool)> completion);
    // Adds or removes the application in the login items; the completion runs on the main thread.
    virtual void toggleLaunchAtStartupWithCompletion(std::function<void()> completion);
    virtual void userUpdatedScreensaverPreconditions();
    virtual bool preconditionsToLockMacOnScreensaverAreSet();
    // The Dock icon: shown or hidden, bouncing or still.
    virtual void showDockIcon(bool show);
    virtual void setDockIconBouncing(bool bouncing);

private:
    std::shared_ptr<RemoteSyncMac> remoteSync_;
};

// Everything the coordinator is built with; any member left empty gets its default.
struct CoordinatorServices {
    std::shared_ptr<FeatureServices> features;
    std::shared_ptr<MenuBarPanel> menuBar;
    std::shared_ptr<SettingsNavigation> navigation;
    std::shared_ptr<TutorialScreens> tutorials;
    std::shared_ptr<InformationScreens> screens;
    // The settings (main) window; left empty, a plain window of the settings window's size.
    std::shared_ptr<platform::ui::Window> splitWindow;
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
