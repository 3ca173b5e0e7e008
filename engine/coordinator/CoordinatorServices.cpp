#include "engine/coordinator/CoordinatorServices.h"

#include <cstdarg>
#include <cstdio>

#include "app/remote/RemoteSyncMac.h"
#include "app/remote/TrackUser.h"
#include "app/shell/ApplicationRelaunch.h"
#include "app/shell/DebugConfig.h"
#include "app/shell/DockIconManager.h"
#include "app/shell/SoundManager.h"
#include "app/store/MigrationManager.h"
#include "engine/coordinator/EngineLinkServices.h"
#include "engine/deciders/SafeWifiUnlockPolicy.h"
#include "engine/evidence/LaptopLidEvidenceSource.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/SleepDurationTracker.h"
#include "engine/session/AuthorizationManager.h"
#include "engine/session/LoginItemsManager.h"
#include "engine/session/LoginLogoutController.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "engine/session/SystemPreferences.h"
#include "link/requests/RequestController.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ClearBluetoothCacheController.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "link/transport/RecoveryManager.h"
#include "link/transport/ScanningIndicator.h"
#include "link/transport/SilentPushNotificationManager.h"
#include "platform/base/Log.h"
#include "platform/system/Application.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace {

// What a neighbour that is not part of this build would have done, said as a request, never as done.
void notBuiltYet(const char* format, ...) __attribute__((format(printf, 1, 2)));
void notBuiltYet(const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    platform::logf("not built yet: %s", text);
}

const char* eventName(uint32_t event) {
    switch (event) {
        case 1:
            return "application started";
        case 2:
            return "unlocked";
        case 3:
            return "locked";
        case 4:
            return "quit";
        default:
            return "unknown event";
    }
}

}  // namespace

// Features ------------------------------------------------------------------------------------------------

void FeatureServices::insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date, uint32_t trigger,
                                                            bool takePhoto) {
    notBuiltYet("history entry requested (%s, trigger %u%s)", eventName(event), trigger,
                takePhoto ? ", with a photo" : "");
}
void FeatureServices::applicationOpenedEntry() {
    notBuiltYet("tracker-file line requested (application started)");
}
void FeatureServices::insertUnlockedEntry() {
    notBuiltYet("tracker-file line requested (Mac unlocked)");
}
void FeatureServices::insertLockedEntry() {
    notBuiltYet("tracker-file line requested (Mac locked)");
}
void FeatureServices::updateShortcutsEnabled() {
    notBuiltYet("hot keys requested");
}
void FeatureServices::setShortCutManagerDelegate(std::weak_ptr<ShortCutManagerDelegate>) {}
void FeatureServices::setShouldAutomaticallyCheckForUpdates(bool automatically) {
    notBuiltYet("automatic update checks %s requested", automatically ? "on" : "off");
}
void FeatureServices::checkForUpdates() {
    notBuiltYet("check for a newer version requested");
}
void FeatureServices::verifyIfUpdatesAvalable() {}
void FeatureServices::checkForUpdatesInBackground() {
    notBuiltYet("background update check requested");
}
void FeatureServices::checkForUpdatesByUser() {
    notBuiltYet("check for updates requested");
}
bool FeatureServices::shouldWarnUserAboutNewIosUpdate() {
    return false;
}
void FeatureServices::didWarnUserAboutiOSUpdate() {}
bool FeatureServices::shouldWarnUserAboutNewKestruneVersionForMacOSX() {
    return false;
}
void FeatureServices::didWarnUserAboutOSXUpdate() {}
void FeatureServices::createAndSaveFailedLoginEventTakePhoto(bool takePhoto) {
    notBuiltYet("failed-login entry requested%s", takePhoto ? " with a photo" : "");
}
void FeatureServices::createAndSaveManualSnapshotWithCompletion(std::function<void()>) {
    notBuiltYet("manual photo requested");
}
bool FeatureServices::isConectedToSafeWifi() {
    return false;
}
bool FeatureServices::shouldUnlockForSafeWifi() {
    return SafeWifiUnlockPolicy::current();
}
bool FeatureServices::safeWifiTurnedOn() {
    return false;
}
void FeatureServices::setSafeWifiTurnedOn(bool on) {
    notBuiltYet("Wi-Fi unlock %s requested", on ? "on" : "off");
}
void FeatureServices::playIfPreviouslyStopped() {}
void FeatureServices::pauseMusic() {}
bool FeatureServices::pasteToClipboard(const std::string& text) {
    notBuiltYet("copy of %zu bytes to the Mac clipboard requested", text.size());
    return false;
}
void FeatureServices::filterClipboardWithCompletion(std::function<void(const std::string&)>) {
    notBuiltYet("sending the Mac clipboard to the phone requested");
}
void FeatureServices::showActivityController() {
    notBuiltYet("activity chart window requested");
}
void FeatureServices::updateLanguageIfNeeded_didUpdateCallback(const std::string&, std::function<void()>) {}
void FeatureServices::didUnlockUsingKestrune() {
    notBuiltYet("notification requested (unlocked with the phone)");
}
void FeatureServices::didUnlockUsingWiFiUnlock() {
    notBuiltYet("notification requested (unlocked on a trusted Wi-Fi network)");
}
void FeatureServices::showFailedToLoginDetected() {
    notBuiltYet("notification requested (failed login attempt)");
}
void FeatureServices::didCopyToMacClipboard(bool copied) {
    notBuiltYet("notification requested (%s the Mac clipboard)", copied ? "copied to" : "could not copy to");
}
void FeatureServices::didCopyToIosClipboard(bool copied) {
    notBuiltYet("notification requested (%s the phone's clipboard)",
                copied ? "copied to" : "could not copy to");
}
void FeatureServices::showDidConnectNotificationWithText(const std::string& text) {
    notBuiltYet("notification requested (%s)", text.c_str());
}
void FeatureServices::showPersistantNativeNotificationWithText(const std::string& text) {
    notBuiltYet("notification requested (%s)", text.c_str());
}

// The menu-bar panel: refreshes of views that do not exist yet do nothing; what the user would see is
// said as requested.

void MenuBarPanel::setMainActionDelegate(std::weak_ptr<NavigationDelegate>) {}
void MenuBarPanel::updateViewForTrackingDevice() {}
void MenuBarPanel::updateStatusBarIcon() {}
void MenuBarPanel::openMenuBar() {
    notBuiltYet("menu-bar panel requested");
}
void MenuBarPanel::openMenuBarForDuration(double seconds) {
    notBuiltYet("menu-bar panel requested for %.1f s", seconds);
}
void MenuBarPanel::closeMenuBar() {}
void MenuBarPanel::closeMenuBarForced() {}
void MenuBarPanel::removeIconFromMenuBar() {
    notBuiltYet("status item removal requested");
}
void MenuBarPanel::showClearBluetoothCache() {
    notBuiltYet("panel notice requested (corrupted Bluetooth cache)");
}
void MenuBarPanel::showUnableToLockMac() {
    notBuiltYet("panel notice requested (the Mac could not be locked)");
}
void MenuBarPanel::showUnableToUnlockMac() {
    notBuiltYet("panel notice requested (the Mac could not be unlocked)");
}
void MenuBarPanel::showKestruneTemporaryDisabled() {
    notBuiltYet("panel notice requested (proximity locking paused)");
}
void MenuBarPanel::didUnlinkFromMobileDevice(const std::shared_ptr<MobileDevice>&) {
    notBuiltYet("panel notice requested (the phone unlinked this Mac)");
}
void MenuBarPanel::iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>&) {
    notBuiltYet("panel notice requested (a newer phone application)");
}
void MenuBarPanel::osXVersionNotUpToDate() {
    notBuiltYet("panel notice requested (a newer Mac application)");
}

// The settings window's navigation and pages. A row selection that cannot show its page still finishes,
// so that what the coordinator does after it (bringing the window forward) happens.

void SettingsNavigation::initWithDelegate(std::weak_ptr<NavigationDelegate>) {}
void SettingsNavigation::setup(const std::shared_ptr<platform::ui::Window>&) {}
void SettingsNavigation::setFooterText(const std::string&) {}
void SettingsNavigation::setInitialListViewModelFromFactory() {}
void SettingsNavigation::selectRowId_completion(const std::string& row, std::function<void()> completion) {
    notBuiltYet("settings page %s requested", row.c_str());
    if (completion) completion();
}
void SettingsNavigation::showDetailList_title_source_popToRoot(const ScreenController& list,
                                                               const std::string&, int64_t source,
                                                               bool popToRoot) {
    if (list)
        notBuiltYet("detail page requested (source %lld%s)", static_cast<long long>(source),
                    popToRoot ? ", from the root" : "");
}
void SettingsNavigation::showDetailController_title_source_popToRoot(const ScreenController& controller,
                                                                     const std::string&, int64_t source,
                                                                     bool popToRoot) {
    if (controller)
        notBuiltYet("detail screen requested (source %lld%s)", static_cast<long long>(source),
                    popToRoot ? ", from the root" : "");
}
void SettingsNavigation::pushDetailController(const ScreenController& controller) {
    if (controller) notBuiltYet("detail screen push requested");
}
void SettingsNavigation::pushDetailList(const ScreenController& list) {
    if (list) notBuiltYet("detail page push requested");
}
void SettingsNavigation::popViewModelAnimated(bool) {}
void SettingsNavigation::popToRootAnimated(bool) {}
void SettingsNavigation::pop() {}
void SettingsNavigation::updateDevicesPage() {}
void SettingsNavigation::updateSetupPage() {}
void SettingsNavigation::updateUpdatesPage() {}
void SettingsNavigation::showLockUnlockHistory() {
    notBuiltYet("lock/unlock history window requested");
}
void SettingsNavigation::showFailedLoginWindowWithEntry(const std::shared_ptr<platform::Object>& entry) {
    notBuiltYet("failed-login photos window requested%s", entry ? " (an entry selected)" : "");
}
void SettingsNavigation::showManualSnapshotsWindowWithEntry(const std::shared_ptr<platform::Object>& entry) {
    notBuiltYet("manual photos window requested%s", entry ? " (an entry selected)" : "");
}
void SettingsNavigation::showLoginEntriesWithSelectedEntry(const std::shared_ptr<platform::Object>& entry) {
    notBuiltYet("login photos window requested%s", entry ? " (an entry selected)" : "");
}
ScreenController SettingsNavigation::translationPage() {
    notBuiltYet("translation page requested");
    return nullptr;
}

// The tutorial factory: every screen it would make is requested, none is made; a screen that does not
// exist hears nothing.

ScreenController TutorialScreens::initialTutorial(std::weak_ptr<WizzardViewControllerDelegate>) {
    notBuiltYet("pairing wizard requested");
    return nullptr;
}
ScreenController TutorialScreens::proximityUnlockTutorial(std::weak_ptr<WizzardViewControllerDelegate>) {
    notBuiltYet("proximity tutorial requested");
    return nullptr;
}
ScreenController TutorialScreens::macSleepScreenTutorial(
    std::weak_ptr<MacSleepScreenViewControllerDelegate>) {
    notBuiltYet("wake-unlock tutorial requested");
    return nullptr;
}
ScreenController TutorialScreens::wifiWizzard(std::weak_ptr<SafeWifiWizzardDelegate>) {
    notBuiltYet("trusted Wi-Fi wizard requested");
    return nullptr;
}
ScreenController TutorialScreens::clipboardTutorial(std::weak_ptr<ClipboardInfoViewControllerDelegate>) {
    notBuiltYet("clipboard how-to requested");
    return nullptr;
}
ScreenController TutorialScreens::clearCacheTutorial(std::weak_ptr<ClearCacheControllerDelegate>) {
    notBuiltYet("clear-Bluetooth-cache wizard requested");
    return nullptr;
}
ScreenController TutorialScreens::helpTutorial(std::weak_ptr<HelpDelegate>) {
    notBuiltYet("help pages requested");
    return nullptr;
}
ScreenController TutorialScreens::initialConnectionTroubleShoot(std::weak_ptr<HelpDelegate>) {
    notBuiltYet("first-connection troubleshooting requested");
    return nullptr;
}
ScreenController TutorialScreens::systemPreferenceTutorialwithCompletion(std::function<void()>) {
    notBuiltYet("security-settings page requested");
    return nullptr;
}
ScreenController TutorialScreens::accessilityPreferenceTutorialwithCompletion(std::function<void()>) {
    notBuiltYet("accessibility page requested");
    return nullptr;
}
void TutorialScreens::start(const ScreenController&) {}
bool TutorialScreens::isVisible(const ScreenController&) {
    return false;
}
void TutorialScreens::setViewVisibilityHandler(const ScreenController&, std::function<void(bool)>) {}
bool TutorialScreens::helpTutorialIsVisible() {
    return false;
}
bool TutorialScreens::macSleepScreenWizardIsVisible() {
    return false;
}
void TutorialScreens::setCacheMessage(std::optional<int32_t>) {}
void TutorialScreens::updateViewForBLEUpdate() {}
void TutorialScreens::updatePageForCurrentState() {}
void TutorialScreens::kestruneBroughtToFront() {}
void TutorialScreens::refreshHomeView() {}
void TutorialScreens::didSuccessfullyPair_withMobileDevice(bool, const std::shared_ptr<MobileDevice>&) {}
void TutorialScreens::didLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void TutorialScreens::showBluetoothNotSupported() {
    notBuiltYet("page requested (this Mac has no Bluetooth LE)");
}
void TutorialScreens::updatePairingWizzard() {}
void TutorialScreens::updateTutorialStateAfterConnectionUpdate() {}
void TutorialScreens::updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void TutorialScreens::userDidLoginWithKestruneRSSI() {}
void TutorialScreens::userDidLogoutWithKestruneRSSI() {}
void TutorialScreens::endAndCleanupTutorial() {}
void TutorialScreens::showKestruneTutorial() {}
void TutorialScreens::updateMacSleepScreenTutorialIfNeeded() {}
void TutorialScreens::didSyncWithMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void TutorialScreens::didUpdateBluetoothState() {}
void TutorialScreens::lostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void TutorialScreens::didUnlockMacWithUserConfirmation() {}
void TutorialScreens::windowControllerWillClose(KSWindowController&) {}

// The screen factory.

namespace {
ScreenController screenRequested(const char* what) {
    notBuiltYet("information screen requested (%s)", what);
    return nullptr;
}
}  // namespace

ScreenController InformationScreens::authOptionsVC() {
    return screenRequested("authorisation requests");
}
ScreenController InformationScreens::macOSXNotiicationsVC() {
    return screenRequested("notifications");
}
ScreenController InformationScreens::siriTutorialVCAction(Action) {
    return screenRequested("Siri");
}
ScreenController InformationScreens::setupSiriTutorialVCAction(Action) {
    return screenRequested("setting up Siri");
}
ScreenController InformationScreens::touchIdTutorialVCAction(Action) {
    return screenRequested("Touch ID confirmation");
}
ScreenController InformationScreens::showYesNoTutorialVCAction(Action) {
    return screenRequested("yes/no confirmation");
}
ScreenController InformationScreens::showKnockKnockTutorialVCAction(Action) {
    return screenRequested("knock confirmation");
}
ScreenController InformationScreens::macSleepScreenOverlayVC() {
    return screenRequested("lock-screen overlay");
}
ScreenController InformationScreens::openSpaceInfoVC() {
    return screenRequested("open space mode");
}
ScreenController InformationScreens::manualPhotosVCWithCompletion(Action) {
    return screenRequested("manual photos");
}
ScreenController InformationScreens::distanceEstimationVC() {
    return screenRequested("distance estimation");
}
ScreenController InformationScreens::proximityLockDisabledBecauseWifiVC() {
    return screenRequested("proximity locking paused on trusted Wi-Fi");
}
ScreenController InformationScreens::proximityLockDisabledManualLoginVC() {
    return screenRequested("proximity locking paused after a manual login");
}
ScreenController InformationScreens::updateKestruneOnYourPhoneDone(Action) {
    return screenRequested("update the phone application");
}
ScreenController InformationScreens::updateMacVersion_check_next(const std::string&, Action, Action) {
    return screenRequested("update the Mac application");
}
ScreenController InformationScreens::closeMainWindowTutorial(Action) {
    return screenRequested("closing the settings window");
}
ScreenController InformationScreens::rateOnAppStore(Action) {
    return screenRequested("rating");
}
ScreenController InformationScreens::confirmProximityUnlockTutorial(Action) {
    return screenRequested("confirming the proximity unlock");
}

// The machine ---------------------------------------------------------------------------------------------

bool CoordinatorSystem::bluetoothLESupported() {
    return Bluetooth::bluetoothLESupported();
}
bool CoordinatorSystem::bluetoothIsOn() {
    return Bluetooth::bluetoothIsOn();
}
bool CoordinatorSystem::bluetoothLEIsOn() {
    return BluetoothLE::shared().bluetoothLEIsOn();
}
int32_t CoordinatorSystem::bluetoothState() {
    return BluetoothLE::shared().bluetoothState();
}
bool CoordinatorSystem::macIsSleeping() {
    return MacDisplayControl::shared().macIsSleeping();
}
bool CoordinatorSystem::scanningIndicatorIsActive() {
    return ScanningIndicator::shared().timerIsActive();
}
double CoordinatorSystem::secondsSinceLastWakeNotification() {
    return SleepDurationTracker::shared().secondsSinceLastWakeNotification();
}
int64_t CoordinatorSystem::bluetoothCacheFileSize() {
    return CommandLineBluetoothCache::bluetoothCacheFileSize();
}
void CoordinatorSystem::performCheckAndCacheBluetoothLESupportedInBackground() {
    Bluetooth::performCheckAndCacheBluetoothLESupportedInBackground();
}
void CoordinatorSystem::restartScanningIndicator() {
    ScanningIndicator::shared().restartTimer();
}
bool CoordinatorSystem::shouldNotifyUserAboutCorruptedBluetoothCache() {
    return ClearBluetoothCacheController::shared().shouldNotifyUserAboutCorruptedBluetoothCache();
}
void CoordinatorSystem::migrateIfNeeded() {
    MigrationManager().migrateIfNeeded();
}
void CoordinatorSystem::updateModelForVersionUpdateIfNeeded() {
    VersionModelUpdate().updateModelForVersionUpdateIfNeeded();
}
void CoordinatorSystem::startSilentPushNotificationManager() {
    SilentPushNotificationManager::shared();
}
void CoordinatorSystem::startTrackingSession() {
    MacDisplayControl::shared().startTrackingDisplayChanges();
    LaptopLidEvidenceSource::shared().startTrackingLaptopLidChanges();
}
void CoordinatorSystem::stopTrackingSession() {
    LoginItemsManager::shared().stopTrackingLoginItems();
    MacDisplayControl::shared().stopTrackingDisplayChanges();
    LaptopLidEvidenceSource::shared().stopTrackingLaptopLidChanges();
}
void CoordinatorSystem::setupLoginItems() {
    LoginItemsManager::shared().setup();
}
void CoordinatorSystem::startRemoteSync(RemoteSyncMacDelegate* delegate) {
    // One keeper for the whole run: the unlink checks and the connection's bookkeeping all reach it, and
    // its one-write-cycle-at-a-time guard only holds for checks made through the same keeper.
    if (remoteSync_) return;
    remoteSync_ = RemoteSyncMac::create();
    remoteSync_->delegate = delegate;
}
void CoordinatorSystem::checkIfDeviceUnlinkedRemotely() {
    if (remoteSync_) remoteSync_->checkIfDeviceUnlinkedRemotely();
}
void CoordinatorSystem::updateCurrentRemoteStateIfNeeded() {
    // Before the record keeper exists (the first seconds after start-up) there is nothing to update.
    if (remoteSync_) remoteSync_->updateCurrentRemoteStateIfNeeded();
}
void CoordinatorSystem::trackEventType_eventName(const std::string& type, const std::string& name) {
    TrackUser::trackEventType_eventName(type, name);
}
void CoordinatorSystem::playDingSound() {
    SoundManager::playDingSound();
}
void CoordinatorSystem::playFoundNewDeviceSound() {
    SoundManager::playFoundNewDeviceSound();
}
bool CoordinatorSystem::isDebugOrBetaTester() {
    return DebugConfig::isDebugOrBetaTester();
}
void CoordinatorSystem::forceClearBluetoothCache() {
    KestruneCommandHelper::forceClearBluetoothCache();
}
void CoordinatorSystem::relaunchAfterDelay(double seconds) {
    kestrune::relaunchAfterDelay(static_cast<float>(seconds));
}
void CoordinatorSystem::terminate() {
    platform::Application::shared().terminate();
}

void CoordinatorSystem::trackErrorType(const std::string& type) {
    TrackUser::trackErrorType(type);
}
void CoordinatorSystem::sendSilentNotificationIfNeeded() {
    SilentPushNotificationManager::shared().sendSilentNotificationIfNeeded();
}
void CoordinatorSystem::startRecoveryMode() {
    RecoveryManager::shared().startRecoveryMode();
}
void CoordinatorSystem::stopRecoveryMode() {
    RecoveryManager::shared().stopRecoveryMode();
}
void CoordinatorSystem::turnBluetoothOnWithCompletion(std::function<void()> completion) {
    Bluetooth::turnBluetoothOnWithCompletion(std::move(completion));
}
void CoordinatorSystem::deleteBluetoothPlistCacheFileWithCompletion(std::function<void(bool)> completion) {
    CommandLineBluetoothCache::deleteBluetoothPlistCacheFileWithCompletion(std::move(completion));
}
void CoordinatorSystem::authorizeWithMessage_completion(const std::string& message,
                                                        std::function<void(bool)> completion) {
    AuthorizationManager::authorizeWithMessage_completion(message, std::move(completion));
}
void CoordinatorSystem::toggleLaunchAtStartupWithCompletion(std::function<void()> completion) {
    LoginItemsManager::shared().toggleLaunchAtStartupWithCompletion([completion](bool) {
        if (completion) completion();
    });
}
void CoordinatorSystem::userUpdatedScreensaverPreconditions() {
    ScreensaverPreconditions::shared().userUpdatedScreensaverPreconditions();
}
bool CoordinatorSystem::preconditionsToLockMacOnScreensaverAreSet() {
    return SystemPreferences::preconditionsToLockMacOnScreensaverAreSet();
}
void CoordinatorSystem::showDockIcon(bool show) {
    DockIconManager::showDockIcon(show);
}
void CoordinatorSystem::setDockIconBouncing(bool bouncing) {
    DockIconManager::setDockIconBouncing(bouncing);
}

void CoordinatorServices::fillDefaults() {
    if (!features) features = std::make_shared<FeatureServices>();
    if (!menuBar) menuBar = std::make_shared<MenuBarPanel>();
    if (!navigation) navigation = std::make_shared<SettingsNavigation>();
    if (!tutorials) tutorials = std::make_shared<TutorialScreens>();
    if (!screens) screens = std::make_shared<InformationScreens>();
    // The settings window's frame, which is also its smallest size.
    if (!splitWindow)
        splitWindow = platform::ui::Window::create(
            {200, 200, 1095, 575}, platform::ui::kWindowStyleTitled | platform::ui::kWindowStyleClosable |
                                       platform::ui::kWindowStyleMiniaturizable |
                                       platform::ui::kWindowStyleResizable);
    if (!makeRequestController) makeRequestController = [] { return RequestController::init(); };
    if (!makeLoginLogoutController) makeLoginLogoutController = [] { return LoginLogoutController::init(); };
    if (!system) system = std::make_shared<CoordinatorSystem>();
}

}  // namespace kestrune
