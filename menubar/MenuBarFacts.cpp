#include "menubar/MenuBarFacts.h"

#include "engine/session/LoginItemsManager.h"
#include "engine/session/SystemPreferences.h"
#include "features/photos/ImageSnap.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/BluetoothLE.h"
#include "link/transport/ClearBluetoothCacheController.h"
#include "link/transport/ScanningIndicator.h"
#include "platform/base/BackendSlot.h"

namespace kestrune {

MenuBarFacts& MenuBarFacts::current() {
    // A reference to the installed facts outlives the call: the slot keeps it until the next install,
    // and the caller finishes before a test installs others.
    return *platform::backendSlot<MenuBarFacts>().getOr<MenuBarFacts>();
}

void MenuBarFacts::install(std::shared_ptr<MenuBarFacts> facts) {
    platform::backendSlot<MenuBarFacts>().set(std::move(facts));
}

bool MenuBarFacts::bluetoothIsOn() {
    return Bluetooth::bluetoothIsOn();
}
bool MenuBarFacts::bluetoothLESupported() {
    return Bluetooth::bluetoothLESupported();
}
bool MenuBarFacts::bluetoothLEIsOn() {
    return BluetoothLE::shared().bluetoothLEIsOn();
}
bool MenuBarFacts::isInitializingBLE() {
    return BluetoothLE::shared().isInitializingBLE();
}
bool MenuBarFacts::sholdShowCorruptedBluetoothCacheError() {
    return ClearBluetoothCacheController::shared().sholdShowCorruptedBluetoothCacheError();
}
bool MenuBarFacts::trackingDeviceIsConnected() {
    return ClearBluetoothCacheController::shared().trackingDeviceIsConnected();
}
bool MenuBarFacts::scanningTimerIsActive() {
    return ScanningIndicator::shared().timerIsActive();
}

bool MenuBarFacts::anyNewVersionAvailable() {
    return UpdateController::shared().anyNewVersionAvailable();
}
bool MenuBarFacts::newiOSVersion() {
    return UpdateController::shared().newiOSVersion();
}
bool MenuBarFacts::newMacVersion() {
    return UpdateController::shared().newMacVersion();
}
int32_t MenuBarFacts::updaterState() {
    return KestruneUpdater::shared().updaterState();
}
bool MenuBarFacts::installAfterDownload() {
    return KestruneUpdater::shared().installAfterDownload();
}
void MenuBarFacts::setInstallAfterDownload(bool install) {
    KestruneUpdater::shared().setInstallAfterDownload(install);
}
bool MenuBarFacts::shouldAutomaticallyCheckForUpdates() {
    return KestruneUpdater::shared().shouldAutomaticallyCheckForUpdates();
}
void MenuBarFacts::relaunchIfPossible() {
    KestruneUpdater::shared().relaunchIfPossible();
}
void MenuBarFacts::checkForUpdates() {
    auto& updater = KestruneUpdater::shared();
    updater.checkForUpdates(&updater);
}

bool MenuBarFacts::safeWifiTurnedOn() {
    return SafeWifiManager::shared().safeWifiTurnedOn();
}
bool MenuBarFacts::shouldUnlockForSafeWifi() {
    return SafeWifiManager::shared().shouldUnlockForSafeWifi();
}
bool MenuBarFacts::preconditionsToLockMacOnScreensaverAreSet() {
    return SystemPreferences::preconditionsToLockMacOnScreensaverAreSet();
}
bool MenuBarFacts::hasVideoDevice() {
    return ImageSnap::hasVideoDevice();
}
bool MenuBarFacts::lastKnownIsLauncOnStartup() {
    return LoginItemsManager::shared().lastKnownIsLauncOnStartup();
}

}  // namespace kestrune
