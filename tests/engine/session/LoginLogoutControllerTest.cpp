// The lock/unlock door on the simulated session: admission and the waiting place, the lock actions, the
// typed unlock with its checks, and the outcome timers.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "engine/session/KeyboardPressSimulator.h"
#include "engine/session/LoginLogoutController.h"
#include "engine/session/LoginLogoutExecution.h"
#include "engine/session/LogoutExecution.h"
#include "platform/base/RunLoop.h"
#include "tests/engine/AfterKeyboard.h"
#include "tests/engine/ProximityFixture.h"

using namespace kestrune;
using platform::Number;
using Destination = platform::SimulatedSession::KeyDestination;

namespace {

struct RecordingDelegate : LoginLogoutControllerDelegate {
    std::vector<std::string> calls;
    void loginLogoutController_didLoginbyMobileDevice_commandReason(LoginLogoutController&,
                                                                    const std::shared_ptr<MobileDevice>&,
                                                                    int reason) override {
        calls.push_back("login:" + std::to_string(reason));
    }
    void loginLogoutControllerDidLoginManualyByUser(LoginLogoutController&) override {
        calls.push_back("manualLogin");
    }
    void loginLogoutControllerDidFailToLogin(LoginLogoutController&) override {
        calls.push_back("failedLogin");
    }
    void loginLogoutController_didLogoutbyMobileDevice_commandReason(LoginLogoutController&,
                                                                     const std::shared_ptr<MobileDevice>&,
                                                                     int reason) override {
        calls.push_back("logout:" + std::to_string(reason));
    }
    void loginLogoutControllerDidLogoutManualyByUser(LoginLogoutController&) override {
        calls.push_back("manualLogout");
    }
    void loginLogoutControllerUnableToUnlockMac(LoginLogoutController&) override {
        calls.push_back("unableUnlock");
    }
    void loginLogoutControllerUnableToLockMac(LoginLogoutController&) override {
        calls.push_back("unableLock");
    }
    void loginLogoutControllerDisplayOnButUserNotLoggedIn(LoginLogoutController&) override {
        calls.push_back("displayOn");
    }
    void loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(
        LoginLogoutController&, const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("wrongPassword");
    }
};

constexpr uint16_t kKeyEnterCode = 36;

}  // namespace

class ControllerTest : public ProximityTest {
protected:
    void SetUp() override {
        ProximityTest::SetUp();
        MacDisplayControl::shared().startTrackingDisplayChanges();
        LogoutExecution::shared().resetForTesting();
        DataManager::shared().setClearTextPassword_forMobileDevice("password", phone);
        // Between two keys of the application (after one has landed and before the next is asked
        // for), a test may change the session.
        keyboard = std::make_shared<AfterKeyboard>(session, [this](size_t index) {
            if (afterKey) afterKey(index);
        });
        platform::KeyboardEvents::install(keyboard);
        controller = LoginLogoutController::init();
        controller->delegate = &delegate;
        runUntilIdle();
    }
    void TearDown() override {
        afterKey = nullptr;
        controller.reset();
        platform::KeyboardEvents::install(session);
        ProximityTest::TearDown();
    }
    // The screen monitor reports a change 0.2 s after the platform's news.
    void lockNow() {
        session->lock();
        advance(1);
    }
    void unlockCommand(int reason = kCommandReasonProximity) {
        controller->loginByMobileDevice_withCommandReason(phone, reason);
        advance(0.5);
    }
    size_t keysTo(Destination d) const {
        size_t n = 0;
        for (const auto& k : session->keyLog()) n += k.destination == d;
        return n;
    }
    // The user's own keys, straight to the session.
    void typeByHand(const std::string& password) {
        session->postKeyEvent(
            platform::KeyEvent{0, platform::kEventFlagMaskCommand, true, {}});  // select all
        session->postKeyEvent(platform::KeyEvent{51, 0, true, {}});             // delete
        for (char ch : password) session->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, ch)});
        session->postKeyEvent(platform::KeyEvent{kKeyEnterCode, 0, true, {}});
    }
    bool anyKeyReachedAnApplication() const { return !session->keysReachingApplications().empty(); }
    // Any character of the password in the key log, wherever it went.
    size_t passwordKeys() const { return keysTo(Destination::PasswordField); }

    RecordingDelegate delegate;
    std::shared_ptr<LoginLogoutController> controller;
    std::function<void(size_t)> afterKey;
    std::shared_ptr<platform::KeyboardEvents> keyboard;
};

TEST_F(ControllerTest, UnlockTypesThePasswordAtTheLockScreenAndCountsAsTheCommandsSuccess) {
    lockNow();
    delegate.calls.clear();
    unlockCommand();
    EXPECT_FALSE(session->isLocked());
    EXPECT_FALSE(anyKeyReachedAnApplication());
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"login:0"}));
    EXPECT_FALSE(controller->isAnyCommandInExecution());
    EXPECT_FALSE(controller->loginLogoutCommands()->hasPassword());
}

TEST_F(ControllerTest, WrongOrEmptyPasswordIsReportedOnceAndNeverTyped) {
    for (const char* stored : {"wrong", ""}) {
        DataManager::shared().setClearTextPassword_forMobileDevice(stored, phone);
        lockNow();
        delegate.calls.clear();
        const size_t keysBefore = session->keyLog().size();
        unlockCommand();
        advance(10);
        EXPECT_EQ(delegate.calls, (std::vector<std::string>{"wrongPassword"})) << stored;
        EXPECT_EQ(session->keyLog().size(), keysBefore) << stored;
        EXPECT_TRUE(session->isLocked());
        EXPECT_FALSE(controller->isAnyCommandInExecution());
        EXPECT_FALSE(controller->loginLogoutCommands()->hasPassword());
    }
}

TEST_F(ControllerTest, SleepingDisplayIsWokenAndTypingWaitsForTheLockScreen) {
    for (const char* version : {"10.14.6", "10.12.6"}) {
        setVersion(version);
        lockNow();
        session->sleepDisplays();
        advance(1);
        delegate.calls.clear();
        std::optional<bool> darkAtFirstKey;
        session->setBeforeKeyHook([&](size_t, const platform::KeyEvent&) {
            if (!darkAtFirstKey) darkAtFirstKey = session->displaysAsleep();
        });
        controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonProximity);
        EXPECT_FALSE(darkAtFirstKey) << version;  // nothing typed at once into a dark screen
        EXPECT_FALSE(session->displaysAsleep()) << version;
        advance(2);
        session->setBeforeKeyHook(nullptr);
        ASSERT_TRUE(darkAtFirstKey) << version;
        EXPECT_FALSE(*darkAtFirstKey) << version;
        EXPECT_FALSE(session->isLocked()) << version;
        EXPECT_EQ(delegate.calls, (std::vector<std::string>{"login:0"})) << version;
        EXPECT_FALSE(anyKeyReachedAnApplication());
        advance(3);  // the next round needs 2.0 s since the last typing
    }
}

TEST_F(ControllerTest, ScreensaverGetsOneEscapeBeforeTheTyping) {
    session->setScreensaverAskForPassword(1);
    session->setScreensaverAskForPasswordDelay(0);
    session->startScreensaver();
    runUntilIdle();
    ASSERT_TRUE(session->isLocked());
    unlockCommand();
    EXPECT_EQ(keysTo(Destination::Screensaver), 1u);
    EXPECT_FALSE(session->isLocked());
    EXPECT_FALSE(anyKeyReachedAnApplication());
}

TEST_F(ControllerTest, LockScreenHidingMidTypingFailsTheCommandWithoutEnter) {
    lockNow();
    delegate.calls.clear();
    session->setScreensaverAskForPassword(1);
    session->setScreensaverAskForPasswordDelay(0);
    // After the third password unit the screensaver covers the lock screen.
    afterKey = [&](size_t index) {
        if (index != 4) return;
        session->startScreensaver();
        advance(0.3);
    };
    unlockCommand();
    advance(10);
    EXPECT_TRUE(session->isLocked());
    EXPECT_EQ(passwordKeys(), 5u);  // select-all, delete and three units
    EXPECT_EQ(keysTo(Destination::Screensaver), 0u);
    EXPECT_TRUE(delegate.calls.empty());
    EXPECT_FALSE(controller->isAnyCommandInExecution());
}

// Session changes at random points of an unlock: the user unlocking by hand, the screensaver, the
// displays sleeping, the displays waking. Whatever happens, no key of the unlock reaches an application.
// The 10,000 rounds of one seeded sequence are shared out among tests that run side by side, each over a
// stretch of its own: in one test they came near the test time limit on a busy machine.
constexpr int kInterleavingShards = 8;
constexpr int kInterleavingsPerShard = 1250;

class SeededInterleavingsTest : public ControllerTest, public ::testing::WithParamInterface<int> {};

TEST_P(SeededInterleavingsTest, NeverSendAKeyToAnApplication) {
    std::mt19937 random(20261207);
    random.discard(2 * static_cast<unsigned long long>(GetParam()) * kInterleavingsPerShard);  // two a round
    size_t unlockedByHand = 0, typedThrough = 0;
    for (int round = GetParam() * kInterleavingsPerShard; round < (GetParam() + 1) * kInterleavingsPerShard;
         ++round) {
        if (!session->isLocked()) lockNow();
        session->stopScreensaver();
        session->wakeDisplays();
        advance(2.5);
        const size_t at = random() % 12;
        const int change = static_cast<int>(random() % 4);
        afterKey = [&, at, change](size_t index) {
            if (index != at) return;
            switch (change) {
                case 0:
                    typeByHand("password");
                    break;
                case 1:
                    session->startScreensaver();
                    break;
                case 2:
                    session->sleepDisplays();
                    break;
                default:
                    session->wakeDisplays();
                    break;
            }
            if (platform::isMainThread()) advance(0.3);
        };
        unlockCommand();
        advance(1.5);
        afterKey = nullptr;
        ASSERT_FALSE(anyKeyReachedAnApplication())
            << "round " << round << " change " << change << " at " << at;
        unlockedByHand += change == 0;
        typedThrough += !session->isLocked() && change != 0;
    }
    // A fifth of the rounds unlocked by hand, a tenth typed through a change: every kind of change met.
    EXPECT_GT(unlockedByHand, kInterleavingsPerShard / 5u);
    EXPECT_GT(typedThrough, kInterleavingsPerShard / 10u);
}

INSTANTIATE_TEST_SUITE_P(Rounds, SeededInterleavingsTest, ::testing::Range(0, kInterleavingShards));

TEST_F(ControllerTest, LockActions) {
    struct Case {
        int action;
        bool preconditions;
        bool screensaver;  // the screensaver ran rather than the plain lock
    };
    const Case cases[] = {{0, false, false}, {1, true, true}, {1, false, false}, {2, false, false}};
    for (const auto& c : cases) {
        session->setScreensaverAskForPassword(c.preconditions ? 1 : 0);
        session->setScreensaverAskForPasswordDelay(c.preconditions ? 0 : 5);
        SystemPreferences::forceUpdateCachedValues();
        delegate.calls.clear();
        controller->lockScreenFromMobileDevice_action_commandReason(phone, c.action, kCommandReasonProximity);
        advance(1);
        EXPECT_EQ(session->isScreensaverRunning(), c.screensaver) << c.action;
        if (c.action == 2) {
            EXPECT_TRUE(session->displaysAsleep());
        } else {
            EXPECT_TRUE(session->isLocked()) << c.action;
            EXPECT_EQ(delegate.calls, (std::vector<std::string>{"logout:0"})) << c.action;
        }
        // The sleep road (plain lock) is stamped for the failed-login watch; the others are not.
        EXPECT_EQ(LogoutExecution::shared().secondsSinceLastSleepCommandExecution() < 100,
                  !c.screensaver && c.action != 2)
            << c.action;
        // Back to an unlocked session for the next case.
        advance(5);
        session->stopScreensaver();
        session->wakeDisplays();
        runUntilIdle();
        if (session->isLocked()) {
            DataManager::shared().setClearTextPassword_forMobileDevice("password", phone);
            unlockCommand();
        }
        advance(5);
        LogoutExecution::shared().resetForTesting();
        ASSERT_FALSE(session->isLocked()) << c.action;
    }
}

TEST_F(ControllerTest, AdmissionAndTheWaitingPlace) {
    // A lock while the session is already locked is dropped at the door, as is an unlock while the
    // user is logged in and active.
    unlockCommand();
    EXPECT_FALSE(controller->isAnyCommandInExecution());
    lockNow();
    controller->lockScreenFromMobileDevice_action_commandReason(phone, 0, kCommandReasonProximity);
    EXPECT_FALSE(controller->isAnyCommandInExecution());
}

TEST_F(ControllerTest, LockThatDoesNotHappenIsReportedAfter4s) {
    // The lock action does nothing: the session tool is refused.
    session->setFaults({.lockScreenWithoutLockedSession = true});
    controller->lockScreenFromMobileDevice_action_commandReason(phone, 0, kCommandReasonProximity);
    advance(3.99);
    EXPECT_TRUE(delegate.calls.empty());
    advance(0.01);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"unableLock"}));
    EXPECT_FALSE(controller->isAnyCommandInExecution());
}

TEST_F(ControllerTest, UnlockArrivingWhileALockRunsWaitsAndRunsWhenTheLockEnds) {
    controller->lockScreenFromMobileDevice_action_commandReason(phone, 0, kCommandReasonProximity);
    // Locked at once; the main loop has not yet heard of it.
    controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonFromPhone);
    ASSERT_TRUE(controller->commandInQueue());
    EXPECT_TRUE(controller->safetyExecutionTimerRunning());
    controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonConfirmedOnPhone);  // replaces it
    EXPECT_EQ(controller->commandInQueue()->commandReason(), kCommandReasonConfirmedOnPhone);
    controller->lockScreenFromMobileDevice_action_commandReason(phone, 0,
                                                                kCommandReasonChosenOnMac);  // at the door
    EXPECT_EQ(controller->commandInQueue()->command(), kCommandLogin);
    advance(1);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"logout:0", "login:2"}));
    EXPECT_FALSE(session->isLocked());
    EXPECT_FALSE(controller->commandInQueue());
    EXPECT_FALSE(controller->safetyExecutionTimerRunning());
}

TEST_F(ControllerTest, PasswordTypedButSessionStillLockedIsAFailedLoginOneSecondLater) {
    // The session's user is another account: the running user's password is accepted by the check but
    // not by the lock screen.
    session->addAccount({502, "other", "Other", true, "other-secret", ""});
    session->setConsoleUser("other");
    lockNow();
    delegate.calls.clear();
    double typedAt = -1;
    session->setBeforeKeyHook([&](size_t, const platform::KeyEvent& e) {
        if (e.keyCode == 52) typedAt = elapsed();
    });
    controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonProximity);
    runUntilIdle();
    ASSERT_GE(typedAt, 0);
    advanceTo(typedAt + 0.99);
    EXPECT_TRUE(delegate.calls.empty());
    advanceTo(typedAt + 1.0);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"failedLogin"}));
    EXPECT_FALSE(controller->isAnyCommandInExecution());
    advance(10);
    EXPECT_EQ(delegate.calls.size(), 1u);  // no late "unable to unlock" for the same command
    EXPECT_EQ(logLines(), 1u);
}

TEST_F(ControllerTest, UnlockByHandWhileALoginWaitsEndsTheLoginSoLaterUnlocksRun) {
    session->setFaults({.noDisplayIdleEntry = true});  // the display cannot be woken by the application
    lockNow();
    session->sleepDisplays();
    advance(1);
    delegate.calls.clear();
    controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonProximity);
    ASSERT_TRUE(controller->isExecutingLoginCommand());
    EXPECT_TRUE(controller->loginLogoutCommands()->hasPassword());
    // The user wakes the Mac and types the password before the application hears of it.
    session->wakeDisplays();
    typeByHand("password");
    advance(1);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"manualLogin"}));
    EXPECT_FALSE(controller->isAnyCommandInExecution());
    EXPECT_FALSE(controller->loginLogoutCommands()->hasPassword());

    session->setFaults({});
    lockNow();
    delegate.calls.clear();
    advance(3);
    unlockCommand();
    EXPECT_FALSE(session->isLocked());
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"login:0"}));
}

// A new command more than 3.0 s after the running one started runs at once; until then it waits, and the
// waiting place lets it go 3.1 s after it was filled. The screen monitor misses the lock here, so the
// lock command keeps running (locked, as its 4.0 s check finds).
class WaitingPlaceTest : public ControllerTest {
protected:
    double startALockTheMonitorMisses() {
        MacDisplayControl::shared().stopTrackingDisplayChanges();
        const double started = now();
        controller->lockScreenFromMobileDevice_action_commandReason(phone, 0, kCommandReasonProximity);
        runUntilIdle();
        EXPECT_TRUE(session->isLocked());
        EXPECT_TRUE(controller->isExecutingLogoutCommand());
        return started;
    }
};

TEST_F(WaitingPlaceTest, CommandAtThreeSecondsWaitsAndRunsWhenThePlaceLetsItGoAt3point1) {
    const double started = startALockTheMonitorMisses();
    advance(started + 3.0 - now());
    controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonFromPhone);
    ASSERT_TRUE(controller->commandInQueue());
    EXPECT_TRUE(controller->isExecutingLogoutCommand());
    const double queued = now();
    advance(queued + 3.09 - now());
    EXPECT_TRUE(controller->commandInQueue());
    EXPECT_TRUE(controller->isExecutingLogoutCommand());
    advance(queued + 3.1 - now());
    EXPECT_FALSE(controller->commandInQueue());
    EXPECT_TRUE(controller->isExecutingLoginCommand());
    EXPECT_FALSE(controller->safetyExecutionTimerRunning());
    EXPECT_TRUE(delegate.calls.empty());
}

TEST_F(WaitingPlaceTest, CommandJustAfterThreeSecondsRunsAtOnce) {
    const double started = startALockTheMonitorMisses();
    advance(started + 3.01 - now());
    controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonFromPhone);
    EXPECT_FALSE(controller->commandInQueue());
    EXPECT_TRUE(controller->isExecutingLoginCommand());
    EXPECT_FALSE(controller->safetyExecutionTimerRunning());
}

// The session's dictionary drops out for a moment around the 1.0 s check, so the check finds nothing
// locked and the login runs on: what the session does afterwards decides the outcome.
class ControllerOutcomeTest : public ControllerTest {
protected:
    // Types the running user's password at the lock screen of another account, which stays locked;
    // answers when the Enter key went out.
    double typeAPasswordThatDoesNotOpen() {
        session->addAccount({502, "other", "Other", true, "other-secret", ""});
        session->setConsoleUser("other");
        lockNow();
        delegate.calls.clear();
        double typedAt = -1;
        session->setBeforeKeyHook([&typedAt, this](size_t, const platform::KeyEvent& e) {
            if (e.keyCode == 52) typedAt = now();
        });
        controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonProximity);
        runUntilIdle();
        session->setBeforeKeyHook(nullptr);
        EXPECT_GE(typedAt, 0);
        advance(typedAt + 0.5 - now());
        session->setFaults({.noSessionDictionary = true});
        advance(1.0);
        session->setFaults({});
        EXPECT_TRUE(controller->isExecutingLoginCommand());
        EXPECT_TRUE(session->isLocked());
        return typedAt;
    }
};

TEST_F(ControllerOutcomeTest, UnlockWithin5sOfTheTypingIsTheCommandsLaterItIsTheUsers) {
    // The session's change reaches the controller 0.05 s after the user's Enter.
    struct Case {
        double reportAfter;
        const char* expected;
    } cases[] = {{4.9, "login:0"}, {5.0, "manualLogin"}};
    for (const auto& c : cases) {
        const double typedAt = typeAPasswordThatDoesNotOpen();
        advance(typedAt + c.reportAfter - 0.05 - now());
        typeByHand("other-secret");
        advance(0.0499);
        EXPECT_TRUE(delegate.calls.empty()) << c.reportAfter;
        advance(0.0001);
        EXPECT_EQ(delegate.calls, std::vector<std::string>{c.expected}) << c.reportAfter;
        EXPECT_FALSE(controller->isAnyCommandInExecution());
        advance(5);
    }
}

TEST_F(ControllerOutcomeTest, StillLockedAtSixSecondsAfterTheTypingIsUnableToUnlock) {
    const double typedAt = typeAPasswordThatDoesNotOpen();
    advance(typedAt + 5.99 - now());
    EXPECT_TRUE(delegate.calls.empty());
    advance(typedAt + 6.0 - now());
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"unableUnlock"}));
    EXPECT_FALSE(controller->isAnyCommandInExecution());
    advance(10);
    EXPECT_EQ(delegate.calls.size(), 1u);
}

// Below 10.13 the typing starts 0.2 s after the lock screen is found ready; from 10.13 on at once.
TEST_F(ControllerTest, TypingWaitsTwoTenthsBelowTenThirteenOnly) {
    std::map<std::string, double> firstKeyAfterWake;
    for (const char* version : {"10.12.6", "10.13.0"}) {
        setVersion(version);
        lockNow();
        session->sleepDisplays();
        advance(1);
        double firstKey = -1;
        session->setBeforeKeyHook([&](size_t, const platform::KeyEvent&) {
            if (firstKey < 0) firstKey = now();
        });
        const double woken = now();
        controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonProximity);
        advance(2);
        session->setBeforeKeyHook(nullptr);
        ASSERT_GE(firstKey, 0) << version;
        EXPECT_FALSE(session->isLocked()) << version;
        firstKeyAfterWake[version] = firstKey - woken;
        advance(3);
    }
    EXPECT_NEAR(firstKeyAfterWake["10.12.6"] - firstKeyAfterWake["10.13.0"], 0.2, 1e-6);
}

// A second lock-screen notice within 2.0 s of the typing types nothing; later it types again.
TEST_F(ControllerTest, PasswordIsTypedAtMostOnceInTwoSeconds) {
    session->addAccount({502, "other", "Other", true, "other-secret", ""});
    session->setConsoleUser("other");
    lockNow();
    auto execution = controller->loginLogoutCommands();
    std::vector<double> selectAlls;
    session->setBeforeKeyHook([&](size_t, const platform::KeyEvent& e) {
        if (e.keyCode == 0 && e.unicode.empty()) selectAlls.push_back(now());
    });
    execution->wakeComputerForCurrentUserWithPassword("password");
    runUntilIdle();
    ASSERT_EQ(selectAlls.size(), 1u);
    const double stamped = selectAlls[0];
    advance(stamped + 2.0 - now());
    execution->wakeComputerForCurrentUserWithPassword("password");
    runUntilIdle();
    EXPECT_EQ(selectAlls.size(), 1u);
    advance(0.01);
    execution->wakeComputerForCurrentUserWithPassword("password");
    runUntilIdle();
    EXPECT_EQ(selectAlls.size(), 2u);
    session->setBeforeKeyHook(nullptr);
}
