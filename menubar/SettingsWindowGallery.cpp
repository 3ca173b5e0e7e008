// The settings window for kestrune --snapshot. Each scene sets the machine and the settings to one
// state, builds a settings window with a small master list of its own (one row per page pictured here)
// and selects the page, which the window shows as the user would see it once its slide has ended.

#include "menubar/SettingsWindowGallery.h"

#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "app/records/DeviceInfo.h"
#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/PhoneRecordServices.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "app/support/Common.h"
#include "app/support/Localizable.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/language/BundleLanguage.h"
#include "features/updates/KestruneUpdater.h"
#include "features/updates/UpdateController.h"
#include "link/transport/Bluetooth.h"
#include "link/transport/ScanningIndicator.h"
#include "menubar/cells/CollapseCell.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/navigation/KestruneMasterDetailNavManager.h"
#include "menubar/pages/AdvancedMenuManager.h"
#include "menubar/pages/AllCellsMenuManager.h"
#include "menubar/pages/DevicesMenuManager.h"
#include "menubar/pages/HelpMenuManager.h"
#include "menubar/pages/MenuManagerFactory.h"
#include "menubar/pages/MusicMenuManager.h"
#include "menubar/pages/SetupMenuManager.h"
#include "menubar/pages/ShareMenuManager.h"
#include "menubar/pages/TranslationHelpMenuManager.h"
#include "menubar/pages/UpdatesMenuManager.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/ui/SceneRegistry.h"

namespace kestrune {

namespace {

using Page = std::shared_ptr<BaseMenuItemManager>;
const std::string kPhoneId = "snapshot-phone";

std::function<void()>& macInstaller() {
    static std::function<void()> install;
    return install;
}

std::function<std::shared_ptr<KSWindowController>()>& pairingScreenMaker() {
    static std::function<std::shared_ptr<KSWindowController>()> make;
    return make;
}

// The data folders move to a throwaway place before the first scene reads or writes a setting, and the
// machine the pages read is put in place.
void prepareWorld() {
    static bool done = false;
    if (done) return;
    done = true;
    platform::ui::SceneRegistry::useThrowawayHome();
    if (macInstaller()) macInstaller()();
    PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    useGalleryLanguage();
    DataManager::shared().getSavedDataModel();
}

// The controller takes a moment to change its power.
void switchBluetooth(bool on) {
    if (Bluetooth::bluetoothIsOn() == on) return;
    if (on) {
        Bluetooth::turnBluetoothOn();
    } else {
        Bluetooth::turnBluetoothOff();
    }
    platform::RunLoop::main().runUntil([on] { return Bluetooth::bluetoothIsOn() == on; }, 5.0);
}

// Every scene starts from the same Mac: Bluetooth on, no phone, the settings as on a new installation
// some time after its first run, no update known and no scan running.
void resetWorld() {
    prepareWorld();
    auto& data = DataManager::shared();
    if (auto& devices = data.model()->dictOfAllMobileDevice()) devices->erase(kPhoneId);
    if (auto& settings = data.model()->dictOfMobileDeviceSettings()) settings->erase(kPhoneId);
    auto& local = DeviceLocalSettings::shared();
    local.resetDefaults();
    local.setVeryFirstKestruneRunDate(platform::Date::now());
    local.setDidShowTutorialAtLeastOnce(true);
    local.setDidCloseMainWindowAtLeastOnce(true);
    switchBluetooth(true);
    ScanningIndicator::shared().stopTimer();
    UpdateController::shared().setNewMacVersion(false);
    UpdateController::shared().setNewiOSVersion(false);
    KestruneUpdater::shared().setUpdaterState(KestruneUpdater::kStateNoUpdate);
    KestruneUpdater::shared().setInstallAfterDownload(false);
}

// The phone of the scenes, tracked, 1.6 m away with the lock at 4 m.
std::shared_ptr<MobileSettings> pairPhone(bool connected) {
    auto& data = DataManager::shared();
    auto phone = MobileDevice::initWithUnId(kPhoneId);
    phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
    phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
    auto settings = MobileSettings::initWithUnId(kPhoneId);
    settings->pairingInfo()->setConnectionStatus(platform::Number(PairingInfo::kConnectionStatusPaired));
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(true));
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
    settings->setDistanceFromDevice(platform::Number(56));
    if (!settings->iOSSettings()) settings->setIOSSettings(iOSPreferences::init());
    settings->iOSSettings()->setChosenMetric(platform::Number(1));
    settings->iOSSettings()->setBatteryPercent(platform::Number(64));
    (*data.model()->dictOfAllMobileDevice())[kPhoneId] = phone;
    (*data.model()->dictOfMobileDeviceSettings())[kPhoneId] = settings;
    return settings;
}

// What a scene keeps alive as long as its window: the navigation, the page-manager factory and pages.
struct SettingsWindow {
    std::shared_ptr<WAYSourceListWindow> window;
    std::shared_ptr<KestruneMasterDetailNavManager> navigation;
    std::shared_ptr<MenuManagerFactory> factory;
    std::vector<Page> pages;
    std::shared_ptr<KSWindowController> screen;
};

std::vector<std::shared_ptr<SettingsWindow>>& keptWindows() {
    static std::vector<std::shared_ptr<SettingsWindow>> windows;
    return windows;
}

template <typename T>
Page page() {
    return BaseMenuItemManager::create<T>(std::weak_ptr<NavigationDelegate>());
}

void waitForSwaps(const KestruneMasterDetailNavManager& navigation) {
    auto detail = navigation.detail();
    platform::RunLoop::main().runUntil(
        [detail] { return !detail->isAnimating() && !detail->queuedAnimation(); }, 3.0);
}

// The rows of the master list, as the page-manager factory lists them; rows 1 and 9 are separators.
enum Row {
    kDevices = 0,
    kSetup = 2,
    kWifi,
    kPhotos,
    kClipboard,
    kMusic,
    kAdvanced,
    kUpdates,
    kHelp = 10,
    kShare
};

// The factory's page behind a row; none for the rows whose screen is not a list page.
Page pageOfRow(const MenuManagerFactory& factory, Row row) {
    switch (row) {
        case kDevices:
            return factory.devicesMenuManager;
        case kSetup:
            return factory.setupMenuManager;
        case kPhotos:
            return factory.photosAndHistoryManager;
        case kClipboard:
            return factory.clipboardManager;
        case kMusic:
            return factory.musicMenuManager;
        case kAdvanced:
            return factory.advancedMenuManager;
        case kUpdates:
            return factory.updatesMenuManager;
        case kHelp:
            return factory.helpMenuManager;
        case kShare:
            return factory.shareMenuManager;
        default:
            return nullptr;
    }
}

// A settings window with the factory's master list on the page of the master row, with `also` (a page)
// or `screen` pushed over it when given. Without the coordinator a row only selects; the scene shows its
// page itself.
ui::Scene settingsWindow(Row shownRow, const Page& also = nullptr,
                         const std::shared_ptr<KSWindowController>& screen = nullptr) {
    auto kept = std::make_shared<SettingsWindow>();
    kept->window = WAYSourceListWindow::create(
        {200, 200, 1095, 575}, ui::kWindowStyleTitled | ui::kWindowStyleClosable |
                                   ui::kWindowStyleMiniaturizable | ui::kWindowStyleResizable);
    kept->navigation = KestruneMasterDetailNavManager::create();
    kept->navigation->setup(kept->window);
    kept->navigation->setFooterText(Common::versionText());
    kept->factory = MenuManagerFactory::initWithDelegate(std::weak_ptr<NavigationDelegate>());
    kept->navigation->setInitialListViewModel(kept->factory->generateListModel());
    if (shownRow != kDevices)
        kept->navigation->master()->listView->setSelectedRow(static_cast<uint64_t>(shownRow));
    if (auto shown = pageOfRow(*kept->factory, shownRow))
        kept->navigation->showDetailList_source(shown->getViewController(),
                                                MasterDetailNavigationManager::kSourceMasterList);
    kept->window->orderFront(nullptr);
    waitForSwaps(*kept->navigation);
    if (also) {
        kept->pages.push_back(also);
        kept->navigation->pushDetailList(also->getViewController());
        waitForSwaps(*kept->navigation);
    }
    if (screen) {
        kept->screen = screen;
        kept->navigation->pushDetailController(screen);
        waitForSwaps(*kept->navigation);
    }
    keptWindows().push_back(kept);
    return {kept->window, nullptr};
}

// The scene with the warning at the top of its page opened, as "Show more" opens it: the row grows to
// its full height and shows its sentence and its action. With `which`, the first warning it accepts.
ui::Scene withWarningOpened(ui::Scene scene,
                            const std::function<bool(const CollapseCell&)>& which = nullptr) {
    std::vector<std::shared_ptr<ui::View>> views{scene.window->contentView()};
    while (!views.empty()) {
        auto view = views.back();
        views.pop_back();
        if (auto warning = std::dynamic_pointer_cast<CollapseCell>(view);
            warning && warning->button2 && (!which || which(*warning))) {
            warning->button2->performClick();
            break;
        }
        for (const auto& sub : view->subviews()) views.push_back(sub);
    }
    platform::RunLoop::main().runUntil([] { return false; }, 0.1);
    return scene;
}

ui::Scene photosAndHistory() {
    resetWorld();
    DeviceLocalSettings::shared().setTakePhotoAfterEachLogin(true);
    return settingsWindow(kPhotos);
}

// The photos page scrolled towards its failed-login section, which stops at the page's end: that
// section, there on every system version, with the photo at each failed attempt switched off and the
// notification on, and the history and snapshot rows under it.
ui::Scene photosAndHistoryFailedLogins() {
    resetWorld();
    DeviceLocalSettings::shared().setTakePhotoOnFailedLogin(false);
    DeviceLocalSettings::shared().setWarnUserOnLoginFailed(true);
    auto scene = settingsWindow(kPhotos);
    keptWindows().back()->factory->photosAndHistoryManager->getViewController()->listView->scrollToRow(3);
    return scene;
}

// The pairing wizard's last page pushed over the welcome page, as adding a phone shows it.
ui::Scene devicesPairing() {
    resetWorld();
    return settingsWindow(kDevices, nullptr, pairingScreenMaker()());
}

ui::Scene devicesWelcome() {
    resetWorld();
    return settingsWindow(kDevices);
}

ui::Scene devicesConnected() {
    resetWorld();
    auto settings = pairPhone(true);
    settings->iOSSettings()->setBatteryPercent(platform::Number(15));
    settings->iOSSettings()->setIOSCharging(platform::Number(false));
    return settingsWindow(kDevices);
}

// The low-battery warning under the green distance row, opened: the list reloads and hands the two rows
// each other's cells, and the warning keeps the layout's grey.
ui::Scene devicesBatteryWarningOpened() {
    resetWorld();
    auto settings = pairPhone(true);
    settings->iOSSettings()->setBatteryPercent(platform::Number(15));
    settings->iOSSettings()->setIOSCharging(platform::Number(false));
    const std::string lowBattery = localizable("low_battery");
    return withWarningOpened(settingsWindow(kDevices), [lowBattery](const CollapseCell& warning) {
        return warning.titleLabel && warning.titleLabel->stringValue().rfind(lowBattery, 0) == 0;
    });
}

ui::Scene devicesFirstConnection() {
    resetWorld();
    auto settings = pairPhone(true);
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(false));
    DeviceLocalSettings::shared().setDidShowTutorialAtLeastOnce(false);
    return settingsWindow(kDevices);
}

ui::Scene devicesSearching() {
    resetWorld();
    pairPhone(false);
    ScanningIndicator::shared().restartTimer();
    return settingsWindow(kDevices);
}

// The phone away and no scan running (the rescan and troubleshoot pair), after the window was widened to
// 1400 points and narrowed back: every row takes the list's width each time.
ui::Scene devicesResized() {
    resetWorld();
    pairPhone(false);
    ui::Scene scene = settingsWindow(kDevices);
    const ui::Rect frame = scene.window->frame();
    for (double width : {1400.0, frame.width()}) {
        scene.window->setFrame({frame.origin, {width, frame.height()}});
        platform::RunLoop::main().runUntil([] { return false; }, 0.1);
    }
    return scene;
}

ui::Scene devicesBluetoothOff() {
    resetWorld();
    pairPhone(false);
    UpdateController::shared().setNewMacVersion(true);
    switchBluetooth(false);
    return settingsWindow(kDevices);
}

ui::Scene devicesPaused() {
    resetWorld();
    auto settings = pairPhone(true);
    settings->mobileDeviceTrackInfo()->setProxLockTemporaryDisabledBecauseLogin(platform::Number(true));
    return settingsWindow(kDevices);
}

ui::Scene setupConnected() {
    resetWorld();
    pairPhone(true);
    auto& local = DeviceLocalSettings::shared();
    local.setProximityLockIsOn(true);
    local.setAllowLogoutOnWalkAway(true);
    local.setAllowLoginOnApproach(true);
    local.setProximityUnlockVerification(2);
    local.setProximityLockDistance(66);
    return settingsWindow(kSetup);
}

ui::Scene setupWithoutPhone() {
    resetWorld();
    DeviceLocalSettings::shared().setProximityLockIsOn(false);
    return settingsWindow(kSetup);
}

ui::Scene setupWithoutPhoneWarningOpened() {
    resetWorld();
    DeviceLocalSettings::shared().setProximityLockIsOn(false);
    return withWarningOpened(settingsWindow(kSetup));
}

ui::Scene advanced() {
    resetWorld();
    return settingsWindow(kAdvanced);
}

ui::Scene clipboardWithoutPhone() {
    resetWorld();
    return settingsWindow(kClipboard);
}

ui::Scene clipboardNotConnected() {
    resetWorld();
    pairPhone(false);
    return settingsWindow(kClipboard);
}

ui::Scene clipboardNotConnectedWarningOpened() {
    resetWorld();
    pairPhone(false);
    return withWarningOpened(settingsWindow(kClipboard));
}

ui::Scene clipboardConnected() {
    resetWorld();
    pairPhone(true);
    DeviceLocalSettings::shared().setEnableKestruneShortCutsSendClipboard(true);
    return settingsWindow(kClipboard);
}

ui::Scene music() {
    resetWorld();
    DeviceLocalSettings::shared().setMusicPauseOnLogout(true);
    return settingsWindow(kMusic);
}

ui::Scene share() {
    resetWorld();
    return settingsWindow(kShare);
}

ui::Scene updatesDownloading() {
    resetWorld();
    pairPhone(true);
    UpdateController::shared().setNewMacVersion(true);
    UpdateController::shared().setNewiOSVersion(true);
    KestruneUpdater::shared().setUpdaterState(KestruneUpdater::kStateFoundInBackground);
    return settingsWindow(kUpdates);
}

ui::Scene updatesUpToDate() {
    resetWorld();
    pairPhone(true);
    DeviceLocalSettings::shared().setAutomaticallyUpdate(true);
    return settingsWindow(kUpdates);
}

ui::Scene help() {
    resetWorld();
    return settingsWindow(kHelp);
}

ui::Scene translation() {
    resetWorld();
    return settingsWindow(kHelp, page<TranslationHelpMenuManager>());
}

ui::Scene catalogue() {
    resetWorld();
    return settingsWindow(kHelp, page<AllCellsMenuManager>());
}

}  // namespace

void registerSettingsWindowGallery(std::function<void()> installMac,
                                   std::function<std::shared_ptr<KSWindowController>()> pairingScreen) {
    macInstaller() = std::move(installMac);
    if (pairingScreen) {
        pairingScreenMaker() = std::move(pairingScreen);
        ui::SceneRegistry::add("settings-devices-pairing", devicesPairing);
    }
    ui::SceneRegistry::add("settings-devices-welcome", devicesWelcome);
    ui::SceneRegistry::add("settings-devices-connected", devicesConnected);
    ui::SceneRegistry::add("settings-devices-battery-warning-opened", devicesBatteryWarningOpened);
    ui::SceneRegistry::add("settings-devices-first-connection", devicesFirstConnection);
    ui::SceneRegistry::add("settings-devices-searching", devicesSearching);
    ui::SceneRegistry::add("settings-devices-resized", devicesResized);
    ui::SceneRegistry::add("settings-devices-bluetooth-off", devicesBluetoothOff);
    ui::SceneRegistry::add("settings-devices-paused", devicesPaused);
    ui::SceneRegistry::add("settings-setup-connected", setupConnected);
    ui::SceneRegistry::add("settings-setup-no-phone", setupWithoutPhone);
    ui::SceneRegistry::add("settings-setup-no-phone-warning-opened", setupWithoutPhoneWarningOpened);
    ui::SceneRegistry::add("settings-advanced", advanced);
    ui::SceneRegistry::add("settings-clipboard-no-phone", clipboardWithoutPhone);
    ui::SceneRegistry::add("settings-clipboard-not-connected", clipboardNotConnected);
    ui::SceneRegistry::add("settings-clipboard-not-connected-warning-opened",
                           clipboardNotConnectedWarningOpened);
    ui::SceneRegistry::add("settings-clipboard-connected", clipboardConnected);
    ui::SceneRegistry::add("settings-music", music);
    ui::SceneRegistry::add("settings-share", share);
    ui::SceneRegistry::add("settings-updates-downloading", updatesDownloading);
    ui::SceneRegistry::add("settings-updates-up-to-date", updatesUpToDate);
    ui::SceneRegistry::add("settings-help", help);
    ui::SceneRegistry::add("settings-translation", translation);
    ui::SceneRegistry::add("settings-catalogue", catalogue);
    ui::SceneRegistry::add("settings-photos-and-history", photosAndHistory);
    ui::SceneRegistry::add("settings-photos-and-history-failed-logins", photosAndHistoryFailedLogins);
}

}  // namespace kestrune
