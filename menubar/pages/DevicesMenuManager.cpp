#include "menubar/pages/DevicesMenuManager.h"

#include "app/records/DeviceInfo.h"
#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/session/AccessibilityManager.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "engine/session/SystemPreferences.h"
#include "features/updates/UpdateController.h"
#include "features/wifi/SafeWifiManager.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/ClearBluetoothCacheController.h"
#include "link/transport/ScanningIndicator.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/pages/PhoneFacts.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

namespace {

using F = ListViewModelFactory;

constexpr int32_t kGreen = 0;
constexpr int32_t kDevicesWarningYellow = 1;
constexpr int32_t kRedError = 2;
constexpr int32_t kActionScreensaver = 1;
// Both device pictures of the devices row use one image.
constexpr const char* kDeviceFrameImage = "wizzard_iphone_frame";

std::shared_ptr<ListCellViewModel> collapsible(const std::string& title, int32_t style,
                                               const std::optional<std::string>& description, bool collapsed,
                                               const std::optional<std::string>& actionTitle, Block action,
                                               Block collapseAction) {
    return F::collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction(
        title, style, description, collapsed, actionTitle, std::move(action), std::move(collapseAction));
}

std::string macName(const std::shared_ptr<Device>& mac) {
    if (!mac || !mac->deviceInfo()) return "";
    return mac->deviceInfo()->deviceName().value_or("");
}

std::string phoneName(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone || !phone->mobileDeviceInfo()) return "";
    return phone->mobileDeviceInfo()->deviceName().value_or("");
}

}  // namespace

Block DevicesMenuManager::flip(bool DevicesMenuManager::*flag) {
    return weakly<DevicesMenuManager>([flag](DevicesMenuManager& self) {
        self.*flag = !(self.*flag);
        self.reloadData();
    });
}

bool DevicesMenuManager::shouldShowTemporaryDisabledWarning(const std::shared_ptr<MobileDevice>& phone) {
    auto facts = PhoneFacts::current();
    if (!phone || facts.phone != phone) return false;
    return !SafeWifiManager::shared().shouldUnlockForSafeWifi() && facts.tracked() && facts.connected &&
           facts.pausedByManualLogin();
}

bool DevicesMenuManager::shouldShowProximityLockWillUnlock(const std::shared_ptr<MobileDevice>& phone) {
    auto facts = PhoneFacts::current();
    if (!phone || facts.phone != phone) return false;
    return !SafeWifiManager::shared().shouldUnlockForSafeWifi() && facts.tracked() && facts.connected &&
           !facts.pausedByManualLogin();
}

bool DevicesMenuManager::shouldAddToAccessibilityToUnlockMac() {
    return !AccessibilityManager::allAccessibilityConditionsSatisfied();
}

BaseMenuItemManager::Rows DevicesMenuManager::createViewModel() {
    Rows rows;
    if (!Bluetooth::bluetoothLESupported()) {
        rows.push_back(bleNotSupported());
        return rows;
    }
    if (!Bluetooth::bluetoothIsOn()) {
        rows.push_back(turnBluetoothOn());
    } else if (ClearBluetoothCacheController::shared().sholdShowCorruptedBluetoothCacheError()) {
        rows.push_back(clearBLECache());
    } else if (shouldAddToAccessibilityToUnlockMac()) {
        rows.push_back(addAccessibilityToUnlockMac());
    }
    if (UpdateController::shared().anyNewVersionAvailable()) rows.push_back(newUpdateAvailable());

    auto facts = PhoneFacts::current();
    if (!facts) {
        rows.push_back(F::imageCellWithImage_height_action("mainicon", 340, nullptr));
        rows.push_back(F::titleCellCenteredWithTitle_action(localizable("welcome_title"), nullptr));
        rows.push_back(
            F::descriptionCellCenteredWithText_action(localizable("welcome_description"), nullptr));
        rows.push_back(addNewDevice());
        return rows;
    }

    auto& local = DeviceLocalSettings::shared();
    if (local.actionOnLogout() == kActionScreensaver &&
        (!SystemPreferences::preconditionsToLockMacOnScreensaverAreSet() ||
         ScreensaverPreconditions::shared().shouldWarnUserAboutScreensaverPreconditions()))
        rows.push_back(updateSecurityPreferances());
    if (SafeWifiManager::shared().shouldUnlockForSafeWifi()) rows.push_back(wifiUnlockIsOn());
    if (shouldShowTemporaryDisabledWarning(facts.phone)) rows.push_back(showTemporaryDisabled());
    if (shouldShowProximityLockWillUnlock(facts.phone)) {
        if (!local.didCloseMainWindowAtLeastOnce()) rows.push_back(closeMainWindow());
        rows.push_back(
            connectedNotificationFor_device_distance(facts.settings, facts.phone, facts.distanceText()));
    }

    auto mac = DataManager::shared().getActiveDesktopDevice();
    if (facts.connected) {
        if (!local.didShowTutorialAtLeastOnce() && rows.empty()) {
            rows.push_back(showProximityTutorial());
        } else if (facts.settings && facts.settings->shouldShowBatteryWarning()) {
            rows.push_back(batteryCellForDevice_batteryLevel_percent(
                facts.phone, facts.settings->currentBatteryLevel(), facts.settings->currentBatteryPercent()));
        }
        rows.push_back(devicesConnectedText());
        rows.push_back(F::separatorCell());
        rows.push_back(devicesConnected_device_distance(mac, facts.phone, facts.distanceText()));
        rows.push_back(ping());
        rows.push_back(sendClipboard());
        rows.push_back(unpair());
    } else {
        rows.push_back(devicesNotConnected());
        rows.push_back(F::separatorCell());
        rows.push_back(devicesNotConnected_device(mac, facts.phone));
        rows.push_back(unpair());
        if (ScanningIndicator::shared().timerIsActive()) {
            rows.push_back(scanningForDevices(facts.phone));
            rows.push_back(troubleShoot());
        } else {
            rows.push_back(rescan());
        }
    }
    return rows;
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::bleNotSupported() {
    return collapsible(
        localizable("bluetooth_le_not_supported_title"), kRedError,
        localizable("bluetooth_le_not_supported_description"), true, std::nullopt, [] {}, [] {});
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::turnBluetoothOn() {
    return collapsible(localizable("bluetooth_is_off_title"), kRedError,
                       localizable("bluetooth_is_off_description"), !bluetoothExpanded_,
                       localizable("turn_bluetooth_on"),
                       navigate(&NavigationDelegate::userDidSelectTurnBluetoothOn),
                       flip(&DevicesMenuManager::bluetoothExpanded_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::clearBLECache() {
    return F::
        collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction_closeAction(
            localizable("clear_bluetooth_cache_title"), kDevicesWarningYellow,
            localizable("clear_bluetooth_cache_description_1") + " " + localizable("requires_mac_startup"),
            !clearCacheExpanded_, localizable("clear_cache_action"),
            navigate(&NavigationDelegate::showClearBluetoothCacheTutorial),
            flip(&DevicesMenuManager::clearCacheExpanded_),
            weakly<DevicesMenuManager>([](DevicesMenuManager& self) {
                // Closing the warning silences it for a while (the cache controller reads the date).
                DeviceLocalSettings::shared().setDoNotShowClearCacheWarningDate(platform::Date::now());
                self.reloadData();
            }));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::addAccessibilityToUnlockMac() {
    return collapsible(localizable("add_accessibility_to_unlock_mac_title"), kRedError,
                       localizable("add_accessibility_to_unlock_mac_description"), !accessibilityExpanded_,
                       localizable("add_accessibility_to_unlock_mac_action"),
                       navigate(&NavigationDelegate::addKestruneToAccessilibityToUnlockMac),
                       flip(&DevicesMenuManager::accessibilityExpanded_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::newUpdateAvailable() {
    return collapsible(localizable("new_update"), kDevicesWarningYellow, std::nullopt, true, std::nullopt, nullptr,
                       navigate(&NavigationDelegate::showUpdates));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::updateSecurityPreferances() {
    return collapsible(localizable("update_security_preferances_to_use_screensaver_title"), kRedError,
                       localizable("update_security_preferances_to_use_screensaver_description"),
                       securityPreferancesExpanded_, localizable("update_security_preferances_action"),
                       weakly<DevicesMenuManager>([](DevicesMenuManager& self) {
                           auto delegate = self.delegate();
                           if (!delegate) return;
                           std::weak_ptr<BaseMenuItemManager> weak = self.shared_from_this();
                           delegate->updateSecuritySettingsWithCompletion([weak] {
                               if (auto page = weak.lock()) page->reloadData();
                           });
                       }),
                       flip(&DevicesMenuManager::securityPreferancesExpanded_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::wifiUnlockIsOn() {
    return collapsible(
        localizable("wifi_unlock_is_active_title"), kGreen, localizable("wifi_unlock_is_active_description"),
        !wifiCellExpanded_, localizable("wifi_unlock_settings_action"),
        navigate(&NavigationDelegate::showWifiUnlock), flip(&DevicesMenuManager::wifiCellExpanded_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::showTemporaryDisabled() {
    return collapsible(localizable("proximity_lock_temporary_disabled"), kGreen,
                       localizable("proximity_lock_temporary_disabled_because_login_manually_1") + " " +
                           localizable("proximity_lock_temporary_disabled_because_login_manually_2"),
                       !temporaryDisabled_, localizable("show_more"),
                       navigate(&NavigationDelegate::showTemporaryDisabledInformationWindow),
                       flip(&DevicesMenuManager::temporaryDisabled_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::closeMainWindow() {
    return collapsible(localizable("close_main_window_title"), kDevicesWarningYellow,
                       localizable("close_main_window_description"), true, localizable("close"),
                       navigate(&NavigationDelegate::closeMainWindow),
                       navigate(&NavigationDelegate::showCloseMainWindowTutorial));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::connectedNotificationFor_device_distance(
    const std::shared_ptr<MobileSettings>& settings, const std::shared_ptr<MobileDevice>&,
    const std::string&) {
    const std::string distance = settings ? settings->distanceToLockString() : "";
    return collapsible(localizable("proximity_lock_distance") + ": " + distance, kGreen,
                       localizable("your_mac_will_lock_when_iphone_leaves_lock_radius"), !connectedExpanded_,
                       std::nullopt, nullptr, flip(&DevicesMenuManager::connectedExpanded_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::batteryCellForDevice_batteryLevel_percent(
    const std::shared_ptr<MobileDevice>&, int32_t batteryLevel, int32_t percent) {
    // Level 1 (below 10 %) is red; level 2 keeps the row's own background.
    return collapsible(localizable("low_battery") + " " + std::to_string(percent) + "%", batteryLevel + 1,
                       localizable("charge_your_battery_description"), !batteryExpanded_, std::nullopt,
                       nullptr, flip(&DevicesMenuManager::batteryExpanded_));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::showProximityTutorial() {
    return collapsible(
        localizable("lock_and_unlock_your_mac_automatically") + ". " + localizable("show_tutorial") + "!",
        kGreen, std::nullopt, true, std::nullopt, nullptr,
        navigate(&NavigationDelegate::showProximityLockTutorial));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::devicesConnectedText() {
    return F::titleDescriptionCellWithTitle_description_action(
        localizable("my_devices"), localizable("my_devices_are_connected"), nullptr);
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::devicesNotConnected() {
    return F::titleDescriptionCellWithTitle_description_action(localizable("my_devices"),
                                                               localizable("devices_not_connected"), [] {});
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::devicesConnected_device_distance(
    const std::shared_ptr<Device>& mac, const std::shared_ptr<MobileDevice>& phone,
    const std::string& distance) {
    return F::devicesCellWithMacImage_macName_mobileImage_mobileName_connected_distance(
        kDeviceFrameImage, macName(mac), kDeviceFrameImage, phoneName(phone), true, distance);
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::devicesNotConnected_device(
    const std::shared_ptr<Device>& mac, const std::shared_ptr<MobileDevice>& phone) {
    return F::devicesCellWithMacImage_macName_mobileImage_mobileName_connected_distance(
        kDeviceFrameImage, macName(mac), kDeviceFrameImage, phoneName(phone), false, std::string());
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::ping() {
    return F::buttonCellWithTitle_button_action(localizable("ping_device_description"),
                                                localizable("ping_device_action"),
                                                navigate(&NavigationDelegate::pingTrackingDevice));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::sendClipboard() {
    return F::buttonCellWithTitle_button_action(localizable("send_clipboard_to_ios_description"),
                                                localizable("send_clipboard_to_ios_action"),
                                                navigate(&NavigationDelegate::sendClipboardToIos));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::unpair() {
    return F::buttonCellWithTitle_color_action(localizable("unpair"), redButtonColor(),
                                               navigate(&NavigationDelegate::unlinkDevices));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::scanningForDevices(
    const std::shared_ptr<MobileDevice>& phone) {
    return F::loadingCellWithTitle_description_action(
        localizable("scanning_for_devices") + " " + phoneName(phone), std::string(), [] {});
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::troubleShoot() {
    return F::buttonCellWithTitle_action(localizable("troubleshoot"),
                                         navigate(&NavigationDelegate::showHelpViewAndCheck));
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::rescan() {
    auto vm = F::doubleButtonCellWithButton1_action1_button2_action2(
        localizable("rescan"), navigate(&NavigationDelegate::toggleRescan), localizable("troubleshoot"),
        navigate(&NavigationDelegate::showHelpViewAndCheck));
    // The two buttons centred.
    vm->setIsOn(true);
    return vm;
}

std::shared_ptr<ListCellViewModel> DevicesMenuManager::addNewDevice() {
    return F::buttonCellWithTitle_action(localizable("add_new_device_action"),
                                         navigate(&NavigationDelegate::showAddNewDeviceView));
}

}  // namespace kestrune
