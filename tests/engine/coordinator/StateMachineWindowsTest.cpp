// The settings window, the pages and tutorials pushed into it, and the information screens.

#include "app/records/DeviceLocalSettings.h"
#include "platform/ui/Application.h"
#include "tests/engine/CoordinatorFixture.h"
#include "tests/support/RecordingViewHelpers.h"

using namespace coordinatortests;
using kestrune::DataManager;
using kestrune::DeviceLocalSettings;
using kestrune::StateMachine;

namespace {

class WindowsTest : public CoordinatorTest {
protected:
    void SetUp() override {
        CoordinatorTest::SetUp();
        helpers = testsupport::RecordingViewHelpers::install();
        // Two displays side by side; the settings window starts on the first.
        session->setDisplays({{1, true, {0, 0, 1440, 900}}, {2, false, {1440, 0, 1920, 1080}}});
    }
    void TearDown() override {
        kestrune::ViewHelpers::install(nullptr);
        CoordinatorTest::TearDown();
    }
    std::shared_ptr<testsupport::RecordingViewHelpers> helpers;
};

TEST_F(WindowsTest, TheWindowIsRecentredOnlyForAMouseOnAnotherDisplay) {
    startQuietly();
    const auto where = splitWindow->frame();
    session->setMouseLocation({700, 400});
    machine->showMainWindow();
    EXPECT_TRUE(splitWindow->isVisible());
    EXPECT_EQ(helpers->count("centre"), 0u);
    EXPECT_EQ(splitWindow->frame().minX(), where.minX());
    EXPECT_TRUE(platform::ui::Application::shared().isActive());
    EXPECT_EQ(log.only({"dock"}), std::vector<std::string>{"dock on"});

    session->setMouseLocation({2000, 500});
    machine->showMainWindow();
    ASSERT_EQ(helpers->count("centre"), 1u);
    EXPECT_EQ(helpers->calls.back().screenFrame.minX(), 1440);
    EXPECT_EQ(helpers->calls.back().screenFrame.width(), 1920);
    // Now on the second display, with the mouse there too: it stays.
    machine->showMainWindow();
    EXPECT_EQ(helpers->count("centre"), 1u);
}

TEST_F(WindowsTest, ClosingTheWindowShowsThePanelHalfASecondLaterForThreeSeconds) {
    startQuietly();
    machine->showMainWindow();
    forget();
    machine->closeMainWindow();
    EXPECT_FALSE(splitWindow->isVisible());
    EXPECT_TRUE(DeviceLocalSettings::shared().didCloseMainWindowAtLeastOnce());
    EXPECT_EQ(log.count("close window"), 1u);
    advance(0.49);
    EXPECT_EQ(log.count("panel 3.0"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("panel 3.0"), 1u);
}

TEST_F(WindowsTest, RowSelectionShowsTheWindowOnlyOnceTheRowIsSelected) {
    startQuietly();
    navigation->holdSelections = true;
    machine->showWifiUnlock();
    machine->showUpdates();
    EXPECT_EQ(log.names(), (std::vector<std::string>{"select wifiMenu", "select updatesMenu"}));
    navigation->finishSelections();
    EXPECT_TRUE(splitWindow->isVisible());
    // The detail operations change pages without opening the window.
    splitWindow->orderOut(nullptr);
    forget();
    auto page = screenNamed("a page");
    machine->showDetailList_source(page, 2);
    machine->showDetailController_source_popToRoot(page, 1, true);
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"detail list a page '' 2", "detail controller a page '' 1 root"}));
    EXPECT_FALSE(splitWindow->isVisible());
}

TEST_F(WindowsTest, ProximityTutorialWithAndWithoutATrackedPhone) {
    startQuietly();
    // No phone: the devices page and the pairing wizard, the Dock icon bounces, then the window opens.
    machine->showProximityLockTutorial();
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"dock bounce", "select devicesMenu", "show window", "dock on"}));

    addTrackedPhone(true);
    splitWindow->orderOut(nullptr);
    forget();
    DeviceLocalSettings::shared().setDidShowTutorialAtLeastOnce(false);
    machine->showProximityLockTutorial();
    EXPECT_EQ(log.names(),
              (std::vector<std::string>{"proximity tutorial", "push controller proximity tutorial",
                                        "tutorial shown", "show window", "dock on"}));
    EXPECT_TRUE(DeviceLocalSettings::shared().didShowTutorialAtLeastOnce());
    // The tutorial leaving the screen ends it; the handler keeps nothing alive.
    ASSERT_TRUE(tutorials->visibilityHandler);
    forget();
    tutorials->visibilityHandler(false);
    EXPECT_EQ(log.names(), std::vector<std::string>{"tutorial ended"});
    auto handler = tutorials->visibilityHandler;
    tutorials->kept.clear();
    forget();
    handler(false);
    EXPECT_TRUE(log.calls.empty()) << "the tutorial is gone";
}

TEST_F(WindowsTest, TemporarilyDisabledInformation) {
    startQuietly();
    auto& local = DeviceLocalSettings::shared();
    struct Case {
        int32_t action;
        bool screensaverReady, trustedWifi;
        const char* expected;
    };
    const Case cases[] = {
        {1, false, false, "security page"},      {1, false, true, "security page"},
        {1, true, false, "screen paused login"}, {0, false, true, "screen paused wifi"},
        {2, true, false, "screen paused login"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.action) + (c.screensaverReady ? " ready" : "") +
                     (c.trustedWifi ? " wifi" : ""));
        local.setActionOnLogout(c.action);
        system->screensaverReady = c.screensaverReady;
        features->unlockForWifi = c.trustedWifi;
        splitWindow->orderOut(nullptr);
        forget();
        machine->temporaryDisabledToggled();
        EXPECT_EQ(log.only({"select"}), std::vector<std::string>{"select devicesMenu"});
        EXPECT_EQ(log.count(c.expected), 1u);
        EXPECT_EQ(log.only({"screen"}).size(), std::string(c.expected).rfind("screen", 0) == 0 ? 1u : 0u);
        EXPECT_TRUE(splitWindow->isVisible());
    }
}

TEST_F(WindowsTest, ClipboardHowToAndItsOptions) {
    startQuietly();
    machine->showClipboardHowDoesItWork();
    EXPECT_EQ(log.names(), (std::vector<std::string>{"select clipboardMenu", "clipboard how-to",
                                                     "push controller clipboard how-to"}));
    forget();
    machine->clipboardInfoViewController_didSelectOption(nullptr, 1);
    EXPECT_TRUE(log.calls.empty());
    machine->clipboardInfoViewController_didSelectOption(nullptr, 0);
    EXPECT_EQ(log.names(), std::vector<std::string>{"send clipboard"});
}

TEST_F(WindowsTest, InformationScreensArePushedAndTheirButtonsAct) {
    startQuietly();
    struct Case {
        void (StateMachine::*show)();
        const char* screen;
        std::vector<std::string> press;  // empty: no button
    };
    const Case cases[] = {
        {&StateMachine::showAuthRequest, "auth", {}},
        {&StateMachine::showMacOSNotifications, "notifications", {}},
        {&StateMachine::showTouchIdTutorial, "touch id", {"pop animated"}},
        {&StateMachine::showYesNoTutorial, "yes no", {"pop animated"}},
        {&StateMachine::showKnockKnockTutorial, "knock", {"pop animated"}},
        {&StateMachine::showMacSleepScreenOverlay, "overlay", {}},
        {&StateMachine::showOpenSpaceInfo, "open space", {}},
        {&StateMachine::showManualPhotosInfo, "manual photos", {"pop animated"}},
        {&StateMachine::showEstimatedDistanceDescription, "distance", {}},
        {&StateMachine::showConfirmProximityUnlockTutorial, "confirm unlock", {"pop animated"}},
        {&StateMachine::showSiriTutorial,
         "siri",
         {"screen siri setup", "push list siri setup", "show window"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        forget();
        (machine.get()->*c.show)();
        EXPECT_EQ(log.only({"screen", "push"}),
                  (std::vector<std::string>{std::string("screen ") + c.screen,
                                            std::string("push list ") + c.screen}));
        EXPECT_EQ(titleOf(machine->modalController()), c.screen);
        forget();
        EXPECT_EQ(screens->press(c.screen), !c.press.empty());
        EXPECT_EQ(log.only({"pop", "screen", "push", "show"}), c.press);
        screens->actions.clear();
    }
    // Rating tells the phone first; the Mac update page checks in the foreground and has no next step.
    forget();
    machine->showRateOnAppStore();
    EXPECT_EQ(log.only({"notify", "screen"}), (std::vector<std::string>{"notify 10", "screen rate"}));
    forget();
    machine->showUpdateKestruneOnYourMac();
    EXPECT_EQ(log.count("mac update title new_update_ready"), 1u);
    screens->press("update mac page");
    EXPECT_EQ(log.count("user update check"), 1u);
    // Closing from the tutorial: the window closes, the page is popped half a second later.
    forget();
    machine->showCloseMainWindowTutorial();
    screens->press("close window");
    EXPECT_EQ(log.count("close window"), 1u);
    advance(0.49);
    EXPECT_EQ(log.count("pop"), 0u);
    advance(0.02);
    EXPECT_EQ(log.count("pop"), 1u);
}

TEST_F(WindowsTest, AReleasedCoordinatorsScreenActionsAndRowCompletionsAreInert) {
    startQuietly();
    navigation->holdSelections = true;
    machine->showTouchIdTutorial();
    machine->showLockUnlockHistory();
    machine->showClipboardHowDoesItWork();
    auto weak = std::weak_ptr<StateMachine>(machine);
    platform::FileEventSource::cancelAllForTesting();
    machine.reset();
    runUntilIdle();
    ASSERT_TRUE(weak.expired()) << "nothing the screens hold keeps the coordinator";
    forget();
    EXPECT_TRUE(screens->press("touch id"));
    navigation->finishSelections();
    EXPECT_EQ(log.names(), std::vector<std::string>{"history window"})
        << "the page's own window still opens; the coordinator's steps do not run";
}

TEST_F(WindowsTest, SettingsSplitViewIsBuiltWithTheCoordinatorAsDelegate) {
    log.refreshes = true;
    start();
    EXPECT_EQ(log.only({"settings", "footer", "rebuild"}),
              (std::vector<std::string>{"settings window set up", "footer", "rebuild settings"}));
    EXPECT_EQ(navigation->delegate.lock().get(), static_cast<kestrune::NavigationDelegate*>(machine.get()));
    EXPECT_EQ(menuBar->mainActionDelegate.lock().get(),
              static_cast<kestrune::NavigationDelegate*>(machine.get()));
    // Bouncing instead of opening still prepares the page.
    forget();
    machine->showAddNewDeviceViewOpen_withCompletion(false, nullptr);
    EXPECT_FALSE(splitWindow->isVisible());
    EXPECT_EQ(
        log.only({"dock", "select", "push"}),
        (std::vector<std::string>{"dock bounce", "select devicesMenu", "push controller pairing wizard"}));
    forget();
    machine->showHelpTranslation();
    EXPECT_EQ(log.only({"push", "show"}), (std::vector<std::string>{"push list translation", "show window"}));
}

}  // namespace
