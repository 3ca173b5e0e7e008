// The lock/unlock door on the simulated session: admission and the waiting place, the lock actions, the
// typed unlock with its checks, and the outcome timers.

#include <gtest/gtest.h>

#include <random>

#include "engine/KeyboardPressSimulator.h"
#include "engine/LoginLogoutController.h"
#include "engine/LoginLogoutExecution.h"
#include "engine/LogoutExecution.h"
#include "platform/base/RunLoop.h"
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
    void loginLogoutControllerDidLoginManualyByUser(LoginLogoutController&) override { calls.push_back("manualLogin"); }
    void loginLogoutControllerDidFailToLogin(LoginLogoutController&) override { calls.push_back("failedLogin"); }
    void loginLogoutController_didLogoutbyMobileDevice_commandReason(LoginLogoutController&,
                                                                     const std::shared_ptr<MobileDevice>&,
                                                                     int reason) override {
        calls.push_back("logout:" + std::to_string(reason));
    }
    void loginLogoutControllerDidLogoutManualyByUser(LoginLogoutController&) override {
        calls.push_back("manualLogout");
    }
    void loginLogoutControllerUnableToUnlockMac(LoginLogoutController&) override { calls.push_back("unableUnlock"); }
    void loginLogoutControllerUnableToLockMac(LoginLogoutController&) override { calls.push_back("unableLock"); }
    void loginLogoutControllerDisplayOnButUserNotLoggedIn(LoginLogoutController&) override {
        calls.push_back("displayOn");
    }
    void loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(
        LoginLogoutController&, const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("wrongPassword");
    }
};

}  // namespace

class ControllerTest : public ProximityTest {
protected:
    void SetUp() override {
        ProximityTest::SetUp();
        MacDisplayControl::shared().startTrackingDisplayChanges();
        LogoutExecution::shared().resetForTesting();
        DataManager::shared().setClearTextPassword_forMobileDevice("password", phone);
        controller = LoginLogoutController::init();
        controller->delegate = &delegate;
        runUntilIdle();
    }
    void TearDown() override {
        session->setBeforeKeyHook(nullptr);
        controller.reset();
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
    bool anyKeyReachedAnApplication() const { return !session->keysReachingApplications().empty(); }
    // Any character of the password in the key log, wherever it went.
    size_t passwordKeys() const { return keysTo(Destination::PasswordField); }

    RecordingDelegate delegate;
    std::shared_ptr<LoginLogoutController> controller;
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
    struct Case {
        const char* version;
        double typingDelay;
    };
    for (const Case& c : {Case{"10.14.6", 0.0}, Case{"10.12.6", 0.2}}) {
        setVersion(c.version);
        lockNow();
        session->sleepDisplays();
        runUntilIdle();
        const size_t keysBefore = passwordKeys();
        delegate.calls.clear();
        // The wake is answered on the main loop; stop just before the lock screen can be typed into.
        controller->loginByMobileDevice_withCommandReason(phone, kCommandReasonProximity);
        EXPECT_EQ(passwordKeys(), keysBefore);
        if (c.typingDelay > 0) {
            runUntilIdle();
            advance(c.typingDelay - 0.01);
            EXPECT_TRUE(session->isLocked()) << c.version;
            EXPECT_EQ(passwordKeys(), keysBefore) << c.version;
            advance(0.01);
        }
        runUntilIdle();
        EXPECT_FALSE(session->isLocked()) << c.version;
        EXPECT_EQ(delegate.calls, (std::vector<std::string>{"login:0"})) << c.version;
        EXPECT_FALSE(anyKeyReachedAnApplication());
        advance(3);  // the next round needs 2.0 s since the last typing and since the session changed
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
    // Select-all and delete are keys 0 and 1; the screensaver starts before the third password unit.
    session->setBeforeKeyHook([&](size_t index, const platform::KeyEvent&) {
        if (index != 4) return;
        session->sleepDisplays();
        platform::RunLoop::main().runOnce();  // the platform's news reaches the monitor between two keys
    });
    unlockCommand();
    advance(10);
    EXPECT_TRUE(session->isLocked());
    EXPECT_LE(passwordKeys(), 4u);
    EXPECT_TRUE(delegate.calls.empty()) << delegate.calls.front();
    EXPECT_FALSE(controller->isAnyCommandInExecution());
}

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
        runUntilIdle();
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
