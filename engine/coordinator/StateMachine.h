#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/remote/RemoteSyncMac.h"
#include "app/shell/ShellServices.h"
#include "app/support/EventTimestamp.h"
#include "engine/coordinator/ClearCacheControllerDelegate.h"
#include "engine/coordinator/ClipboardInfoViewControllerDelegate.h"
#include "engine/coordinator/CoordinatorServices.h"
#include "engine/coordinator/HelpDelegate.h"
#include "engine/coordinator/KSWindowControllerDelegate.h"
#include "engine/coordinator/LoginLogoutHistoryWindowDelegate.h"
#include "engine/coordinator/MacSleepScreenViewControllerDelegate.h"
#include "engine/coordinator/MainMenuBarControllerDelegate.h"
#include "engine/coordinator/NavigationDelegate.h"
#include "engine/coordinator/PeriodicNotifierController.h"
#include "engine/coordinator/SafeWifiWizzardDelegate.h"
#include "engine/coordinator/ShortCutManagerDelegate.h"
#include "engine/coordinator/WizzardViewControllerDelegate.h"
#include "engine/deciders/LogoutOnDIsconnectManager.h"
#include "engine/deciders/RSSILoginLogoutDecider.h"
#include "engine/session/FailedLoginAttemptListener.h"
#include "engine/session/LoginLogoutController.h"
#include "engine/session/SecurityAgentListener.h"
#include "link/requests/RequestControllerDelegate.h"

namespace platform {
class Timer;
}

namespace kestrune {

class ConfirmationRequestHandler;
class LoginLogoutControllerCommands;
class ShieldManager;
class MobileSettings;
class RequestControllerLink;

// The coordinator of the running application: builds the running system at launch, is the one
// delegate of the long-lived controllers (the phone link, the command controller, the decider, the lock
// after a lost connection, the periodic cleaner, the hosted-backend record keeper), turns their events
// into actions, and stops it all again. It keeps no state enumeration of its own; every decision reads
// the per-phone records and the local settings at that moment. Everything it does runs on the main
// thread. A missing tracked phone, settings record, user or controller is never an error: the step that
// would use it does nothing.
class StateMachine : public StateMachineInterface,
                     public PeriodicNotifierControllerDelegate,
                     public RequestControllerDelegate,
                     public LoginLogoutControllerDelegate,
                     public RSSILoginLogoutDeciderDelegate,
                     public LogoutOnDIsconnectManagerDelegate,
                     public RemoteSyncMacDelegate,
                     public SecurityAgentListenerDelegate,
                     public FailedLoginAttemptListenerDelegate,
                     public NavigationDelegate,
                     public WizzardViewControllerDelegate,
                     public MacSleepScreenViewControllerDelegate,
                     public HelpDelegate,
                     public ClearCacheControllerDelegate,
                     public KSWindowControllerDelegate,
                     public SafeWifiWizzardDelegate,
                     public ClipboardInfoViewControllerDelegate,
                     public ShortCutManagerDelegate,
                     public LoginLogoutHistoryWindowDelegate,
                     public MainMenuBarControllerDelegate,
                     public std::enable_shared_from_this<StateMachine> {
public:
    static std::shared_ptr<StateMachine> create(CoordinatorServices services = {});
    ~StateMachine() override;

    // StateMachineInterface: the application delegate's calls.
    void applicationDidFinishLoading(bool openSettingsWindow) override;
    void dockItemToggled() override;
    void applicationWillTerminate() override;
    void macWillShutDown() override;
    void showFailedLoginWindowWithEntry(std::shared_ptr<platform::Object> entry) override;
    void showLockUnlockHistory() override;
    void showMainMenu() override;

    // Settings switches and menu actions -------------------------------------------------------------------
    // A switch flips one local setting, then does one thing more: refreshes the panel, registers the hot
    // keys again, sends the settings to the phone, checks for updates when turned on, or raises a lock
    // distance closer than the default and sends the settings.
    enum class AfterSwitch { nothing, panel, hotKeys, sync, updateCheck, smallerDistances };
    struct SettingSwitch;
    void toggleClipboardShownOnMainScreen() override;
    void toggleLogoutOnDisconnect() override;
    void toggleTakePhotoOnFailedLogin() override;
    void togglePhotoAfterEachLogin() override;
    void toggleLockShortcut() override;
    void toggleClipboardShortcut() override;
    void toggleSiriLock() override;
    void toggleSiriUnlock() override;
    void toggleUpdateKestruneAutomatically() override;
    void toggleAllowLogin() override;
    void toggleAllowLogout() override;
    void toggleOpenSpaceMode() override;
    void toggleProximityUnlockVerification() override;
    void togglePauseMusicOnLogout() override;
    void toggleAllowSmallerDistances() override;
    void toggleWarnUserOnFailedLogin() override;
    void toggleShowMacControlOnMainScreen() override;
    void toggleWifiUnlockOnMainScreen() override;
    void toggleShowProximityLockOnMainScreen() override;
    void toggleStartKestruneOnLogin() override;
    void toggleWifiUnlock() override;
    void updateMacSleepScreenAuth(int32_t method) override;
    void updateProximityUnlockVerification(int32_t method) override;
    void updateLogoutAction(int32_t action) override;
    void updateSmallerDistancesIfNeeded();
    void toggleShowMainView() override;
    void toggleHelp() override;
    void sleepToggled() override;
    void temporaryDisabledToggled() override;
    void userDidToggleCheckForUpdates() override;
    void userDidClickAddNewDevice();
    void pingTrackingDevice() override;
    void toggleRescan() override;
    void clearBluetoothCache() override;
    void userDidTurnBluetoothOn() override;
    void detectedCorruptedBluetoothCache() override;
    void showFailedLogins() override;
    void showLoginPhotos() override;
    void showManualPhotos() override;
    void showUnlockHistory() override;
    void showManualSnapshotsWindowWithEntry(const std::shared_ptr<platform::Object>& entry);
    void showLoginEntriesWithSelectedEntry(const std::shared_ptr<platform::Object>& entry);
    void showMacControlTutorial() override;
    void safeWifiWizzard_udpateSafeWifi(platform::ui::UIObject* wizard, bool on) override;

    // User actions and the screens' choices ----------------------------------------------------------------
    void wizzardViewController_shouldScanForNewDevices(platform::ui::UIObject* sender, bool scan) override;
    void wizzardViewController_didSelectOption(platform::ui::UIObject* sender, int32_t option) override;
    void wizzardViewController_didAcceptConnection_forMobileDevice(
        platform::ui::UIObject* sender, bool accepted, const std::shared_ptr<MobileDevice>& phone) override;
    void macSleepScreenViewController_didSelectOption(platform::ui::UIObject* sender,
                                                      int32_t option) override;
    void helpDelegate_didSelectOption(platform::ui::UIObject* sender, int32_t option) override;
    void windowControllerWillClose(KSWindowController& controller) override;
    void clearCacheControllerClearCache(platform::ui::UIObject* controller) override;
    void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        platform::ui::UIObject* window, const std::shared_ptr<FailedLoginEntry>& entry) override;
    void mainMenuBarController_didSelectOption_forMobileDevice(
        platform::ui::UIObject*, int64_t, const std::shared_ptr<MobileDevice>&) override {}
    void updateSafeWifi(bool on);
    void updateiOSVersion() override;
    void toggleProximityLock() override;
    void popToRootViewModelAnimated(bool animated);
    void popViewModelAnimated(bool animated) override;
    void updateSecuritySettingsWithCompletion(std::function<void()> completion) override;
    void updateAccessibilityPreferancesWithCompletion(std::function<void()> completion);
    void addKestruneToAccessilibityToUnlockMac() override;
    void showClearBluetoothCacheTutorial() override;
    void clearBluetoothCacheAfterCorruptedCacheDetected();
    void showHelpViewAndCheck() override;
    void showTroubleShootInitialConnection() override;
    void showTroubleConnectingToDeviceTutorial() override;
    void showHelpViewController();
    void sendClipboardToIos() override;
    void getClipboardFromIos() override;
    void userDidSelectTurnBluetoothOn() override;
    void showActivityController();
    void unlinkDevices() override;
    void didUnlinkFromMac();
    void didUnlindFromIphone();
    void didUnlink();
    void didFinishPairing();
    void didUpdateMacSleepScreenUnlock();
    void clipboardInfoViewController_didSelectOption(platform::ui::UIObject* controller,
                                                     int64_t option) override;
    void shortCutManager_didSelectOption(ShortCutManager& manager, int64_t option) override;

    // Windows, navigation and presentation -----------------------------------------------------------------
    void showDetailList_source_popToRoot(ScreenController list, int64_t source, bool popToRoot) override;
    void showDetailController_source_popToRoot(ScreenController controller, int64_t source,
                                               bool popToRoot) override;
    void showDetailList_source(ScreenController list, int64_t source) override;
    void showDetailController_source(ScreenController controller, int64_t source) override;
    void showMainScreenWithRowId_completion(const std::string& row, std::function<void()> completion);
    void pushModalController(ScreenController controller);
    void showMainWindow();
    void closeMainWindow() override;
    void openWindowOrBounceDock(bool open);
    void setupSettingsSplitView();
    void updateSettingsSplitView();
    void showWizzardOpenWindow(bool open);
    void showWizzardWithCompletion(std::function<void()> completion);
    void showAddNewDeviceView() override;
    void showAddNewDeviceViewOpen_withCompletion(bool open, std::function<void()> completion);
    void showBluetoothNotSupportedTutorial();
    void showInitialTutorialWithCompletion(std::function<void()> completion);
    void showProximityLockTutorial() override;
    void showMacSleepScreenTutorial() override;
    void showWifiUnlockOptionForSource(int64_t source) override;
    void showSystemPreferenceOptionForSource_withCompletion(int64_t source, std::function<void()> completion);
    void showAccessibilityPreferenceOptionForSource_withCompletion(int64_t source,
                                                                   std::function<void()> completion);
    void showClipboardHowDoesItWork() override;
    void showHelpTranslation() override;
    void showWifiUnlock() override;
    void showUpdates() override;
    void showTemporaryDisabledInformationWindow() override;
    void showAuthRequest() override;
    void showMacOSNotifications() override;
    void showSiriTutorial() override;
    void showSiriConfigurationTutorial();
    void showTouchIdTutorial() override;
    void showYesNoTutorial() override;
    void showKnockKnockTutorial() override;
    void showMacSleepScreenOverlay() override;
    void showOpenSpaceInfo() override;
    void showManualPhotosInfo() override;
    void showEstimatedDistanceDescription() override;
    void showProximityLockDisabledBecauseWifi();
    void showProximityLockDisabledManualLogin();
    void showUpdateKestruneOnYourPhone();
    void showUpdateKestruneOnYourMac();
    void showCloseMainWindowTutorial() override;
    void showRateOnAppStore() override;
    void showConfirmProximityUnlockTutorial() override;

    // Start-up and the hooks that start scanning.
    void startScanningAndConnection();
    // The restart of scanning at start and after every wake of the system (systemDidWake, which the
    // log tells of).
    void applicationDidWake();
    void systemDidWake();
    void bluetoothStateChanged();
    void didUpdateBluetoothState();
    void startScanningIndicatorIfNeeded();
    void performTasksAfterStartupDelay();

    // The fail-safe connect timer: cleans the ignore list when no phone connected in time.
    void startFailSafeTimerWithDelay(int seconds);
    void invalidateFailSafeTimer();
    void startFailsafeTimeAfterDelayIfNeeded();
    bool failSafeTimerIsRunning() const;
    void cleanTheIgnoreListOfBadConnectionsIfNeeded();
    void periodicNotifierControllerDidTrigger(PeriodicNotifierController& controller) override;

    void updateDataModelBeforeStartingToScan();
    bool applicationDidRestartProgramaticallyInTheLastSeconds(int seconds);

    // Stopping.
    void prepareForShutdown(bool immediately);
    void cleanUpAndQuitKestrune() override;
    // The link reports a connect failure it cannot recover from: relaunch, at most once in 300 s.
    void requestControllerDidExperienceFatalError();
    bool applicationInShutdownProcess() const { return applicationInShutdownProcess_; }

    // The views.
    void updateViewsForMobileTrackUpdate();
    void scanningUpdated();
    void didReceiveUpdatesUpdate();
    void updateStatuIcon();
    void updateDockItem();
    bool mainWindowIsShown();
    bool shouldShowDockItem() { return mainWindowIsShown(); }

    // Phone events ------------------------------------------------------------------------------------------
    void requestController_didReceiveLoginCommandFromMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void requestController_didReceiveLogoutCommandFromMobileDevice(
        const std::shared_ptr<MobileDevice>& phone);
    // A reading (the phone's smoothed distance) for the decider; dropped unless the phone is connected.
    void didUpdateRSSI_fromMobileDevice(const platform::Number& distance,
                                        const std::shared_ptr<MobileDevice>& phone);
    void loginForMobileDeviceBecauseOfLoginConfirmation(const std::shared_ptr<MobileDevice>& phone);
    void processRSSILoginForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void confirmRSSILoginForDevice_resend(const std::shared_ptr<MobileDevice>& phone, bool resend);
    bool shouldConfirmRSSILoginForDevice(const std::shared_ptr<MobileDevice>& phone);
    void executeRSSIConfirmationReqeust_forDevice(bool confirm, const std::shared_ptr<MobileDevice>& phone);
    void recheckRSSIAfterShortDelayForMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void trackingDeviceConnectedAndReady(const std::shared_ptr<MobileDevice>& phone);
    void updateConnectionStatus_forDevice_andNotifyDevice(int32_t status,
                                                          const std::shared_ptr<MobileDevice>& phone,
                                                          bool notify);
    void forgetAndDisconnectMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    void lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>& phone);
    bool shouldStartLogoutOnDisconnect(const std::shared_ptr<MobileDevice>& phone);
    void updateLanguageIfNeededForDevice(const std::shared_ptr<MobileDevice>& phone);
    void updateViewForLanguageUpdate();
    void takeManualPhoto();
    void sendNotification_usePushNotificationIfNeeded(int32_t code, bool usePush);
    // Sends the settings to the tracked phone when it is connected; otherwise it gets them at its next
    // connection.
    void updateAndSyncData() override;
    void updateLastConnectionTimestamp();
    bool didFinishSyncWithDevice() const { return didFinishSyncWithDevice_; }

    // Lock and unlock outcomes, lid and lock screen ---------------------------------------------------------
    void logoutTrackingDeviceForCommadReason(int32_t reason);
    void logoutIfDeviceTrackingIsActiveForMobileDevice_commadReason(
        const std::shared_ptr<MobileDevice>& phone, int32_t reason);
    // Sends this Mac's session state to the phone: 1 the phone or proximity caused it, 2 the Mac.
    void didChangeLoginStateBy(int32_t responsible);
    void updateTrackingDistance(int32_t distance) override;
    void updateTrackingDistance_responsileDevice(int32_t distance, int32_t responsible);
    void didUpdateProximityLockInfo() { didUpdateMobileTrackInfoFromMac(); }
    void didUpdateMobileTrackInfoFromMac();
    void trackInfoUpdatedForDevice(const std::shared_ptr<MobileDevice>& phone);
    void disableTempProxTrackingIfOn();
    void disableTempProxTrackingAfterLoginIfOn();
    void updateTempDisableWhenLogin(int32_t responsible);
    void updateTempDisableTrackingForDeviceRequest(int32_t responsible);
    void userDidLogin();
    void userDidLogout();
    void loginFailed();
    void processFailedLockOrUnlock();
    void warnUserAboutScreensaverPreconditions();
    // The lock screen with its password field is up: unlock paths and confirmation requests.
    void displayOnButUserNotLoggedIn();
    void tryToLoginInCaseKestruneTemporarilyDisabled();
    void lockAppearedOnScreen();
    void sendConfirmationRequestAfterLockAppeardIfNeeded();
    void handleLockAppearedAction();
    bool willLoginOnceLockOnScreenAppearsBecauseOfTempDisabled();
    void sendRemoteLoginRequestBecausePassAppeared(const std::shared_ptr<MobileDevice>& phone);
    void confirmPasswordLoginAfterPasswordFieldShownForMobileDevice(
        const std::shared_ptr<MobileDevice>& phone);
    void executePasswordConfirmationReqeustForDevice(const std::shared_ptr<MobileDevice>& phone);
    void lockHiddenFromScreen();
    void checkIfShouldUnlockMacBecauseOfSafeWifi();
    // The lid and the external monitors: scanning resumes when the Mac is usable again, and the phone
    // hears of the lid-down-without-monitor fact only when it changes.
    void laptopLidChangedOrExternalMonitorChanged();
    // Answers whether the phone was told.
    bool updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();

    // System events, hot keys, failed logins
    // -----------------------------------------------------------------
    void anyKestruneWindowWillClose();
    void applicationWillSleep() {}
    void userDidSelectLockMac();
    // A hot key by its option, as the hot-key manager reports it.
    void shortCutManager_didSelectOption(int64_t option);
    void failedloginAttemptListenerDidDetectFailedLogin();
    void sendRemoteNotificationForFailedLoginAttempt() {
        sendNotification_usePushNotificationIfNeeded(2, true);
    }
    void logoutOnDisconnectManagerShouldLogout();
    void warnUserAboutNewSoftwareUpdateIfNeccesary();
    // The front application changed: the system's authorisation dialog, this application, or the
    // system preferences came to the front or left it (each flag as the security-agent listener reads
    // it).
    void securitAgentDidChange(bool securityAgentIsActive);
    void kestruneDidChange(bool kestruneIsActive);
    void systemPreferancesDidChange(bool systemPreferancesIsActive);

    // SecurityAgentListenerDelegate, FailedLoginAttemptListenerDelegate
    void securitAgentDidChange(SecurityAgentListener& listener) override;
    void kestruneDidChange(SecurityAgentListener& listener) override;
    void systemPreferancesDidChange(SecurityAgentListener& listener) override;
    void failedloginAttemptListenerDidDetectFailedLogin(FailedLoginAttemptListener& listener) override;

    // LogoutOnDIsconnectManagerDelegate, RemoteSyncMacDelegate
    void logoutOnDisconnectManagerShouldLogout(LogoutOnDIsconnectManager& manager) override;
    void remoteSyncMac_didUnlinkFromDevice(RemoteSyncMac& sync,
                                           const std::shared_ptr<MobileDevice>& phone) override;

    // RequestControllerDelegate: what the phone link reports.
    void requestController_protocolVersionNotMatching(RequestController& controller,
                                                      bool macMustUpdate) override;
    void requestController_didUpdateRSSI_fromMobileDevice(
        RequestController& controller, const platform::Number& distance,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didDisconnectFromMobileDevice(RequestController& controller,
                                                         const std::shared_ptr<MobileDevice>& phone) override;
    void requestControllerDidExperienceFatalError(RequestController& controller) override;
    void requestControllerDidExperienceCorruptedBluetoothCache(RequestController& controller) override;
    void requestController_didReceiveRequestToConnectToMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didSuccessfullyPair_withMobileDevice(
        RequestController& controller, bool success, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didReceiveMobileNotification(RequestController& controller, int32_t code) override;
    void requestController_didUpdateSessionInfoForDevice(RequestController& controller,
                                                         const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didStartSyncingWithMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didChangeSettings_forMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDeviceTrackInfo>& settings,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didChangeTrackingDistance_forMobileDevice(
        RequestController& controller, int32_t distance, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didConfirmAuthRequest_forDevice(
        RequestController& controller, const std::string& text,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didReceiveLoginCommandFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didReceiveLogoutCommandFromMobileDevice(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateApplicationStateFromMobileDevice_withState(
        RequestController& controller, const std::shared_ptr<MobileDevice>& phone,
        const platform::Number& state) override;
    void requestController_didUpdateConnectionStatus_fromMobileDevice(
        RequestController& controller, const platform::Number& status,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didConfirmLogin_fromMobileDevice(
        RequestController& controller, const platform::Number& confirmed,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateMobileDeviceSettings(RequestController& controller,
                                                         const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateClipboardText_forDevice(
        RequestController& controller, const std::string& text,
        const std::shared_ptr<MobileDevice>& phone) override;
    void requestController_didUpdateIosClipboard_forDevice(
        RequestController& controller, bool copied, const std::shared_ptr<MobileDevice>& phone) override;

    // LoginLogoutControllerDelegate: what the command controller reports.
    void loginLogoutController_didLoginbyMobileDevice_commandReason(
        LoginLogoutController& controller, const std::shared_ptr<MobileDevice>& phone, int reason) override;
    void loginLogoutControllerDidLoginManualyByUser(LoginLogoutController& controller) override;
    void loginLogoutControllerDidFailToLogin(LoginLogoutController& controller) override;
    void loginLogoutController_didLogoutbyMobileDevice_commandReason(
        LoginLogoutController& controller, const std::shared_ptr<MobileDevice>& phone, int reason) override;
    void loginLogoutControllerDidLogoutManualyByUser(LoginLogoutController& controller) override;
    void loginLogoutControllerUnableToUnlockMac(LoginLogoutController& controller) override;
    void loginLogoutControllerUnableToLockMac(LoginLogoutController& controller) override;
    void loginLogoutControllerDisplayOnButUserNotLoggedIn(LoginLogoutController& controller) override;
    void loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(
        LoginLogoutController& controller, const std::shared_ptr<MobileDevice>& phone) override;

    // RSSILoginLogoutDeciderDelegate: the decider's verdicts.
    void RSSILoginLogoutDecider_recheckRssiForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& phone) override;
    void RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& phone) override;
    void RSSILoginLogoutDecider_didExitKestruneRadius(RSSILoginLogoutDecider& decider,
                                                      const std::shared_ptr<MobileDevice>& phone) override;
    void RSSILoginLogoutDecider_logoutForMobileDevice(RSSILoginLogoutDecider& decider,
                                                      const std::shared_ptr<MobileDevice>& phone) override;
    void RSSILoginLogoutDecider_didEnterKestruneRadius(RSSILoginLogoutDecider& decider,
                                                       const std::shared_ptr<MobileDevice>& phone) override;
    void RSSILoginLogoutDecider_loginForMobileDevice(RSSILoginLogoutDecider& decider,
                                                     const std::shared_ptr<MobileDevice>& phone) override;
    void RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(
        RSSILoginLogoutDecider& decider, const std::shared_ptr<MobileDevice>& phone) override;

    const CoordinatorServices& services() const { return services_; }
    const std::shared_ptr<platform::ui::Window>& splitWindow() const { return services_.splitWindow; }
    // The last information screen pushed; kept until the next replaces it.
    const ScreenController& modalController() const { return modalController_; }
    ShieldManager* shieldManager() const { return shieldManager_.get(); }
    // The controllers made at start-up; none before.
    const std::shared_ptr<RequestController>& requestController() const { return requestController_; }
    const std::shared_ptr<LoginLogoutController>& loginLogoutController() const {
        return loginLogoutController_;
    }
    RSSILoginLogoutDecider* loginLogoutDecider() const { return loginLogoutDecider_.get(); }
    LogoutOnDIsconnectManager* logoutOnDisconnectManager() const { return logoutOnDisconnectManager_.get(); }
    ConfirmationRequestHandler* confirmationHandler() const { return confirmationHandler_.get(); }
    SecurityAgentListener* securityAgentListener() const { return securityAgentListener_.get(); }
    const std::shared_ptr<FailedLoginAttemptListener>& failedLoginListener() const {
        return failedLoginListener_;
    }
    bool trackedPhoneIsConnected() const;

    static constexpr int kRestartWindowAtStart = 12;
    static constexpr int kRestartWindowOnFatalError = 300;
    static constexpr double kScanningStartDelay = 0.2;
    static constexpr double kStartupTasksDelay = 7.0;
    static constexpr double kTerminateDelay = 1.5;
    static constexpr long kIgnoreListCleaningInterval = 240;
    // Seconds the fail-safe connect timer gives the phone after a wake.
    static constexpr int kWakeFailSafeDelay = 8;
    static constexpr double kSyncSettlingSeconds = 1.5;
    static constexpr double kConfirmationStandsSeconds = 3.0;
    static constexpr double kLockScreenActionSpacing = 2.5;

private:
    explicit StateMachine(CoordinatorServices services);
    // Facts of a phone that the coordinator's operations ask everywhere.
    static std::shared_ptr<MobileSettings> settingsOf(const std::shared_ptr<MobileDevice>& phone);
    static int32_t onApproachMethod(const MobileSettings& settings);
    static bool isConnected(const std::shared_ptr<MobileDevice>& phone);
    void startUp(bool openSettingsWindow);
    void initalizeView(bool show);
    void registerForNotifications();
    void restartScanningAfterWake(bool slept);
    void setupKestruneAfterSystemWake();
    // Says in the log what a change of the lid or of the external displays made the coordinator do.
    void sayWhatTheLidDecided(bool lidClosed, bool externalDisplay, bool scanned, bool told);
    void updateBluetoothCacheBookkeeping();
    void failSafeTimerTrigered();
    void createRequestController();
    void createLoginLogoutController();
    void setWaitingForConfirmation(const std::shared_ptr<MobileDevice>& phone, int32_t value);
    bool isTrackedPhone(const std::shared_ptr<MobileDevice>& phone) const;
    // A phone connection started syncing moments ago and has not finished: work that depends on the
    // phone's state waits for it.
    bool syncIsSettling() const;
    std::shared_ptr<MobileSettings> trackedSettings() const;
    void later(double seconds, std::function<void(StateMachine&)> step);
    // A closure for a screen's button that acts on the coordinator while it lives, and does nothing after.
    std::function<void()> weakAction(std::function<void(StateMachine&)> action);
    void flip(const SettingSwitch& setting);
    void flipSwitchNamed(const char* operation);
    std::optional<int64_t> windowDisplayNumber() const;

    CoordinatorServices services_;
    // Set when the caller gave no link or command service: they carry to the controllers made at start-up.
    std::shared_ptr<RequestControllerLink> linkAdapter_;
    std::shared_ptr<LoginLogoutControllerCommands> commandsAdapter_;

    std::shared_ptr<RequestController> requestController_;
    std::shared_ptr<LoginLogoutController> loginLogoutController_;
    std::unique_ptr<RSSILoginLogoutDecider> loginLogoutDecider_;
    std::shared_ptr<LogoutOnDIsconnectManager> logoutOnDisconnectManager_;
    std::unique_ptr<PeriodicNotifierController> periodicIgnoreListCleaner_;
    std::unique_ptr<ConfirmationRequestHandler> confirmationHandler_;
    std::unique_ptr<CustomAnimationHelper> animationHelper_;
    // The front-application watch is one per process; the coordinator keeps it and is its delegate.
    std::shared_ptr<SecurityAgentListener> securityAgentListener_;
    std::shared_ptr<FailedLoginAttemptListener> failedLoginListener_;
    std::shared_ptr<platform::Timer> failSafeConnectTimer_;
    ScreenController modalController_;
    std::unique_ptr<ShieldManager> shieldManager_;
    // The lid closed and an external display attached, as the last lid or display change found them.
    std::optional<std::pair<bool, bool>> lidAndDisplaySeen_;

    EventTimestamp confirmRSSILoginRequest_;
    EventTimestamp syncStartedTimestamp_;
    EventTimestamp lockAppearedActionTimestamp_;
    EventTimestamp recheckRSSITimestamp_;

    bool started_ = false;
    bool didFinishSyncWithDevice_ = false;
    bool applicationInShutdownProcess_ = false;
};

}  // namespace kestrune
