#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/records/Device.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// "My devices", the first page: this Mac and the paired phone, whether they are connected, the lock
// distance, and every condition that keeps proximity locking from working, each with the action that
// resolves it; without a paired phone, the welcome rows and the button that starts pairing. The
// coordinator rebuilds it after every change of the phone, scanning, pairing or update state.
class DevicesMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;

    // Trusted Wi-Fi unlock is not in force and the phone is tracked and connected, with proximity
    // locking paused by a manual login (the first) or not (the second).
    bool shouldShowTemporaryDisabledWarning(const std::shared_ptr<MobileDevice>& phone);
    bool shouldShowProximityLockWillUnlock(const std::shared_ptr<MobileDevice>& phone);
    bool shouldAddToAccessibilityToUnlockMac();

    // Rows.
    std::shared_ptr<ListCellViewModel> bleNotSupported();
    std::shared_ptr<ListCellViewModel> turnBluetoothOn();
    std::shared_ptr<ListCellViewModel> clearBLECache();
    std::shared_ptr<ListCellViewModel> addAccessibilityToUnlockMac();
    std::shared_ptr<ListCellViewModel> newUpdateAvailable();
    std::shared_ptr<ListCellViewModel> updateSecurityPreferances();
    std::shared_ptr<ListCellViewModel> wifiUnlockIsOn();
    std::shared_ptr<ListCellViewModel> showTemporaryDisabled();
    std::shared_ptr<ListCellViewModel> closeMainWindow();
    std::shared_ptr<ListCellViewModel> connectedNotificationFor_device_distance(
        const std::shared_ptr<MobileSettings>& settings, const std::shared_ptr<MobileDevice>& phone,
        const std::string& distance);
    std::shared_ptr<ListCellViewModel> batteryCellForDevice_batteryLevel_percent(
        const std::shared_ptr<MobileDevice>& phone, int32_t batteryLevel, int32_t percent);
    std::shared_ptr<ListCellViewModel> showProximityTutorial();
    std::shared_ptr<ListCellViewModel> devicesConnectedText();
    std::shared_ptr<ListCellViewModel> devicesNotConnected();
    std::shared_ptr<ListCellViewModel> devicesConnected_device_distance(
        const std::shared_ptr<Device>& mac, const std::shared_ptr<MobileDevice>& phone,
        const std::string& distance);
    std::shared_ptr<ListCellViewModel> devicesNotConnected_device(const std::shared_ptr<Device>& mac,
                                                                  const std::shared_ptr<MobileDevice>& phone);
    std::shared_ptr<ListCellViewModel> ping();
    std::shared_ptr<ListCellViewModel> sendClipboard();
    std::shared_ptr<ListCellViewModel> unpair();
    std::shared_ptr<ListCellViewModel> scanningForDevices(const std::shared_ptr<MobileDevice>& phone);
    std::shared_ptr<ListCellViewModel> troubleShoot();
    std::shared_ptr<ListCellViewModel> rescan();
    std::shared_ptr<ListCellViewModel> addNewDevice();

    // The expanded state of each section, kept for the life of the page.
    bool wifiCellExpanded() const { return wifiCellExpanded_; }
    void setWifiCellExpanded(bool v) { wifiCellExpanded_ = v; }
    bool clearCacheExpanded() const { return clearCacheExpanded_; }
    void setClearCacheExpanded(bool v) { clearCacheExpanded_ = v; }
    bool bluetoothExpanded() const { return bluetoothExpanded_; }
    void setBluetoothExpanded(bool v) { bluetoothExpanded_ = v; }
    bool batteryExpanded() const { return batteryExpanded_; }
    void setBatteryExpanded(bool v) { batteryExpanded_ = v; }
    bool connectedExpanded() const { return connectedExpanded_; }
    void setConnectedExpanded(bool v) { connectedExpanded_ = v; }
    bool temporaryDisabled() const { return temporaryDisabled_; }
    void setTemporaryDisabled(bool v) { temporaryDisabled_ = v; }
    bool securityPreferancesExpanded() const { return securityPreferancesExpanded_; }
    void setSecurityPreferancesExpanded(bool v) { securityPreferancesExpanded_ = v; }
    bool accessibilityExpanded() const { return accessibilityExpanded_; }
    void setAccessibilityExpanded(bool v) { accessibilityExpanded_ = v; }

private:
    // A tap that flips one of the flags above and rebuilds the page.
    Block flip(bool DevicesMenuManager::*flag);

    bool wifiCellExpanded_ = false;
    bool clearCacheExpanded_ = false;
    bool bluetoothExpanded_ = false;
    bool batteryExpanded_ = false;
    bool connectedExpanded_ = false;
    bool temporaryDisabled_ = false;
    bool securityPreferancesExpanded_ = false;
    bool accessibilityExpanded_ = false;
};

}  // namespace kestrune
