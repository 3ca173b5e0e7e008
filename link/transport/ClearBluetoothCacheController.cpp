#include "link/transport/ClearBluetoothCacheController.h"

#include <cmath>
#include <optional>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/OSXPreferences.h"
#include "app/store/DataManager.h"
#include "link/transport/Bluetooth.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {

// Seconds between the date and now, either way; a date never set counts from 1970, decades old.
double age(const std::optional<platform::Date>& date) {
    return std::fabs(date.value_or(platform::Date::dateWithTimeIntervalSince1970(0)).timeIntervalSinceNow());
}

DeviceLocalSettings& settings() {
    return DeviceLocalSettings::shared();
}

}  // namespace

ClearBluetoothCacheController& ClearBluetoothCacheController::shared() {
    static platform::SharedInstance<ClearBluetoothCacheController> instance;
    return instance.get([] { return new ClearBluetoothCacheController; });
}

bool ClearBluetoothCacheController::hasTrackingDevice() {
    return DataManager::shared().getTrackingMobileDevice() != nullptr;
}

bool ClearBluetoothCacheController::trackingDeviceIsConnected() {
    if (!Bluetooth::bluetoothIsOn()) return false;
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone) return false;
    const auto& connection = phone->mobileDeviceConnectionInfo();
    return connection && connection->isConnected() && connection->isConnected()->boolValue();
}

bool ClearBluetoothCacheController::bluetoothCacheErrorDetectedRecentlyAndCacheNotCleardVeryRecently() {
    return age(settings().bluetoothCacheErrorDetected()) < kErrorRecent &&
           age(settings().clearBluetoothCacheDate()) > kClearedVeryRecently;
}

bool ClearBluetoothCacheController::sholdShowCorruptedBluetoothCacheError() {
    if (trackingDeviceIsConnected()) return false;
    if (age(settings().doNotShowClearCacheWarningDate()) <= kSilenced) return false;
    const double cleared = age(settings().clearBluetoothCacheDate());
    if (cleared > kNeverCleared) return age(settings().veryFirstKestruneRunDate()) > kFirstRunSettled;
    if (!bluetoothCacheErrorDetectedRecentlyAndCacheNotCleardVeryRecently()) return false;
    return cleared > kClearedLongAgo || !hasTrackingDevice();
}

bool ClearBluetoothCacheController::shouldNotifyUserAboutCorruptedBluetoothCache() {
    if (!bluetoothCacheErrorDetectedRecentlyAndCacheNotCleardVeryRecently()) return false;
    const double warned = age(settings().userWarnedAboutBluetoothCacheError());
    if (age(settings().clearBluetoothCacheDate()) > kClearedLongAgo) return warned > kWarnedDay;
    if (hasTrackingDevice()) return false;
    return warned > kWarnedHour;
}

bool ClearBluetoothCacheController::ifDeviceConnectionEstablishedAfterRescanButtonToggled() {
    auto& manager = DataManager::shared();
    auto phone = manager.getTrackingMobileDevice();
    if (!phone) return false;
    auto phoneSettings = manager.settingsForDeviceId(phone->unId());
    if (!phoneSettings || !phoneSettings->OSXSettings() ||
        !phoneSettings->OSXSettings()->lastConnectionTimestamp())
        return false;
    const double rescan = settings()
                              .rescanToggled()
                              .value_or(platform::Date::dateWithTimeIntervalSince1970(0))
                              .timeIntervalSince1970();
    return phoneSettings->OSXSettings()->lastConnectionTimestamp()->doubleValue() > rescan;
}

}  // namespace kestrune
