// What the user chooses in the panel, the settings menu, the settings pages and the screens: switches,
// menu actions, option codes and the actions behind them.

#include "app/records/DeviceLocalSettings.h"
#include "app/records/FailedLoginEntry.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/NumberFields.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "engine/coordinator/StateMachine.h"
#include "engine/deciders/RssiToDistance.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

namespace {

// The format with the text in place of its placeholder; a format without one is followed by the text.
std::string formatted(const std::string& format, const std::string& text) {
    auto at = format.find("%@");
    if (at == std::string::npos) return text.empty() ? format : format + " " + text;
    return format.substr(0, at) + text + format.substr(at + 2);
}

constexpr const char* kRescanEvent = "Bluetooth - Rescanning for devices";
constexpr const char* kPhotosAndHistoryRow = "photosAndHistoryMenu";

}  // namespace

// Switches: each flips one local setting, then does one thing more.
struct StateMachine::SettingSwitch {
    const char* operation;
    bool (DeviceLocalSettings::*get)() const;
    void (DeviceLocalSettings::*set)(bool);
    AfterSwitch then;
};

namespace {

using S = DeviceLocalSettings;

}  // namespace

static const StateMachine::SettingSwitch* switchNamed(const char* operation);

void StateMachine::flip(const SettingSwitch& setting) {
    auto& local = DeviceLocalSettings::shared();
    const bool now = !(local.*setting.get)();
    (local.*setting.set)(now);
    switch (setting.then) {
        case AfterSwitch::nothing:
            break;
        case AfterSwitch::panel:
            services_.menuBar->updateViewForTrackingDevice();
            break;
        case AfterSwitch::hotKeys:
            services_.features->updateShortcutsEnabled();
            break;
        case AfterSwitch::sync:
            updateAndSyncData();
            break;
        case AfterSwitch::updateCheck:
            if (now) services_.features->checkForUpdatesInBackground();
            break;
        case AfterSwitch::smallerDistances:
            updateSmallerDistancesIfNeeded();
            updateAndSyncData();
            break;
    }
}

void StateMachine::flipSwitchNamed(const char* operation) {
    if (const auto* setting = switchNamed(operation)) flip(*setting);
}

namespace {

const StateMachine::SettingSwitch kSwitches[] = {
    {"toggleClipboardShownOnMainScreen", &S::showClipboardManagerOnMainScreen,
     &S::setShowClipboardManagerOnMainScreen, StateMachine::AfterSwitch::panel},
    {"toggleLogoutOnDisconnect", &S::logoutOnDisconnect, &S::setLogoutOnDisconnect,
     StateMachine::AfterSwitch::panel},
    {"toggleTakePhotoOnFailedLogin", &S::takePhotoOnFailedLogin, &S::setTakePhotoOnFailedLogin,
     StateMachine::AfterSwitch::nothing},
    {"togglePhotoAfterEachLogin", &S::takePhotoAfterEachLogin, &S::setTakePhotoAfterEachLogin,
     StateMachine::AfterSwitch::nothing},
    {"toggleLockShortcut", &S::enableKestruneShortCutsLock, &S::setEnableKestruneShortCutsLock,
     StateMachine::AfterSwitch::hotKeys},
    {"toggleClipboardShortcut", &S::enableKestruneShortCutsSendClipboard,
     &S::setEnableKestruneShortCutsSendClipboard, StateMachine::AfterSwitch::hotKeys},
    {"toggleSiriLock", &S::enableSiriLock, &S::setEnableSiriLock, StateMachine::AfterSwitch::sync},
    {"toggleSiriUnlock", &S::enableSiriUnlock, &S::setEnableSiriUnlock, StateMachine::AfterSwitch::sync},
    {"toggleUpdateKestruneAutomatically", &S::automaticallyUpdate, &S::setAutomaticallyUpdate,
     StateMachine::AfterSwitch::updateCheck},
    {"toggleAllowLogin", &S::allowLoginOnApproach, &S::setAllowLoginOnApproach,
     StateMachine::AfterSwitch::sync},
    {"toggleAllowLogout", &S::allowLogoutOnWalkAway, &S::setAllowLogoutOnWalkAway,
     StateMachine::AfterSwitch::sync},
    {"toggleOpenSpaceMode", &S::loginOnApproach, &S::setLoginOnApproach, StateMachine::AfterSwitch::nothing},
    {"togglePauseMusicOnLogout", &S::musicPauseOnLogout, &S::setMusicPauseOnLogout,
     StateMachine::AfterSwitch::nothing},
    {"toggleAllowSmallerDistances", &S::allowCloserDistances, &S::setAllowCloserDistances,
     StateMachine::AfterSwitch::smallerDistances},
    {"toggleWarnUserOnFailedLogin", &S::warnUserOnLoginFailed, &S::setWarnUserOnLoginFailed,
     StateMachine::AfterSwitch::nothing},
    {"toggleShowMacControlOnMainScreen", &S::showMacControlsOnMainScreen, &S::setShowMacControlsOnMainScreen,
     StateMachine::AfterSwitch::nothing},
    {"toggleWifiUnlockOnMainScreen", &S::showWifiUnlockOnMainScreen, &S::setShowWifiUnlockOnMainScreen,
     StateMachine::AfterSwitch::nothing},
    {"toggleShowProximityLockOnMainScreen", &S::showKestruneProximityOption,
     &S::setShowKestruneProximityOption, StateMachine::AfterSwitch::nothing},
};

}  // namespace

static const StateMachine::SettingSwitch* switchNamed(const char* operation) {
    for (const auto& setting : kSwitches)
        if (std::string(setting.operation) == operation) return &setting;
    return nullptr;
}

void StateMachine::toggleClipboardShownOnMainScreen() {
    flipSwitchNamed("toggleClipboardShownOnMainScreen");
}
void StateMachine::toggleLogoutOnDisconnect() {
    flipSwitchNamed("toggleLogoutOnDisconnect");
}
void StateMachine::toggleTakePhotoOnFailedLogin() {
    flipSwitchNamed("toggleTakePhotoOnFailedLogin");
}
void StateMachine::togglePhotoAfterEachLogin() {
    flipSwitchNamed("togglePhotoAfterEachLogin");
}
void StateMachine::toggleLockShortcut() {
    flipSwitchNamed("toggleLockShortcut");
}
void StateMachine::toggleClipboardShortcut() {
    flipSwitchNamed("toggleClipboardShortcut");
}
void StateMachine::toggleSiriLock() {
    flipSwitchNamed("toggleSiriLock");
}
void StateMachine::toggleSiriUnlock() {
    flipSwitchNamed("toggleSiriUnlock");
}
void StateMachine::toggleUpdateKestruneAutomatically() {
    flipSwitchNamed("toggleUpdateKestruneAutomatically");
}
void StateMachine::toggleAllowLogin() {
    flipSwitchNamed("toggleAllowLogin");
}
void StateMachine::toggleAllowLogout() {
    flipSwitchNamed("toggleAllowLogout");
}
void StateMachine::toggleOpenSpaceMode() {
    flipSwitchNamed("toggleOpenSpaceMode");
}
void StateMachine::togglePauseMusicOnLogout() {
    flipSwitchNamed("togglePauseMusicOnLogout");
}
void StateMachine::toggleAllowSmallerDistances() {
    flipSwitchNamed("toggleAllowSmallerDistances");
}
void StateMachine::toggleWarnUserOnFailedLogin() {
    flipSwitchNamed("toggleWarnUserOnFailedLogin");
}
void StateMachine::toggleShowMacControlOnMainScreen() {
    flipSwitchNamed("toggleShowMacControlOnMainScreen");
}
void StateMachine::toggleWifiUnlockOnMainScreen() {
    flipSwitchNamed("toggleWifiUnlockOnMainScreen");
}
void StateMachine::toggleShowProximityLockOnMainScreen() {
    flipSwitchNamed("toggleShowProximityLockOnMainScreen");
}

void StateMachine::toggleProximityUnlockVerification() {
    auto& local = DeviceLocalSettings::shared();
    local.setProximityUnlockVerification(local.proximityUnlockVerification() == 0 ? 2 : 0);
    updateAndSyncData();
}

void StateMachine::toggleStartKestruneOnLogin() {
    // The panel shows the login item as it is once the change is made.
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.system->toggleLaunchAtStartupWithCompletion([weak] {
        if (auto self = weak.lock()) self->services_.menuBar->updateViewForTrackingDevice();
    });
}

void StateMachine::toggleWifiUnlock() {
    updateSafeWifi(!services_.features->safeWifiTurnedOn());
}

void StateMachine::updateMacSleepScreenAuth(int32_t method) {
    DeviceLocalSettings::shared().setMacSleepScreenUnlockConfirmLogin(method);
    updateAndSyncData();
    didUpdateMacSleepScreenUnlock();
}

void StateMachine::updateProximityUnlockVerification(int32_t method) {
    DeviceLocalSettings::shared().setProximityUnlockVerification(method);
    updateAndSyncData();
}

void StateMachine::updateLogoutAction(int32_t action) {
    DeviceLocalSettings::shared().setActionOnLogout(action);
    services_.menuBar->updateViewForTrackingDevice();
}

// Turning closer distances off never leaves a lock distance closer than the default.
void StateMachine::updateSmallerDistancesIfNeeded() {
    if (DeviceLocalSettings::shared().allowCloserDistances()) return;
    auto settings = trackedSettings();
    if (!settings || !settings->mobileDeviceTrackInfo()) return;
    const int32_t minimum = static_cast<int32_t>(RssiToDistance::minRSSIvalue());
    if (intValueOf(settings->mobileDeviceTrackInfo()->distanceToLogin()) >= minimum) return;
    updateTrackingDistance(minimum);
    updateAndSyncData();
}

// Menu actions

void StateMachine::toggleShowMainView() {
    showWizzardOpenWindow(true);
}
void StateMachine::toggleHelp() {
    showHelpViewAndCheck();
}
void StateMachine::sleepToggled() {
    userDidSelectLockMac();
}
void StateMachine::temporaryDisabledToggled() {
    showTemporaryDisabledInformationWindow();
}
void StateMachine::userDidToggleCheckForUpdates() {
    services_.features->checkForUpdatesByUser();
}
void StateMachine::userDidClickAddNewDevice() {
    services_.link->cleanTheIgnoreList();
    showAddNewDeviceView();
}
void StateMachine::pingTrackingDevice() {
    sendNotification_usePushNotificationIfNeeded(8, false);
}
void StateMachine::clearBluetoothCache() {
    showClearBluetoothCacheTutorial();
}
void StateMachine::userDidTurnBluetoothOn() {
    userDidSelectTurnBluetoothOn();
}
void StateMachine::detectedCorruptedBluetoothCache() {
    clearBluetoothCacheAfterCorruptedCacheDetected();
}
void StateMachine::showFailedLogins() {
    showFailedLoginWindowWithEntry(nullptr);
}
void StateMachine::showLoginPhotos() {
    showLoginEntriesWithSelectedEntry(nullptr);
}
void StateMachine::showManualPhotos() {
    showManualSnapshotsWindowWithEntry(nullptr);
}
void StateMachine::showUnlockHistory() {
    showLockUnlockHistory();
}

// The photo and history windows open from the photos-and-history page, which comes first.
void StateMachine::showLockUnlockHistory() {
    auto navigation = services_.navigation;
    showMainScreenWithRowId_completion(kPhotosAndHistoryRow,
                                       [navigation] { navigation->showLockUnlockHistory(); });
}
void StateMachine::showFailedLoginWindowWithEntry(std::shared_ptr<platform::Object> entry) {
    auto navigation = services_.navigation;
    showMainScreenWithRowId_completion(
        kPhotosAndHistoryRow, [navigation, entry] { navigation->showFailedLoginWindowWithEntry(entry); });
}
void StateMachine::showManualSnapshotsWindowWithEntry(const std::shared_ptr<platform::Object>& entry) {
    auto navigation = services_.navigation;
    showMainScreenWithRowId_completion(
        kPhotosAndHistoryRow, [navigation, entry] { navigation->showManualSnapshotsWindowWithEntry(entry); });
}
void StateMachine::showLoginEntriesWithSelectedEntry(const std::shared_ptr<platform::Object>& entry) {
    auto navigation = services_.navigation;
    showMainScreenWithRowId_completion(
        kPhotosAndHistoryRow, [navigation, entry] { navigation->showLoginEntriesWithSelectedEntry(entry); });
}
void StateMachine::showMacControlTutorial() {
    showMainScreenWithRowId_completion(kPhotosAndHistoryRow, nullptr);
}

void StateMachine::safeWifiWizzard_udpateSafeWifi(platform::ui::UIObject*, bool on) {
    updateSafeWifi(on);
}

// The user asks to look for the phone again.
void StateMachine::toggleRescan() {
    services_.system->checkIfDeviceUnlinkedRemotely();
    services_.link->disconnectFromAllDevicesImmediatelly(false);
    services_.link->cleanTheIgnoreList();
    DeviceLocalSettings::shared().setRescanToggled(platform::Date::now());
    services_.system->sendSilentNotificationIfNeeded();
    DataManager::shared().clearPairingDevice();
    services_.system->trackErrorType(kRescanEvent);
    startScanningIndicatorIfNeeded();
}

// Option codes of the screens -----------------------------------------------------------------------------

namespace {

using Step = void (*)(StateMachine&);

struct OptionRow {
    int32_t option;
    Step action;
};

const OptionRow kWizardOptions[] = {
    {1, [](StateMachine& m) { m.services().menuBar->openMenuBar(); }},
    {2, [](StateMachine& m) { m.cleanUpAndQuitKestrune(); }},
    {3, [](StateMachine& m) { m.toggleRescan(); }},
    {4, [](StateMachine& m) { m.clearBluetoothCacheAfterCorruptedCacheDetected(); }},
    {5, [](StateMachine& m) { m.userDidSelectTurnBluetoothOn(); }},
    {6, [](StateMachine& m) { m.showTroubleConnectingToDeviceTutorial(); }},
    {7, [](StateMachine& m) { m.showProximityLockTutorial(); }},
    {8,
     [](StateMachine& m) {
         auto menuBar = m.services().menuBar;
         std::weak_ptr<StateMachine> weak = m.weak_from_this();
         platform::RunLoop::main().performAfterDelay(0.5, [weak, menuBar] {
             if (weak.lock()) menuBar->closeMenuBar();
         });
     }},
    {9, [](StateMachine& m) { m.didFinishPairing(); }},
    {10, [](StateMachine& m) { m.showTroubleShootInitialConnection(); }},
    {11, [](StateMachine& m) { m.sendNotification_usePushNotificationIfNeeded(0, false); }},
    {12, [](StateMachine& m) { m.sendNotification_usePushNotificationIfNeeded(1, false); }},
};

const OptionRow kMacSleepScreenOptions[] = {
    {0,
     [](StateMachine& m) {
         m.userDidSelectLockMac();
         m.sendNotification_usePushNotificationIfNeeded(3, false);
         auto features = m.services().features;
         std::weak_ptr<StateMachine> weak = m.weak_from_this();
         platform::RunLoop::main().performAfterDelay(1.5, [weak, features] {
             if (weak.lock())
                 features->showPersistantNativeNotificationWithText(
                     localizable("follow_instruction_on_iphone"));
         });
     }},
    {1, [](StateMachine& m) { m.didUpdateMacSleepScreenUnlock(); }},
    {2, [](StateMachine& m) { m.userDidSelectTurnBluetoothOn(); }},
    {3, [](StateMachine& m) { m.showTroubleConnectingToDeviceTutorial(); }},
    {4, [](StateMachine& m) { m.didUpdateMobileTrackInfoFromMac(); }},
    {5, [](StateMachine& m) { m.updateSafeWifi(false); }},
    {6, [](StateMachine& m) { m.showMainMenu(); }},
};

const OptionRow kHelpOptions[] = {
    {0, [](StateMachine& m) { m.showClearBluetoothCacheTutorial(); }},
    {1, [](StateMachine& m) { m.services().system->startRecoveryMode(); }},
    {2, [](StateMachine& m) { m.services().system->stopRecoveryMode(); }},
};

template <size_t N>
void act(const OptionRow (&table)[N], int64_t option, StateMachine& machine) {
    for (const auto& row : table)
        if (row.option == option) {
            row.action(machine);
            return;
        }
}

}  // namespace

void StateMachine::wizzardViewController_didSelectOption(platform::ui::UIObject*, int32_t option) {
    act(kWizardOptions, option, *this);
}

void StateMachine::macSleepScreenViewController_didSelectOption(platform::ui::UIObject*, int32_t option) {
    act(kMacSleepScreenOptions, option, *this);
}

void StateMachine::helpDelegate_didSelectOption(platform::ui::UIObject*, int32_t option) {
    act(kHelpOptions, option, *this);
}

void StateMachine::wizzardViewController_shouldScanForNewDevices(platform::ui::UIObject*, bool scan) {
    if (scan)
        services_.system->startRecoveryMode();
    else
        services_.system->stopRecoveryMode();
}

void StateMachine::wizzardViewController_didAcceptConnection_forMobileDevice(
    platform::ui::UIObject*, bool accepted, const std::shared_ptr<MobileDevice>& phone) {
    DataManager::shared().setDidAcceptPairingDevice(accepted);
    services_.link->mobileDevice_connectionAccepted(phone, accepted);
}

void StateMachine::windowControllerWillClose(KSWindowController& controller) {
    services_.tutorials->windowControllerWillClose(controller);
    updateDockItem();
}

void StateMachine::loginLogoutHistoryWindow_didSelectFailedLoginEntry(
    platform::ui::UIObject*, const std::shared_ptr<FailedLoginEntry>& entry) {
    showFailedLoginWindowWithEntry(std::static_pointer_cast<platform::Object>(entry));
}

void StateMachine::clipboardInfoViewController_didSelectOption(platform::ui::UIObject*, int64_t option) {
    if (option == ClipboardInfoViewControllerDelegate::kSendClipboard) sendClipboardToIos();
}

void StateMachine::shortCutManager_didSelectOption(ShortCutManager&, int64_t option) {
    shortCutManager_didSelectOption(option);
}

// Pairing and unlinking ------------------------------------------------------------------------------------

void StateMachine::didFinishPairing() {
    services_.system->setDockIconBouncing(true);
    services_.navigation->updateDevicesPage();
    later(0.2, [](StateMachine& self) { self.services_.navigation->popViewModelAnimated(false); });
}

void StateMachine::unlinkDevices() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    std::string name;
    if (phone && phone->mobileDeviceInfo() && phone->mobileDeviceInfo()->deviceName())
        name = *phone->mobileDeviceInfo()->deviceName();
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.system->authorizeWithMessage_completion(
        formatted(localizable("status_unlink_confirmation"), name), [weak](bool granted) {
            auto self = weak.lock();
            // A cancelled or refused prompt changes nothing.
            if (self && granted) self->didUnlinkFromMac();
        });
}

void StateMachine::didUnlinkFromMac() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (phone) {
        platform::logf("Decision: unlink %s on the user's request on the Mac", "the tracked phone");
        updateConnectionStatus_forDevice_andNotifyDevice(PairingInfo::kConnectionStatusUpdateForget, phone,
                                                         true);
    }
    didUnlink();
}

void StateMachine::didUnlindFromIphone() {
    services_.menuBar->didUnlinkFromMobileDevice(DataManager::shared().getTrackingMobileDevice());
    didUnlink();
}

void StateMachine::didUnlink() {
    showWizzardOpenWindow(false);
    services_.navigation->updateDevicesPage();
    services_.navigation->popToRootAnimated(true);
}

// Trusted Wi-Fi, proximity lock, the phone application ---------------------------------------------------

void StateMachine::updateSafeWifi(bool on) {
    services_.features->setSafeWifiTurnedOn(on);
    services_.tutorials->updatePageForCurrentState();
    updateViewsForMobileTrackUpdate();
}

void StateMachine::toggleProximityLock() {
    auto& local = DeviceLocalSettings::shared();
    const bool on = !local.proximityLockIsOn();
    local.setProximityLockIsOn(on);
    auto settings = trackedSettings();
    if (!settings) return;
    settings->updateKestrune_responsibleDevice(on, 2);
    didUpdateProximityLockInfo();
}

void StateMachine::updateiOSVersion() {
    showUpdateKestruneOnYourPhone();
    sendNotification_usePushNotificationIfNeeded(7, false);
}

void StateMachine::didUpdateMacSleepScreenUnlock() {
    updateAndSyncData();
    if (mainWindowIsShown()) services_.tutorials->updateMacSleepScreenTutorialIfNeeded();
}

// The clipboard -----------------------------------------------------------------------------------------

void StateMachine::sendClipboardToIos() {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.features->filterClipboardWithCompletion([weak](const std::string& text) {
        auto self = weak.lock();
        if (!self) return;
        auto phone = DataManager::shared().getTrackingMobileDevice();
        if (!phone) return;
        self->services_.link->updateClipboardForMobileDevice_clipboardText(phone, text);
    });
}

void StateMachine::getClipboardFromIos() {
    sendNotification_usePushNotificationIfNeeded(9, false);
}

// Bluetooth and its cache ---------------------------------------------------------------------------------

void StateMachine::userDidSelectTurnBluetoothOn() {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.system->turnBluetoothOnWithCompletion([weak] {
        if (auto self = weak.lock()) self->bluetoothStateChanged();
    });
}

void StateMachine::showClearBluetoothCacheTutorial() {
    auto wizard = services_.tutorials->clearCacheTutorial(
        std::static_pointer_cast<ClearCacheControllerDelegate>(shared_from_this()));
    if (!wizard) return;
    services_.tutorials->setCacheMessage(std::nullopt);
    services_.tutorials->start(wizard);
    services_.navigation->pushDetailList(wizard);
}

void StateMachine::clearBluetoothCacheAfterCorruptedCacheDetected() {
    showClearBluetoothCacheTutorial();
    services_.menuBar->closeMenuBarForced();
}

void StateMachine::clearCacheControllerClearCache(platform::ui::UIObject*) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    services_.system->deleteBluetoothPlistCacheFileWithCompletion([weak](bool deleted) {
        auto self = weak.lock();
        if (!self) return;
        // Read at the next start: the cache file's size is compared from then on.
        if (deleted) DeviceLocalSettings::shared().setTempClearBluetoothCacheDate(platform::Date::now());
        // The administrator prompt took the focus: the settings window comes back, more than once, as the
        // system's dialogs close.
        for (double delay : {0.2, 0.8, 1.4}) self->later(delay, [](StateMachine& m) { m.showMainWindow(); });
        self->services_.tutorials->updateViewForBLEUpdate();
    });
}

// Help -----------------------------------------------------------------------------------------------------

void StateMachine::showHelpViewAndCheck() {
    services_.link->cleanTheIgnoreList();
    services_.system->checkIfDeviceUnlinkedRemotely();
    showHelpViewController();
}

void StateMachine::showTroubleConnectingToDeviceTutorial() {
    showHelpViewAndCheck();
}

void StateMachine::showHelpViewController() {
    auto pager =
        services_.tutorials->helpTutorial(std::static_pointer_cast<HelpDelegate>(shared_from_this()));
    if (!pager || services_.tutorials->isVisible(pager)) return;
    services_.tutorials->start(pager);
    services_.navigation->pushDetailList(pager);
    showMainWindow();
}

void StateMachine::showTroubleShootInitialConnection() {
    auto pager = services_.tutorials->initialConnectionTroubleShoot(
        std::static_pointer_cast<HelpDelegate>(shared_from_this()));
    if (!pager) return;
    services_.tutorials->start(pager);
    services_.navigation->pushDetailList(pager);
}

// Permission pages ---------------------------------------------------------------------------------------

void StateMachine::updateSecuritySettingsWithCompletion(std::function<void()> completion) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    showSystemPreferenceOptionForSource_withCompletion(
        NavigationDelegate::kSourceDetailPane, [weak, completion] {
            auto self = weak.lock();
            if (!self) return;
            self->services_.system->userUpdatedScreensaverPreconditions();
            self->services_.navigation->pop();
            if (completion) platform::RunLoop::main().performAfterDelay(0.5, completion);
        });
}

void StateMachine::updateAccessibilityPreferancesWithCompletion(std::function<void()> completion) {
    std::weak_ptr<StateMachine> weak = weak_from_this();
    showAccessibilityPreferenceOptionForSource_withCompletion(
        NavigationDelegate::kSourceDetailPane, [weak, completion] {
            auto self = weak.lock();
            if (!self) return;
            self->services_.navigation->pop();
            if (completion) platform::RunLoop::main().performAfterDelay(0.5, completion);
        });
}

void StateMachine::addKestruneToAccessilibityToUnlockMac() {
    updateAccessibilityPreferancesWithCompletion([] {});
}

// Navigation passthroughs and the activity chart -----------------------------------------------------------

void StateMachine::popToRootViewModelAnimated(bool animated) {
    services_.navigation->popToRootAnimated(animated);
}

void StateMachine::popViewModelAnimated(bool animated) {
    services_.navigation->popViewModelAnimated(animated);
}

void StateMachine::showActivityController() {
    services_.features->showActivityController();
}

}  // namespace kestrune
