#include "engine/coordinator/StateMachine.h"

#include "app/records/Device.h"
#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/NumberFields.h"
#include "app/records/OSXPreferences.h"
#include "app/records/PairingInfo.h"
#include "app/records/SessionInfo.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/support/DateCalculations.h"
#include "engine/coordinator/ConfirmationRequestHandler.h"
#include "engine/coordinator/EngineLinkServices.h"
#include "engine/coordinator/ShieldManager.h"
#include "engine/evidence/IdleController.h"
#include "engine/evidence/LaptopLidEvidenceSource.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/SleepDurationTracker.h"
#include "engine/session/SystemPreferences.h"
#include "link/requests/RequestController.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Quit.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace {

constexpr uint32_t kEventOpened = 1;
constexpr uint32_t kEventQuit = 4;
constexpr int32_t kCentralStateUnsupported = 2;
constexpr const char* kStateUpdateNotification = "KestruneStateUpdateNotification";
constexpr const char* kWifiChangedNotification = "kWifiChangedNotification";
constexpr const char* kAuthReason = "Auth";
constexpr const char* kUpdateStateChangedNotification = "updateStateChanged";

}  // namespace

std::shared_ptr<MobileSettings> StateMachine::settingsOf(const std::shared_ptr<MobileDevice>& phone) {
    return phone ? DataManager::shared().settingsForDeviceId(phone->unId()) : nullptr;
}

int32_t StateMachine::onApproachMethod(const MobileSettings& settings) {
    return settings.OSXSettings() ? intValueOf(settings.OSXSettings()->onApproachAuthMethod()) : 0;
}

bool StateMachine::isConnected(const std::shared_ptr<MobileDevice>& phone) {
    return phone && phone->mobileDeviceConnectionInfo() &&
           boolValueOf(phone->mobileDeviceConnectionInfo()->isConnected());
}

std::shared_ptr<StateMachine> StateMachine::create(CoordinatorServices services) {
    return std::shared_ptr<StateMachine>(new StateMachine(std::move(services)));
}

StateMachine::StateMachine(CoordinatorServices services) : services_(std::move(services)) {
    services_.fillDefaults();
    if (!services_.link) {
        linkAdapter_ = std::make_shared<RequestControllerLink>();
        services_.link = linkAdapter_;
    }
    if (!services_.commands) {
        commandsAdapter_ = std::make_shared<LoginLogoutControllerCommands>();
        services_.commands = commandsAdapter_;
    }
}

StateMachine::~StateMachine() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (failSafeConnectTimer_) failSafeConnectTimer_->invalidate();
    // The controllers may outlive this object in a pending closure: they must not call back into it.
    if (loginLogoutController_) loginLogoutController_->delegate = nullptr;
    if (logoutOnDisconnectManager_) logoutOnDisconnectManager_->delegate = nullptr;
    if (failedLoginListener_) failedLoginListener_->delegate = nullptr;
}

// Delayed steps run on the main run loop and are skipped once the coordinator is gone.
void StateMachine::later(double seconds, std::function<void(StateMachine&)> step) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(seconds, [weak, step = std::move(step)] {
        if (auto self = weak.lock()) step(*self);
    });
}

bool StateMachine::trackedPhoneIsConnected() const {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone || !phone->mobileDeviceConnectionInfo()) return false;
    const auto& connected = phone->mobileDeviceConnectionInfo()->isConnected();
    return connected && connected->boolValue();
}

// Start-up

void StateMachine::applicationDidFinishLoading(bool openSettingsWindow) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    platform::RunLoop::main().post([weak, openSettingsWindow] {
        if (auto self = weak.lock()) self->startUp(openSettingsWindow);
    });
}

void StateMachine::startUp(bool openSettingsWindow) {
    if (started_) return;
    // Posted before a quit that the same turn of the main loop carries out: nothing starts, no window.
    if (platform::Quit::hasBegun()) {
        platform::logf("StateMachine: the quit has begun; the running system is not started");
        return;
    }
    started_ = true;
    createRequestController();
    createLoginLogoutController();
    loginLogoutDecider_ = std::make_unique<RSSILoginLogoutDecider>();
    loginLogoutDecider_->delegate = this;

    auto& settings = DeviceLocalSettings::shared();
    auto now = platform::Date::now();
    // The first-run date reads its registered default, 1 January 1970, until a run stores one: that
    // placeholder counts as no date, or the first run would never be stored and a fresh installation would
    // look decades old (the Bluetooth-cache warning takes an old installation that never cleared its cache
    // for a damaged one).
    const auto firstRun = settings.veryFirstKestruneRunDate();
    if (!firstRun || firstRun->timeIntervalSince1970() <= 0) settings.setVeryFirstKestruneRunDate(now);
    settings.setMostRecentKestruneRunDate(now);
    settings.setFailedToLockMac(false);
    updateBluetoothCacheBookkeeping();
    services_.system->migrateIfNeeded();
    registerForNotifications();
    securityAgentListener_ = SecurityAgentListener::shared().shared_from_this();
    securityAgentListener_->delegate =
        std::static_pointer_cast<SecurityAgentListenerDelegate>(shared_from_this());
    SleepDurationTracker::shared();
    services_.system->startTrackingSession();

    auto& data = DataManager::shared();
    data.updateInfoBeforeSyncingForMobileDevice(data.getTrackingMobileDevice());
    data.deleteAllDevicesExceptTrackingDevice();
    updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();
    updateDataModelBeforeStartingToScan();
    services_.system->performCheckAndCacheBluetoothLESupportedInBackground();

    confirmRSSILoginRequest_.reset();
    syncStartedTimestamp_.reset();
    lockAppearedActionTimestamp_.reset();
    recheckRSSITimestamp_.reset();

    confirmationHandler_ = std::make_unique<ConfirmationRequestHandler>();
    logoutOnDisconnectManager_ = std::make_shared<LogoutOnDIsconnectManager>();
    logoutOnDisconnectManager_->delegate = this;
    periodicIgnoreListCleaner_ = std::make_unique<PeriodicNotifierController>();
    periodicIgnoreListCleaner_->delegate = this;
    services_.system->updateModelForVersionUpdateIfNeeded();
    services_.system->startSilentPushNotificationManager();

    // A start right after our own relaunch is the same session going on: no history entry for it.
    if (!applicationDidRestartProgramaticallyInTheLastSeconds(kRestartWindowAtStart)) {
        services_.features->applicationOpenedEntry();
        services_.features->insertEvent_forDate_trigger_takePhoto(kEventOpened, platform::Date::now(), 0,
                                                                  false);
    }
    failedLoginListener_ = FailedLoginAttemptListener::init();
    failedLoginListener_->delegate = this;
    animationHelper_ = std::make_unique<CustomAnimationHelper>();
    initalizeView(openSettingsWindow);
    later(kScanningStartDelay, [](StateMachine& self) { self.startScanningAndConnection(); });
    later(kStartupTasksDelay, [](StateMachine& self) { self.performTasksAfterStartupDelay(); });
}

// The link answers its account, motion and reading questions from the engine before it exists, and
// reports to the coordinator from its first event on.
void StateMachine::createRequestController() {
    installEngineLinkServices();
    requestController_ = services_.makeRequestController();
    if (!requestController_) {
        platform::logf("Coordinator: no phone link was made; phone requests go to the link service only");
        return;
    }
    requestController_->setDelegate(std::static_pointer_cast<RequestControllerDelegate>(shared_from_this()));
    if (linkAdapter_) linkAdapter_->setController(requestController_);
}

void StateMachine::createLoginLogoutController() {
    loginLogoutController_ = services_.makeLoginLogoutController();
    if (!loginLogoutController_) {
        platform::logf(
            "Coordinator: no command controller was made; commands go to the command service only");
        return;
    }
    loginLogoutController_->delegate = this;
    if (commandsAdapter_) commandsAdapter_->setController(loginLogoutController_);
}

void StateMachine::updateBluetoothCacheBookkeeping() {
    auto& settings = DeviceLocalSettings::shared();
    if (!settings.tempClearBluetoothCacheDate()) return;
    int64_t size = services_.system->bluetoothCacheFileSize();
    if (size < 1) return;
    // A cache file that shrank since the last start was cleared in between.
    if (settings.clearBluetoothFileSize() > size) settings.setClearBluetoothCacheDate(platform::Date::now());
    settings.setClearBluetoothFileSize(size);
}

void StateMachine::registerForNotifications() {
    auto& center = platform::NotificationCenter::defaultCenter();
    std::weak_ptr<StateMachine> weak = weak_from_this();
    auto on = [&center, weak, this](const char* name, void (StateMachine::*handler)()) {
        center.addObserver(this, name, nullptr, [weak, handler](const platform::Notification&) {
            if (auto self = weak.lock()) ((*self).*handler)();
        });
    };
    on(BluetoothLE::kChangedStateNotification, &StateMachine::bluetoothStateChanged);
    on(LaptopLidEvidenceSource::kLaptopLidStateHasChanged,
       &StateMachine::laptopLidChangedOrExternalMonitorChanged);
    on(MacDisplayControl::kExternalMonitorPluggedInOrOut,
       &StateMachine::laptopLidChangedOrExternalMonitorChanged);
    on(IdleController::kApplicationWillSleepNotification, &StateMachine::applicationWillSleep);
    on(IdleController::kApplicationDidWakeUpNotification, &StateMachine::systemDidWake);
    on(platform::ui::Window::kWillCloseNotification, &StateMachine::anyKestruneWindowWillClose);
    on(ScanningIndicator::kDidUpdateScanningNotification, &StateMachine::scanningUpdated);
    on(kStateUpdateNotification, &StateMachine::didReceiveUpdatesUpdate);
    on(MacDisplayControl::kLockOnScreenHiddenNotification, &StateMachine::lockHiddenFromScreen);
    on(kWifiChangedNotification, &StateMachine::checkIfShouldUnlockMacBecauseOfSafeWifi);
    on(kUpdateStateChangedNotification, &StateMachine::warnUserAboutNewSoftwareUpdateIfNeccesary);
}

void StateMachine::initalizeView(bool show) {
    setupSettingsSplitView();
    shieldManager_ = std::make_unique<ShieldManager>(services_.system);
    updateViewsForMobileTrackUpdate();
    updateDockItem();
    services_.menuBar->setMainActionDelegate(
        std::static_pointer_cast<NavigationDelegate>(shared_from_this()));
    // A launch as a login item starts quietly; one by the user shows the settings.
    if (show) later(0.2, [](StateMachine& self) { self.showMainWindow(); });
}

void StateMachine::startScanningAndConnection() {
    IdleController::shared();
    bluetoothStateChanged();
    applicationDidWake();
}

void StateMachine::applicationDidWake() {
    restartScanningAfterWake(false);
}

void StateMachine::systemDidWake() {
    restartScanningAfterWake(true);
}

void StateMachine::restartScanningAfterWake(bool slept) {
    later(0.1, [slept](StateMachine& self) {
        if (!self.services_.system->bluetoothLESupported()) return;
        self.setupKestruneAfterSystemWake();
        // "Outcome: " lines make the timeline of a scenario run; the start-up's first scan is no wake.
        if (slept)
            platform::logf(
                "Outcome: awake again: scanning for the phone restarts, the fail-safe connect "
                "timer set for %d s",
                kWakeFailSafeDelay);
    });
}

void StateMachine::setupKestruneAfterSystemWake() {
    services_.link->startIntenseScanning();
    startFailSafeTimerWithDelay(kWakeFailSafeDelay);
    if (periodicIgnoreListCleaner_)
        periodicIgnoreListCleaner_->startPeriodicTimerWithIntervalInSeconds(kIgnoreListCleaningInterval);
}

void StateMachine::bluetoothStateChanged() {
    if (!services_.system->macIsSleeping()) {
        if (services_.system->bluetoothIsOn() && services_.system->bluetoothLEIsOn()) {
            startFailSafeTimerWithDelay(16);
            startScanningIndicatorIfNeeded();
        } else {
            invalidateFailSafeTimer();
        }
    }
    didUpdateBluetoothState();
}

void StateMachine::didUpdateBluetoothState() {
    services_.tutorials->didUpdateBluetoothState();
    updateViewsForMobileTrackUpdate();
    if (services_.system->bluetoothState() == kCentralStateUnsupported) showBluetoothNotSupportedTutorial();
}

void StateMachine::startScanningIndicatorIfNeeded() {
    if (!trackedPhoneIsConnected()) services_.system->restartScanningIndicator();
}

void StateMachine::performTasksAfterStartupDelay() {
    services_.features->setShortCutManagerDelegate(
        std::static_pointer_cast<ShortCutManagerDelegate>(shared_from_this()));
    services_.features->updateShortcutsEnabled();
    services_.system->setupLoginItems();
    services_.system->startRemoteSync(this);
    services_.system->checkIfDeviceUnlinkedRemotely();
    services_.features->setShouldAutomaticallyCheckForUpdates(
        DeviceLocalSettings::shared().automaticallyUpdate());
    services_.features->checkForUpdates();
}

// The fail-safe connect timer

void StateMachine::startFailSafeTimerWithDelay(int seconds) {
    invalidateFailSafeTimer();
    std::weak_ptr<StateMachine> weak = weak_from_this();
    failSafeConnectTimer_ = platform::RunLoop::main().performAfterDelay(seconds, [weak] {
        if (auto self = weak.lock()) self->failSafeTimerTrigered();
    });
}

void StateMachine::invalidateFailSafeTimer() {
    if (failSafeConnectTimer_) failSafeConnectTimer_->invalidate();
    failSafeConnectTimer_.reset();
}

bool StateMachine::failSafeTimerIsRunning() const {
    return failSafeConnectTimer_ && failSafeConnectTimer_->isValid();
}

void StateMachine::failSafeTimerTrigered() {
    invalidateFailSafeTimer();
    cleanTheIgnoreListOfBadConnectionsIfNeeded();
}

void StateMachine::startFailsafeTimeAfterDelayIfNeeded() {
    if (!trackedPhoneIsConnected() && services_.system->bluetoothIsOn() &&
        services_.system->bluetoothLEIsOn())
        startFailSafeTimerWithDelay(16);
}

void StateMachine::cleanTheIgnoreListOfBadConnectionsIfNeeded() {
    if (!trackedPhoneIsConnected() && !DataManager::shared().pairingMobileDevice())
        services_.link->clearTheIgnoreListOfBadConnections();
}

void StateMachine::periodicNotifierControllerDidTrigger(PeriodicNotifierController&) {
    cleanTheIgnoreListOfBadConnectionsIfNeeded();
}

void StateMachine::updateDataModelBeforeStartingToScan() {
    auto& data = DataManager::shared();
    data.clearPairingDevice();
    auto phone = data.getTrackingMobileDevice();
    if (!phone) return;
    if (phone->mobileDeviceConnectionInfo())
        phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(false));
    auto settings = data.settingsForDeviceId(phone->unId());
    if (!settings) return;
    settings->updateMobileSettingsWithLocalSettings();
    if (settings->OSXSettings()) settings->OSXSettings()->setIsWaitingForConfirmation(platform::Number(0));
}

void StateMachine::laptopLidChangedOrExternalMonitorChanged() {
    const bool lidClosed = LaptopLidEvidenceSource::laptopLidIsClosed();
    const bool externalDisplay = MacDisplayControl::shared().hasExternalDisplay();
    const bool scan = !lidClosed && !externalDisplay;
    if (scan) {
        startScanningIndicatorIfNeeded();
        services_.link->startIntenseScanning();
    }
    const bool told = updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded();
    sayWhatTheLidDecided(lidClosed, externalDisplay, scan, told);
}

void StateMachine::sayWhatTheLidDecided(bool lidClosed, bool externalDisplay, bool scanned, bool told) {
    // "Decision: " lines make the timeline of a scenario run. The first reading (at start) is no change.
    // The Mac is shut when its lid is down with no external display to work on.
    const auto seen = std::exchange(lidAndDisplaySeen_, std::make_pair(lidClosed, externalDisplay));
    if (!seen || *seen == *lidAndDisplaySeen_) return;
    std::string what;
    if (seen->first != lidClosed)
        what = std::string(lidClosed ? "the lid was closed" : "the lid was opened") +
               (externalDisplay ? " with an external display" : " with no external display");
    else
        what = std::string(externalDisplay ? "an external display was plugged in"
                                           : "the external display was unplugged") +
               (lidClosed ? ", the lid closed" : ", the lid open");
    std::string act = scanned ? "scan for the phone at full speed" : "";
    if (told) {
        const bool down = MacDisplayControl::shared().laptopLidIsDownAndNoExternalMonitor();
        act += std::string(act.empty() ? "tell the phone" : " and tell the phone") +
               (down ? " the Mac is shut" : " the Mac is in use again");
    }
    if (act.empty()) act = "nothing to do";
    platform::logf("Decision: %s, %s", act.c_str(), what.c_str());
}

bool StateMachine::updateDeviceLidIsDownAndNoExtMonitorInfoIfNeeded() {
    auto device = DataManager::shared().getActiveDesktopDevice();
    if (!device || !device->sessionInfo()) return false;
    auto& session = *device->sessionInfo();
    bool lidDown = MacDisplayControl::shared().laptopLidIsDownAndNoExternalMonitor();
    const auto& stored = session.laptopLidIsDownAndNoExternalMonitor();
    if (stored && stored->boolValue() == lidDown) return false;
    session.setDeviceResponsibleForLastChange(platform::Number(2));
    session.setLaptopLidIsDownAndNoExternalMonitor(platform::Number(lidDown));
    services_.link->didUpdateSessionInforForCurrentDevice(device);
    return true;
}

void StateMachine::anyKestruneWindowWillClose() {
    later(0.2, [](StateMachine& self) { self.updateDockItem(); });
}

bool StateMachine::applicationDidRestartProgramaticallyInTheLastSeconds(int seconds) {
    auto last = DeviceLocalSettings::shared().lastProgramaticRestartDate();
    // A wall clock set back past the stored moment says nothing about a recent restart: long ago.
    if (last && last->timeIntervalSince1970() > platform::Date::now().timeIntervalSince1970()) return false;
    return secondsSinceDateSaturated32(last) < seconds;
}

// Stopping

void StateMachine::prepareForShutdown(bool immediately) {
    services_.link->disconnectFromAllDevicesImmediatelly(immediately);
    updateDataModelBeforeStartingToScan();
    services_.menuBar->closeMenuBarForced();
    services_.menuBar->removeIconFromMenuBar();
    DataManager::shared().saveCurrentDataModel();
    services_.system->stopTrackingSession();
}

void StateMachine::applicationWillTerminate() {
    prepareForShutdown(true);
}

void StateMachine::macWillShutDown() {
    applicationWillTerminate();
    if (services_.system->isDebugOrBetaTester()) services_.system->forceClearBluetoothCache();
}

void StateMachine::cleanUpAndQuitKestrune() {
    applicationInShutdownProcess_ = true;
    services_.features->insertEvent_forDate_trigger_takePhoto(kEventQuit, platform::Date::now(), 1, false);
    prepareForShutdown(true);
    later(kTerminateDelay, [](StateMachine& self) { self.services_.system->terminate(); });
}

void StateMachine::requestControllerDidExperienceFatalError() {
    auto relaunch = [this] {
        if (applicationDidRestartProgramaticallyInTheLastSeconds(kRestartWindowOnFatalError)) {
            platform::logf("Link failed again within %d s of a relaunch: not relaunching",
                           kRestartWindowOnFatalError);
            return;
        }
        DataManager::shared().saveCurrentDataModel();
        DeviceLocalSettings::shared().setLastProgramaticRestartDate(platform::Date::now());
        services_.system->relaunchAfterDelay(0.25);
    };
    if (platform::isMainThread())
        relaunch();
    else
        platform::RunLoop::main().postAndWait(relaunch);
}

// The views

bool StateMachine::mainWindowIsShown() {
    return services_.splitWindow && services_.splitWindow->isVisible();
}

void StateMachine::updateViewsForMobileTrackUpdate() {
    if (mainWindowIsShown()) {
        services_.tutorials->updateMacSleepScreenTutorialIfNeeded();
        services_.navigation->updateDevicesPage();
        services_.navigation->updateSetupPage();
    }
    services_.menuBar->updateViewForTrackingDevice();
    if (shieldManager_) shieldManager_->updateShieldWindowIfShown();
    updateStatuIcon();
}

void StateMachine::scanningUpdated() {
    if (mainWindowIsShown()) {
        services_.navigation->updateDevicesPage();
        services_.tutorials->refreshHomeView();
    }
    services_.menuBar->updateViewForTrackingDevice();
    if (shieldManager_) shieldManager_->updateShieldWindowIfShown();
}

void StateMachine::didReceiveUpdatesUpdate() {
    services_.menuBar->updateViewForTrackingDevice();
    services_.navigation->updateUpdatesPage();
}

void StateMachine::updateStatuIcon() {
    services_.menuBar->updateStatusBarIcon();
}

void StateMachine::updateDockItem() {
    services_.system->showDockIcon(shouldShowDockItem());
}

// Reopening the application, and the Dock icon's menu.

void StateMachine::dockItemToggled() {
    showMainWindow();
    updateViewsForMobileTrackUpdate();
}
void StateMachine::showMainMenu() {
    services_.menuBar->openMenuBarForDuration(1.5);
}

// Locking from the Mac, hot keys, failed logins, the lock after a lost connection, updates

void StateMachine::userDidSelectLockMac() {
    // The key or menu is released before the screen locks.
    later(0.25, [](StateMachine& self) { self.logoutTrackingDeviceForCommadReason(4); });
}

void StateMachine::shortCutManager_didSelectOption(int64_t option) {
    if (option == ShortCutManagerDelegate::kLockMac)
        userDidSelectLockMac();
    else if (option == ShortCutManagerDelegate::kSendClipboard)
        sendClipboardToIos();
}

void StateMachine::failedloginAttemptListenerDidDetectFailedLogin() {
    auto& settings = DeviceLocalSettings::shared();
    services_.features->createAndSaveFailedLoginEventTakePhoto(settings.takePhotoOnFailedLogin());
    settings.setNewFaileLoginAttemptDetected(true);
    // Pushed when the phone is out of reach: a stranger at the Mac is news wherever the phone is.
    if (settings.warnUserOnLoginFailed()) sendRemoteNotificationForFailedLoginAttempt();
    loginFailed();
}

void StateMachine::logoutOnDisconnectManagerShouldLogout(LogoutOnDIsconnectManager&) {
    logoutOnDisconnectManagerShouldLogout();
}

void StateMachine::logoutOnDisconnectManagerShouldLogout() {
    auto device = DataManager::shared().getActiveDesktopDevice();
    bool loggedIn = device && device->userStatedAsLoggedIn();
    if (services_.features->isConectedToSafeWifi() || !loggedIn) return;
    platform::logf("Decision: lock, the phone's link has been lost for %.0f s (lost connection)",
                   LogoutOnDIsconnectManager::kDelaySeconds);
    logoutTrackingDeviceForCommadReason(3);
}

void StateMachine::remoteSyncMac_didUnlinkFromDevice(RemoteSyncMac&,
                                                     const std::shared_ptr<MobileDevice>& phone) {
    // The phone unlinked this Mac while it was away: forget it now.
    updateConnectionStatus_forDevice_andNotifyDevice(PairingInfo::kConnectionStatusUpdateUnlinkedByPhone,
                                                     phone, false);
}

void StateMachine::securitAgentDidChange(SecurityAgentListener& listener) {
    securitAgentDidChange(listener.securityAgentIsActive());
}

void StateMachine::kestruneDidChange(SecurityAgentListener& listener) {
    kestruneDidChange(listener.kestruneIsActive());
}

void StateMachine::systemPreferancesDidChange(SecurityAgentListener& listener) {
    systemPreferancesDidChange(listener.systemPreferancesIsActive());
}

void StateMachine::failedloginAttemptListenerDidDetectFailedLogin(FailedLoginAttemptListener&) {
    failedloginAttemptListenerDidDetectFailedLogin();
}

void StateMachine::securitAgentDidChange(bool securityAgentIsActive) {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    auto settings = phone ? DataManager::shared().settingsForDeviceId(phone->unId()) : nullptr;
    if (!settings || !settings->OSXSettings() ||
        intValueOf(settings->OSXSettings()->installAuthMethod()) <= 0)
        return;
    // The phone approves the dialog; its answer comes back as an authorisation confirmation.
    if (securityAgentIsActive)
        services_.link->confirmLoginForMobileDevice_forReason(phone, kAuthReason);
    else
        services_.link->cancelLoginConfirmationForMobileDevice_forReason(phone, kAuthReason);
}

void StateMachine::kestruneDidChange(bool kestruneIsActive) {
    if (kestruneIsActive) services_.tutorials->kestruneBroughtToFront();
}

void StateMachine::systemPreferancesDidChange(bool systemPreferancesIsActive) {
    if (systemPreferancesIsActive) return;
    // The user left the system preferences: what they show is read again, off the main thread.
    std::weak_ptr<StateMachine> weak = weak_from_this();
    runInBackgroundAsync([weak] {
        SystemPreferences::forceUpdateCachedValues();
        runOnMainQueueAsync([weak] {
            auto self = weak.lock();
            if (!self) return;
            self->services_.navigation->updateDevicesPage();
            // "Outcome: " lines make the timeline of a scenario run.
            platform::logf("Outcome: the system settings were left: the devices page reads them again");
        });
    });
}

void StateMachine::warnUserAboutNewSoftwareUpdateIfNeccesary() {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    platform::RunLoop::main().post([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->didReceiveUpdatesUpdate();
        self->updateStatuIcon();
        auto& features = *self->services_.features;
        // One warning per call, the phone's first.
        if (features.shouldWarnUserAboutNewIosUpdate()) {
            self->services_.menuBar->iosVersionNotUpToDateForMobileDevice(
                DataManager::shared().getTrackingMobileDevice());
            features.didWarnUserAboutiOSUpdate();
        } else if (features.shouldWarnUserAboutNewKestruneVersionForMacOSX()) {
            self->services_.menuBar->osXVersionNotUpToDate();
            features.checkForUpdatesInBackground();
            features.didWarnUserAboutOSXUpdate();
        }
    });
}

}  // namespace kestrune
