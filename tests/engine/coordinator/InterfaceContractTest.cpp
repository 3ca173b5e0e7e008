// What the panel, the pages and the screens rely on when they report a choice: each reaches the
// coordinator through the interface it holds (weakly) and brings about the effect its Part promises.
// The screens here are recording ones; the coordinator is the real one.

#include "app/records/DeviceLocalSettings.h"
#include "tests/engine/CoordinatorFixture.h"
#include "tests/support/RecordingNavigationDelegate.h"

using namespace coordinatortests;
using kestrune::DeviceLocalSettings;
using kestrune::NavigationDelegate;

namespace {

// A control of a page: it holds its delegate weakly and calls it when used.
struct RecordingControl {
    std::weak_ptr<NavigationDelegate> delegate;
    void use(const std::function<void(NavigationDelegate&)>& call) {
        if (auto d = delegate.lock()) call(*d);
    }
};

class InterfaceContractTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        phone = addTrackedPhone(true);
        startQuietly();
        connect(phone);
        control.delegate = std::static_pointer_cast<NavigationDelegate>(machine);
    }
    std::shared_ptr<MobileDevice> phone;
    RecordingControl control;
};

TEST_F(InterfaceContractTest, EveryNavigationOperationReachesItsEffect) {
    struct Row {
        const char* name;
        std::function<void(NavigationDelegate&)> call;
        const char* effect;  // a call the effect makes
    };
    const auto page = screenNamed("page");
    const std::vector<Row> rows = {
        {"showDetailController:source:",
         [&](NavigationDelegate& d) { d.showDetailController_source(page, 2); },
         "detail controller page '' 2"},
        {"showDetailList:source:popToRoot:",
         [&](NavigationDelegate& d) { d.showDetailList_source_popToRoot(page, 1, true); },
         "detail list page '' 1 root"},
        {"showWifiUnlockOptionForSource:", [](NavigationDelegate& d) { d.showWifiUnlockOptionForSource(2); },
         "detail controller wifi wizard '' 2"},
        {"popViewModelAnimated:", [](NavigationDelegate& d) { d.popViewModelAnimated(true); },
         "pop animated"},
        {"sendClipboardToIos", [](NavigationDelegate& d) { d.sendClipboardToIos(); }, "send clipboard"},
        {"getClipboardFromIos", [](NavigationDelegate& d) { d.getClipboardFromIos(); }, "notify 9"},
        {"showClipboardHowDoesItWork", [](NavigationDelegate& d) { d.showClipboardHowDoesItWork(); },
         "push controller clipboard how-to"},
        {"toggleClipboardShortcut", [](NavigationDelegate& d) { d.toggleClipboardShortcut(); }, "hot keys"},
        {"toggleLockShortcut", [](NavigationDelegate& d) { d.toggleLockShortcut(); }, "hot keys"},
        {"toggleSiriLock", [](NavigationDelegate& d) { d.toggleSiriLock(); }, "sync"},
        {"showTroubleShootInitialConnection",
         [](NavigationDelegate& d) { d.showTroubleShootInitialConnection(); },
         "push list troubleshooting pager"},
        {"showTroubleConnectingToDeviceTutorial",
         [](NavigationDelegate& d) { d.showTroubleConnectingToDeviceTutorial(); }, "empty ignore list"},
        {"showClearBluetoothCacheTutorial",
         [](NavigationDelegate& d) { d.showClearBluetoothCacheTutorial(); }, "push list clear-cache wizard"},
        {"showHelpViewAndCheck", [](NavigationDelegate& d) { d.showHelpViewAndCheck(); },
         "remote unlink check"},
        {"showProximityLockTutorial", [](NavigationDelegate& d) { d.showProximityLockTutorial(); },
         "push controller proximity tutorial"},
        {"showHelpTranslation", [](NavigationDelegate& d) { d.showHelpTranslation(); },
         "push list translation"},
        {"showTemporaryDisabledInformationWindow",
         [](NavigationDelegate& d) { d.showTemporaryDisabledInformationWindow(); }, "select devicesMenu"},
        {"showMacControlTutorial", [](NavigationDelegate& d) { d.showMacControlTutorial(); },
         "select photosAndHistoryMenu"},
        {"pingTrackingDevice", [](NavigationDelegate& d) { d.pingTrackingDevice(); }, "notify 8"},
        {"userDidTurnBluetoothOn", [](NavigationDelegate& d) { d.userDidTurnBluetoothOn(); }, "bluetooth on"},
        {"showAddNewDeviceView", [](NavigationDelegate& d) { d.showAddNewDeviceView(); },
         "push controller pairing wizard"},
        {"showUpdates", [](NavigationDelegate& d) { d.showUpdates(); }, "select updatesMenu"},
        {"showWifiUnlock", [](NavigationDelegate& d) { d.showWifiUnlock(); }, "select wifiMenu"},
        {"toggleWifiUnlock", [](NavigationDelegate& d) { d.toggleWifiUnlock(); }, "wifi unlock on"},
        {"showMacSleepScreenTutorial", [](NavigationDelegate& d) { d.showMacSleepScreenTutorial(); },
         "push controller wake-unlock tutorial"},
        {"updateTrackingDistance:", [](NavigationDelegate& d) { d.updateTrackingDistance(70); },
         "track info sent"},
        {"toggleProximityLock", [](NavigationDelegate& d) { d.toggleProximityLock(); }, "track info sent"},
        {"showManualPhotos", [](NavigationDelegate& d) { d.showManualPhotos(); }, "manual photos window"},
        {"showFailedLogins", [](NavigationDelegate& d) { d.showFailedLogins(); }, "failed logins window"},
        {"showLoginPhotos", [](NavigationDelegate& d) { d.showLoginPhotos(); }, "login photos window"},
        {"updateSecuritySettingsWithCompletion:",
         [](NavigationDelegate& d) { d.updateSecuritySettingsWithCompletion(nullptr); },
         "start security page"},
        {"updateAndSyncData", [](NavigationDelegate& d) { d.updateAndSyncData(); }, "sync"},
        {"unlinkDevices", [](NavigationDelegate& d) { d.unlinkDevices(); }, "authorize"},
        {"showRateOnAppStore", [](NavigationDelegate& d) { d.showRateOnAppStore(); }, "notify 10"},
        {"updateiOSVersion", [](NavigationDelegate& d) { d.updateiOSVersion(); }, "notify 7"},
        {"toggleStartKestruneOnLogin", [](NavigationDelegate& d) { d.toggleStartKestruneOnLogin(); },
         "login item toggled"},
        {"closeMainWindow", [](NavigationDelegate& d) { d.closeMainWindow(); }, "close window"},
        {"toggleAllowLogin", [](NavigationDelegate& d) { d.toggleAllowLogin(); }, "sync"},
        {"updateMacSleepScreenAuth:", [](NavigationDelegate& d) { d.updateMacSleepScreenAuth(2); }, "sync"},
        {"updateProximityUnlockVerification:",
         [](NavigationDelegate& d) { d.updateProximityUnlockVerification(1); }, "sync"},
        {"addKestruneToAccessilibityToUnlockMac",
         [](NavigationDelegate& d) { d.addKestruneToAccessilibityToUnlockMac(); },
         "start accessibility page"},
        {"toggleAllowSmallerDistances", [](NavigationDelegate& d) { d.toggleAllowSmallerDistances(); },
         "sync"},
        {"showUnlockHistory", [](NavigationDelegate& d) { d.showUnlockHistory(); }, "history window"},
        {"toggleShowMainView", [](NavigationDelegate& d) { d.toggleShowMainView(); }, "show window"},
        {"toggleHelp", [](NavigationDelegate& d) { d.toggleHelp(); }, "push list help pager"},
        {"temporaryDisabledToggled", [](NavigationDelegate& d) { d.temporaryDisabledToggled(); },
         "select devicesMenu"},
        {"userDidToggleCheckForUpdates", [](NavigationDelegate& d) { d.userDidToggleCheckForUpdates(); },
         "user update check"},
        {"clearBluetoothCache", [](NavigationDelegate& d) { d.clearBluetoothCache(); },
         "start clear-cache wizard"},
        {"detectedCorruptedBluetoothCache",
         [](NavigationDelegate& d) { d.detectedCorruptedBluetoothCache(); }, "close panel"},
        {"cleanUpAndQuitKestrune", [](NavigationDelegate& d) { d.cleanUpAndQuitKestrune(); }, "history 4/1"},
        {"toggleRescan", [](NavigationDelegate& d) { d.toggleRescan(); }, "disconnect all"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        splitWindow->orderOut(nullptr);
        forget();
        control.use(row.call);
        EXPECT_FALSE(log.only({row.effect}).empty()) << testing::PrintToString(log.names());
    }
}

TEST_F(InterfaceContractTest, InformationScreensAndSwitchesThroughTheInterface) {
    const std::pair<std::function<void(NavigationDelegate&)>, const char*> screensShown[] = {
        {[](NavigationDelegate& d) { d.showMacOSNotifications(); }, "push list notifications"},
        {[](NavigationDelegate& d) { d.showSiriTutorial(); }, "push list siri"},
        {[](NavigationDelegate& d) { d.showEstimatedDistanceDescription(); }, "push list distance"},
        {[](NavigationDelegate& d) { d.showAuthRequest(); }, "push list auth"},
        {[](NavigationDelegate& d) { d.showMacSleepScreenOverlay(); }, "push list overlay"},
        {[](NavigationDelegate& d) { d.showOpenSpaceInfo(); }, "push list open space"},
        {[](NavigationDelegate& d) { d.showManualPhotosInfo(); }, "push list manual photos"},
        {[](NavigationDelegate& d) { d.showConfirmProximityUnlockTutorial(); }, "push list confirm unlock"},
        {[](NavigationDelegate& d) { d.showCloseMainWindowTutorial(); }, "push list close window"},
        {[](NavigationDelegate& d) { d.showTouchIdTutorial(); }, "push list touch id"},
        {[](NavigationDelegate& d) { d.showYesNoTutorial(); }, "push list yes no"},
        {[](NavigationDelegate& d) { d.showKnockKnockTutorial(); }, "push list knock"},
    };
    for (const auto& [call, effect] : screensShown) {
        SCOPED_TRACE(effect);
        forget();
        control.use(call);
        EXPECT_EQ(log.count(effect), 1u);
        EXPECT_EQ(log.count("show window"), 1u) << "information screens open the window";
    }
    auto& local = DeviceLocalSettings::shared();
    const std::pair<std::function<void(NavigationDelegate&)>, bool (DeviceLocalSettings::*)() const>
        switches[] = {
            {[](NavigationDelegate& d) { d.toggleClipboardShownOnMainScreen(); },
             &DeviceLocalSettings::showClipboardManagerOnMainScreen},
            {[](NavigationDelegate& d) { d.toggleWifiUnlockOnMainScreen(); },
             &DeviceLocalSettings::showWifiUnlockOnMainScreen},
            {[](NavigationDelegate& d) { d.toggleTakePhotoOnFailedLogin(); },
             &DeviceLocalSettings::takePhotoOnFailedLogin},
            {[](NavigationDelegate& d) { d.togglePhotoAfterEachLogin(); },
             &DeviceLocalSettings::takePhotoAfterEachLogin},
            {[](NavigationDelegate& d) { d.toggleUpdateKestruneAutomatically(); },
             &DeviceLocalSettings::automaticallyUpdate},
            {[](NavigationDelegate& d) { d.toggleAllowLogout(); },
             &DeviceLocalSettings::allowLogoutOnWalkAway},
            {[](NavigationDelegate& d) { d.toggleOpenSpaceMode(); }, &DeviceLocalSettings::loginOnApproach},
            {[](NavigationDelegate& d) { d.togglePauseMusicOnLogout(); },
             &DeviceLocalSettings::musicPauseOnLogout},
            {[](NavigationDelegate& d) { d.toggleWarnUserOnFailedLogin(); },
             &DeviceLocalSettings::warnUserOnLoginFailed},
            {[](NavigationDelegate& d) { d.toggleShowMacControlOnMainScreen(); },
             &DeviceLocalSettings::showMacControlsOnMainScreen},
            {[](NavigationDelegate& d) { d.toggleShowProximityLockOnMainScreen(); },
             &DeviceLocalSettings::showKestruneProximityOption},
            {[](NavigationDelegate& d) { d.toggleLogoutOnDisconnect(); },
             &DeviceLocalSettings::logoutOnDisconnect},
            {[](NavigationDelegate& d) { d.toggleSiriUnlock(); }, &DeviceLocalSettings::enableSiriUnlock},
        };
    for (const auto& [call, get] : switches) {
        const bool before = (local.*get)();
        control.use(call);
        EXPECT_NE((local.*get)(), before);
    }
    control.use([](NavigationDelegate& d) { d.updateLogoutAction(1); });
    EXPECT_EQ(local.actionOnLogout(), 1);
    control.use([](NavigationDelegate& d) { d.toggleProximityUnlockVerification(); });
    EXPECT_EQ(local.proximityUnlockVerification(), 2);
    // Locking from the panel waits a quarter of a second, as a lock chosen on the Mac, with the action
    // just chosen (the screensaver).
    forget();
    control.use([](NavigationDelegate& d) { d.sleepToggled(); });
    advance(0.3);
    EXPECT_EQ(log.count("lock 1/4"), 1u);
}

TEST_F(InterfaceContractTest, TheScreensDelegatesAndAControlOutlivingTheCoordinator) {
    // The screens of the windows reach the coordinator through their own delegate interfaces.
    std::weak_ptr<kestrune::WizzardViewControllerDelegate> wizard = machine;
    std::weak_ptr<kestrune::MacSleepScreenViewControllerDelegate> sleepPage = machine;
    std::weak_ptr<kestrune::HelpDelegate> help = machine;
    std::weak_ptr<kestrune::ClearCacheControllerDelegate> cache = machine;
    std::weak_ptr<kestrune::SafeWifiWizzardDelegate> wifi = machine;
    std::weak_ptr<kestrune::ClipboardInfoViewControllerDelegate> clipboard = machine;
    std::weak_ptr<kestrune::ShortCutManagerDelegate> hotKeys = machine;
    std::weak_ptr<kestrune::MainMenuBarControllerDelegate> menuBarDelegate = machine;
    wizard.lock()->wizzardViewController_didSelectOption(nullptr, 11);
    sleepPage.lock()->macSleepScreenViewController_didSelectOption(nullptr, 4);
    help.lock()->helpDelegate_didSelectOption(nullptr, 1);
    cache.lock()->clearCacheControllerClearCache(nullptr);
    wifi.lock()->safeWifiWizzard_udpateSafeWifi(nullptr, true);
    clipboard.lock()->clipboardInfoViewController_didSelectOption(nullptr, 0);
    menuBarDelegate.lock()->mainMenuBarController_didSelectOption_forMobileDevice(nullptr, 3, phone);
    EXPECT_EQ(log.only({"notify", "track info", "recovery", "delete cache", "wifi unlock", "send clipboard"}),
              (std::vector<std::string>{"notify 0", "track info sent", "recovery on", "delete cache",
                                        "wifi unlock on", "send clipboard"}));
    // Seven seconds after launch the coordinator is the hot keys' delegate.
    EXPECT_EQ(features->hotKeyDelegate.lock(), hotKeys.lock());
    // A control whose coordinator is gone does nothing.
    platform::FileEventSource::cancelAllForTesting();
    machine.reset();
    runUntilIdle();
    forget();
    control.use([](NavigationDelegate& d) { d.toggleRescan(); });
    EXPECT_TRUE(log.calls.empty());
}

TEST(RecordingNavigationDelegateTest, RecordsOperationsWithArgumentsAndRunsCompletionsOnDemand) {
    auto recorder = std::make_shared<testsupport::RecordingNavigationDelegate>();
    std::weak_ptr<NavigationDelegate> delegate = recorder;
    int ran = 0;
    auto page = std::make_shared<platform::ui::ViewController>();
    delegate.lock()->showDetailList_source_popToRoot(page, 1, true);
    delegate.lock()->updateSecuritySettingsWithCompletion([&] { ++ran; });
    delegate.lock()->updateTrackingDistance(72);
    delegate.lock()->toggleRescan();
    EXPECT_EQ(recorder->texts(),
              (std::vector<std::string>{"showDetailList:source:popToRoot: controller 1 YES",
                                        "updateSecuritySettingsWithCompletion: completion",
                                        "updateTrackingDistance: 72", "toggleRescan"}));
    EXPECT_EQ(recorder->last("showDetailList:source:popToRoot:")->controller, page);
    EXPECT_EQ(ran, 0) << "completions wait for the test";
    EXPECT_EQ(recorder->runCompletions(), 1u);
    EXPECT_EQ(recorder->runCompletions(), 0u);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(recorder->count("toggleRescan"), 1u);
}

}  // namespace
