// One walk through the Mac's session, as the application lives it: locked by the application, displays
// asleep and awake, the screensaver with its password, the lid, a long sleep, and an unlock typed into
// the lock screen. What the screen monitor posts, and when, and what it answers at each stop, are the
// tables below.

#include "engine/evidence/CommandLine.h"
#include "engine/session/KeyboardPressSimulator.h"
#include "engine/session/LockMacController.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;

namespace {

// Every question of the monitor, asked in one go.
struct Facts {
    bool locked, lockShown, lockedAndShown, userActive, overScreensaver, allOff, screensaver, sleeping,
        lidDownNoExternal, builtIn, external;
    size_t screens;

    static Facts read() {
        auto& m = MacDisplayControl::shared();
        return Facts{m.ifScreenIsLockedOrScreensaverShown(),
                     m.ifLockOnScreenShown(),
                     m.ifLockOnScreenShownAndDeviceLocked(),
                     m.ifUserLoggedInAndActive(),
                     m.lockOnScreenShownOverScreensaver(),
                     m.ifAllScreensTurnedOff(),
                     m.ifScreenSaverPresent(),
                     m.macIsSleeping(),
                     m.laptopLidIsDownAndNoExternalMonitor(),
                     m.hasBuiltInDisplay(),
                     m.hasExternalDisplay(),
                     m.numberOfScreensAttached()};
    }
    bool operator==(const Facts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Facts& f) {
    return out << "locked " << f.locked << " lockShown " << f.lockShown << " lockedAndShown "
               << f.lockedAndShown << " userActive " << f.userActive << " overScreensaver "
               << f.overScreensaver << " allOff " << f.allOff << " screensaver " << f.screensaver
               << " sleeping " << f.sleeping << " lidDownNoExternal " << f.lidDownNoExternal << " builtIn "
               << f.builtIn << " external " << f.external << " screens " << f.screens;
}

constexpr const char* kLocked = "ScreenHasLockedNotification";
constexpr const char* kUnlocked = "ScreenHasUnlockedNotification";
constexpr const char* kShown = "LockOnScreenShownNotification";
constexpr const char* kHidden = "LockOnScreenHiddenNotification";
constexpr const char* kOff = "ScreenTurnedOffNotification";
constexpr const char* kOn = "ScreenTurnedOnNotification";
constexpr const char* kLaunched = "ScreenHasLaunchedNotification";
constexpr const char* kStarted = "ScreenHasStartedNotification";
constexpr const char* kLockedAndShown = "DeviceLockedAndLockOnScreenShownNotification";
constexpr const char* kActive = "UserLoggedInAndActiveNotification";
constexpr const char* kLid = "LaptopLidStateHasChanged";

}  // namespace

using SessionScenarioTest = SessionTest;

TEST_F(SessionScenarioTest, LockSleepScreensaverLidLongSleepAndTypedUnlock) {
    recordNotifications();
    auto& monitor = MacDisplayControl::shared();
    monitor.startTrackingDisplayChanges();
    IdleController::shared();
    SleepDurationTracker::shared();
    ASSERT_TRUE(LaptopLidEvidenceSource::shared().startTrackingLaptopLidChanges());
    session->setScreensaverAskForPassword(1);
    session->setScreensaverAskForPasswordDelay(0);

    //                    locked lockShown lockedAndShown userActive overSaver allOff saver sleeping lidDown
    //                    builtIn external screens
    const Facts unlocked{false, false, false, true, false, false, false, false, false, true, false, 1};
    const Facts lockedDark{true, false, false, false, false, true, false, false, false, true, false, 1};
    const Facts lockScreen{true, true, true, false, true, false, false, false, false, true, false, 1};
    const Facts lockScreenDark{true, true, true, false, false, true, false, false, false, true, false, 1};
    const Facts screensaver{true, true, true, false, false, false, true, false, false, true, false, 1};
    const Facts lidClosed{true, true, true, false, false, true, false, false, true, true, false, 1};
    const Facts asleep{true, true, true, false, false, true, false, true, false, true, false, 1};

    EXPECT_EQ(Facts::read(), unlocked);

    advanceTo(1);
    LockMacController::lockScreen();  // displays off, then Control-Command-Q
    advanceTo(1.5);
    EXPECT_TRUE(session->isLocked());
    EXPECT_EQ(Facts::read(), lockedDark);

    advanceTo(2);
    KeyboardPressSimulator::wakeComputerFromSleep();
    advanceTo(2.5);
    EXPECT_EQ(Facts::read(), lockScreen);

    advanceTo(3);
    CommandLine::putComputerToSleep();  // "pmset displaysleepnow"
    advanceTo(3.5);
    EXPECT_EQ(Facts::read(), lockScreenDark);
    advanceTo(4);
    KeyboardPressSimulator::wakeComputerFromSleep();
    advanceTo(4.5);
    EXPECT_EQ(Facts::read(), lockScreen);

    advanceTo(5);
    LockMacController::screenSaverTest();
    advanceTo(5.5);
    EXPECT_EQ(Facts::read(), screensaver);
    advanceTo(6);
    KeyboardPressSimulator::hideScreensaver();
    advanceTo(6.5);
    EXPECT_EQ(Facts::read(), lockScreen);

    advanceTo(7);
    session->closeLid();
    advanceTo(7.5);
    EXPECT_EQ(Facts::read(), lidClosed);
    advanceTo(8);
    session->openLid();
    advanceTo(8.5);
    EXPECT_EQ(Facts::read(), lockScreen);

    advanceTo(9);
    session->sleepSystem();
    advanceTo(9.5);
    EXPECT_EQ(Facts::read(), asleep);
    advanceTo(309.5);  // 300.5 s asleep: a long sleep
    session->wakeSystem();
    advanceTo(309.9);
    EXPECT_EQ(Facts::read(), lockScreen);

    advanceTo(310);
    bool typed = false;
    KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
        "password", [] { return true; },
        [&](bool finished, size_t) {
            typed = finished;
            KeyboardPressSimulator::simulateEnter();
        });
    advanceTo(310.5);
    EXPECT_TRUE(typed);
    EXPECT_FALSE(session->isLocked());
    EXPECT_EQ(Facts::read(), unlocked);
    EXPECT_TRUE(session->keysReachingApplications().empty());
    EXPECT_EQ(logLines(), 0u);

    const std::vector<Posted> expected{
        {kLid, 0},
        {kLocked, 1.05},
        {kOff, 1.1},
        {kOn, 2.1},
        {kLockedAndShown, 2.1},
        {kShown, 2.1},
        {kLockedAndShown, 2.1},
        {kOff, 3.1},
        {kOn, 4.1},
        {kLockedAndShown, 4.1},
        {kLaunched, 5.1},
        {kStarted, 5.1},
        {kStarted, 6.1},  // the stop, under the start's name
        {kLockedAndShown, 6.1},
        {kLid, 7},
        {kOff, 7.1},
        {kLid, 8},
        {kOn, 8.1},
        {kLockedAndShown, 8.1},
        {"applicationWillSleepNotification", 9},
        {kOff, 9.1},
        {"applicationWillWakeUpNotification", 309.5},
        {"applicationDidWakeUpPreActionNotification", 309.5},
        {"applicationDidWakeAfterLongSleep", 309.5},
        {"applicationDidWakeUpNotification", 309.5},
        {kOn, 309.6},
        {kLockedAndShown, 309.6},
        {kUnlocked, 310.05},
        {kActive, 310.05},
        {kHidden, 310.1},
        {kActive, 310.1},
    };
    EXPECT_EQ(posted, expected);
}
