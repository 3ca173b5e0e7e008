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
#include "engine/session/LoginItemsManager.h"
#include "engine/session/LoginLogoutController.h"
#include "link/requests/RequestController.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ClearBluetoothCacheController.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "link/transport/ScanningIndicator.h"
#include "link/transport/SilentPushNotificationManager.h"
#include "platform/base/Log.h"
#include "platform/system/Application.h"

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
void FeatureServices::playIfPreviouslyStopped() {}
void FeatureServices::pauseMusic() {}
bool FeatureServices::pasteToClipboard(const std::string& text) {
    notBuiltYet("copy of %zu bytes to the Mac clipboard requested", text.size());
    return false;
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

void MenuBarPanel::updateViewForTrackingDevice() {}
void MenuBarPanel::updateStatusBarIcon() {}
void MenuBarPanel::closeMenuBar() {}
void MenuBarPanel::closeMenuBarForced() {}
void MenuBarPanel::removeIconFromMenuBar() {
    notBuiltYet("status item removal requested");
}
void MenuBarPanel::openMenuBarForDuration(double seconds) {
    notBuiltYet("menu-bar panel requested for %.1f s", seconds);
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
void MenuBarPanel::iosVersionNotUpToDateForMobileDevice(const std::shared_ptr<MobileDevice>&) {
    notBuiltYet("panel notice requested (a newer phone application)");
}
void MenuBarPanel::osXVersionNotUpToDate() {
    notBuiltYet("panel notice requested (a newer Mac application)");
}
void MenuBarPanel::updateDevicesPage() {}
void MenuBarPanel::updateSetupPage() {}
void MenuBarPanel::updateUpdatesPage() {}

// Windows -------------------------------------------------------------------------------------------------

void WindowServices::setupSettingsSplitView() {}
void WindowServices::updateSettingsSplitView() {}
void WindowServices::showMainWindow() {
    notBuiltYet("settings window requested");
}
bool WindowServices::mainWindowIsVisible() {
    return false;
}
void WindowServices::selectRowId(const std::string& row) {
    notBuiltYet("settings page %s requested", row.c_str());
}
void WindowServices::showDockIcon(bool show) {
    DockIconManager::showDockIcon(show);
}
void WindowServices::setDockIconBouncing(bool bouncing) {
    DockIconManager::setDockIconBouncing(bouncing);
}
void WindowServices::showBluetoothNotSupportedTutorial() {
    notBuiltYet("page requested (this Mac has no Bluetooth LE)");
}
void WindowServices::showProximityLockTutorial() {
    notBuiltYet("proximity-lock tutorial requested");
}
void WindowServices::showUpdateKestruneOnYourMac() {
    notBuiltYet("page requested (update the Mac application)");
}
void WindowServices::showUpdateKestruneOnYourPhone() {
    notBuiltYet("page requested (update the phone application)");
}
void WindowServices::showAddNewDeviceViewOpen_withCompletion(bool open, std::function<void()>) {
    notBuiltYet(open ? "new-phone window requested (a phone asks to pair)"
                     : "pairing wizard requested to wait for a phone");
}
void WindowServices::tutorialsDidUpdateBluetoothState() {}
void WindowServices::updateMacSleepScreenTutorialIfNeeded() {}
void WindowServices::refreshWizardHomeView() {}
void WindowServices::wizardDidSuccessfullyPair(bool, const std::shared_ptr<MobileDevice>&) {}
void WindowServices::wizardDidLooseConnectionWithMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void WindowServices::tutorialsDidSyncWithMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void WindowServices::tutorialsLostConnectionToMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void WindowServices::updateTutorialStateAfterConnectionUpdate() {}
void WindowServices::updateTutorialStateForMobileDevice(const std::shared_ptr<MobileDevice>&) {}
void WindowServices::userDidLoginWithKestruneRSSI() {}
void WindowServices::userDidLogoutWithKestruneRSSI() {}
void WindowServices::didUnlockMacWithUserConfirmation() {}
bool WindowServices::helpTutorialIsVisible() {
    return false;
}
void WindowServices::popViewModelAnimated(bool) {}
bool WindowServices::macSleepScreenWizardIsVisible() {
    return false;
}
void WindowServices::safeWifiWizardUpdatePageForCurrentState() {}
void WindowServices::permissionScreensKestruneBroughtToFront() {}
void WindowServices::updateShieldWindowIfShown() {}
void WindowServices::animateEffect(int32_t effect) {
    notBuiltYet("shield effect %d requested", effect);
}

// User actions --------------------------------------------------------------------------------------------

void UserActionServices::sendClipboardToIos() {
    notBuiltYet("sending the Mac clipboard to the phone requested");
}
void UserActionServices::userDidToggleCheckForUpdates() {
    notBuiltYet("check for updates requested");
}
void UserActionServices::didUnlindFromIphone() {
    notBuiltYet("panel notice requested (the phone unlinked this Mac)");
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
void CoordinatorSystem::checkIfDeviceUnlinkedRemotely(RemoteSyncMacDelegate* delegate) {
    // Kept from here on: the connection's bookkeeping reaches the same record keeper.
    remoteSync_ = RemoteSyncMac::create();
    remoteSync_->delegate = delegate;
    remoteSync_->checkIfDeviceUnlinkedRemotely();
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

void CoordinatorServices::fillDefaults() {
    if (!features) features = std::make_shared<FeatureServices>();
    if (!menuBar) menuBar = std::make_shared<MenuBarPanel>();
    if (!windows) windows = std::make_shared<WindowServices>();
    if (!actions) actions = std::make_shared<UserActionServices>();
    if (!makeRequestController) makeRequestController = [] { return RequestController::init(); };
    if (!makeLoginLogoutController) makeLoginLogoutController = [] { return LoginLogoutController::init(); };
    if (!system) system = std::make_shared<CoordinatorSystem>();
}

}  // namespace kestrune
