#include "engine/CoordinatorServices.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/remote/RemoteSyncMac.h"
#include "app/shell/ApplicationRelaunch.h"
#include "app/shell/DebugConfig.h"
#include "app/store/MigrationManager.h"
#include "engine/LaptopLidEvidenceSource.h"
#include "engine/LoginItemsManager.h"
#include "engine/MacDisplayControl.h"
#include "link/Bluetooth.h"
#include "link/BluetoothLE.h"
#include "link/CommandLineBluetoothCache.h"
#include "link/RequestController.h"
#include "link/ScanningIndicator.h"
#include "platform/base/Log.h"
#include "platform/system/Application.h"

namespace kestrune {

void FeatureServices::insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date,
                                                            uint32_t trigger, bool takePhoto) {
    platform::logf("History: event %u at %.0f, trigger %u%s", event, date.timeIntervalSince1970(), trigger,
                   takePhoto ? ", with photo" : "");
}
void FeatureServices::applicationOpenedEntry() {
    platform::logf("Tracker file: application started");
}
void FeatureServices::updateShortcutsEnabled() {
    platform::logf("Hot keys: updated from the settings");
}
void FeatureServices::setShouldAutomaticallyCheckForUpdates(bool automatically) {
    platform::logf("Updates: automatic checks %s", automatically ? "on" : "off");
}
void FeatureServices::checkForUpdates() {
    platform::logf("Updates: checking for a newer version");
}

void FeatureServices::createAndSaveFailedLoginEventTakePhoto(bool takePhoto) {
    platform::logf("History: failed login%s", takePhoto ? ", with photo" : "");
}
bool FeatureServices::isConectedToSafeWifi() {
    return false;
}

void MenuBarPanel::openMenuBarForDuration(double seconds) {
    platform::logf("Menu bar: panel open for %.1f s", seconds);
}
void MenuBarPanel::updateViewForTrackingDevice() {}
void MenuBarPanel::updateStatusBarIcon() {}
void MenuBarPanel::closeMenuBarForced() {
    platform::logf("Menu bar: panel closed");
}
void MenuBarPanel::removeIconFromMenuBar() {
    platform::logf("Menu bar: icon removed");
}
void MenuBarPanel::updateDevicesPage() {}
void MenuBarPanel::updateSetupPage() {}
void MenuBarPanel::updateUpdatesPage() {}

void WindowServices::setupSettingsSplitView() {}
void WindowServices::showMainWindow() {
    platform::logf("Windows: settings window shown");
}
bool WindowServices::mainWindowIsVisible() {
    return false;
}
void WindowServices::showBluetoothNotSupportedTutorial() {
    platform::logf("Windows: this Mac has no Bluetooth LE");
}
void WindowServices::tutorialsDidUpdateBluetoothState() {}
void WindowServices::updateMacSleepScreenTutorialIfNeeded() {}
void WindowServices::refreshWizardHomeView() {}
void WindowServices::updateShieldWindowIfShown() {}
void WindowServices::showDockIcon(bool) {}

void PhoneLinkService::startIntenseScanning() {
    platform::logf("Link: intense scanning asked");
}
void PhoneLinkService::clearTheIgnoreListOfBadConnections() {
    platform::logf("Link: ignore list cleared");
}
void PhoneLinkService::disconnectFromAllDevicesImmediatelly(bool immediately) {
    platform::logf("Link: disconnect from all phones%s", immediately ? " at once" : "");
}

void PhoneLinkService::sendNotification_toMobileDevice_usePushNotificationIfNeeded(
    int32_t code, const std::shared_ptr<MobileDevice>&, bool usePush) {
    platform::logf("Link: notification %d to the phone%s", code, usePush ? " (push if away)" : "");
}

void LockCommandService::lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>&,
                                                                         int32_t action, int32_t reason) {
    platform::logf("Commands: lock (action %d, reason %d)", action, reason);
}

void LockCommandService::loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>&,
                                                               int32_t reason) {
    platform::logf("Commands: unlock (reason %d)", reason);
}

void PhoneLinkService::updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
    int32_t status, const std::shared_ptr<MobileDevice>&, bool) {
    platform::logf("Link: connection status %d to the phone", status);
}
void PhoneLinkService::forgetAllDevices() {
    platform::logf("Link: every phone forgotten");
}
void PhoneLinkService::cleanTheIgnoreList() {
    platform::logf("Link: ignore list emptied");
}

void PhoneLinkService::didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>&) {
    platform::logf("Link: session state sent to the phone");
}

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
void CoordinatorSystem::migrateIfNeeded() {
    MigrationManager().migrateIfNeeded();
}
void CoordinatorSystem::updateModelForVersionUpdateIfNeeded() {
    VersionModelUpdate().updateModelForVersionUpdateIfNeeded();
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
void CoordinatorSystem::checkIfDeviceUnlinkedRemotely() {
    // The record keeper holds itself while its network work runs.
    RemoteSyncMac::create()->checkIfDeviceUnlinkedRemotely();
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
    if (!link) link = std::make_shared<PhoneLinkService>();
    if (!makeRequestController) makeRequestController = [] { return RequestController::init(); };
    if (!commands) commands = std::make_shared<LockCommandService>();
    if (!system) system = std::make_shared<CoordinatorSystem>();
}

}  // namespace kestrune
