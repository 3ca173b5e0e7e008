// The failed-login watch on the simulated session's account-policy log, through real file events.

#include "engine/session/FailedLoginAttemptListener.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/session/LogoutExecution.h"
#include "platform/base/Clock.h"
#include "platform/storage/FileEvents.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;

namespace {

struct RecordingDelegate : FailedLoginAttemptListenerDelegate {
    std::vector<double> at;  // when each failed login was told
    void failedloginAttemptListenerDidDetectFailedLogin(FailedLoginAttemptListener&) override {
        at.push_back(platform::Clock::now());
    }
};

constexpr uint16_t kKeyReturn = 36;

}  // namespace

class FailedLoginTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        MacDisplayControl::shared().startTrackingDisplayChanges();
        LogoutExecution::shared().resetForTesting();
        advance(100);  // no unset stamp looks recent
        logPath = session->accountPolicyLogPath();
    }
    void TearDown() override {
        platform::FileEventSource::cancelAllForTesting();
        runUntilIdle();
        listener.reset();
        LogoutExecution::shared().resetForTesting();
        SessionTest::TearDown();
    }
    void startListening() {
        listener = FailedLoginAttemptListener::init();
        listener->delegate = &delegate;
    }
    // Lets the file events reported so far reach the listener on the main thread.
    void settle() {
        platform::FileEventSource::deliverPendingEventsForTesting();
        runUntilIdle();
    }
    void lockWithLockScreen() {
        session->lock();
        advance(1);
        ASSERT_TRUE(MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked());
    }
    // The user's own keys at the lock screen, Return included.
    void typeAtLockScreen(const std::string& password) {
        for (char ch : password) session->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, ch)});
        session->postKeyEvent(platform::KeyEvent{kKeyReturn, 0, true, {}});
    }
    // A line the system writes for reasons of its own.
    void systemWritesToTheLog(const std::string& path = {}) {
        FILE* f = fopen((path.empty() ? logPath : path).c_str(), "a");
        ASSERT_NE(f, nullptr);
        fputs("system line\n", f);
        fclose(f);
    }

    std::string logPath;
    RecordingDelegate delegate;
    std::shared_ptr<FailedLoginAttemptListener> listener;
};

TEST_F(FailedLoginTest, WrongPasswordAtTheLockScreenIsToldOnceOneSecondLater) {
    startListening();
    lockWithLockScreen();
    typeAtLockScreen("wrong");
    ASSERT_EQ(logLines(), 1u);
    settle();
    const double changed = now();
    EXPECT_TRUE(listener->checkTimerRunning());
    advance(0.99);
    EXPECT_TRUE(delegate.at.empty());
    advance(0.01);
    ASSERT_EQ(delegate.at.size(), 1u);
    EXPECT_NEAR(delegate.at[0] - changed, 1.0, 1e-9);
    advance(10);
    EXPECT_EQ(delegate.at.size(), 1u);
    EXPECT_FALSE(listener->checkTimerRunning());

    // A second change within the second starts the second again: one report, 1.0 s after the last.
    typeAtLockScreen("wrong");
    settle();
    advance(0.5);
    typeAtLockScreen("wrong again");
    settle();
    advance(0.99);
    EXPECT_EQ(delegate.at.size(), 1u);
    advance(0.01);
    EXPECT_EQ(delegate.at.size(), 2u);
}

TEST_F(FailedLoginTest, RightPasswordUnlocksWithinTheSecondAndIsNotTold) {
    startListening();
    lockWithLockScreen();
    // The system notes the attempt as it begins; the right password then opens the session.
    for (char ch : std::string("password"))
        session->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, ch)});
    systemWritesToTheLog();
    settle();
    ASSERT_TRUE(listener->checkTimerRunning());
    session->postKeyEvent(platform::KeyEvent{kKeyReturn, 0, true, {}});
    ASSERT_FALSE(session->isLocked());
    advance(5);
    EXPECT_TRUE(delegate.at.empty());
}

TEST_F(FailedLoginTest, ChangesWithinThreeAndAHalfSecondsOfTheApplicationsOwnLockAreNotCounted) {
    startListening();
    LogoutExecution::shared().executeSleep();
    const double lockedAt = now();
    session->wakeDisplays();  // the lock also darkens the displays; the lock screen shows once they wake
    advance(1);
    ASSERT_TRUE(MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked());
    struct Case {
        double after;
        bool counted;
    } cases[] = {{3.0, false}, {3.5, false}, {3.51, true}};
    for (const auto& c : cases) {
        advance(lockedAt + c.after - now());
        session->userInput();
        systemWritesToTheLog();
        settle();
        EXPECT_EQ(listener->checkTimerRunning(), c.counted) << c.after;
    }
    advance(1);
    EXPECT_EQ(delegate.at.size(), 1u);
}

TEST_F(FailedLoginTest, AChangeCountsOnlyAtTheLockScreenWhileSomeoneTypes) {
    startListening();
    // Unlocked: the log changes for other reasons.
    session->userInput();
    systemWritesToTheLog();
    settle();
    EXPECT_FALSE(listener->checkTimerRunning());

    lockWithLockScreen();
    // Idle time in whole units of 2^30 ns: 1.07 s still reads 0 (typing), 1.08 s reads 1.
    struct Case {
        double idle;
        bool counted;
    } cases[] = {{0.0, true}, {1.07, true}, {1.08, false}, {5.0, false}};
    for (const auto& c : cases) {
        session->userInput();
        advance(c.idle);
        systemWritesToTheLog();
        settle();
        EXPECT_EQ(listener->checkTimerRunning(), c.counted) << c.idle;
        advance(2);
    }
    // An idle time that cannot be read counts as someone at the keyboard.
    platform::SimulatedSession::Faults noIdle;
    noIdle.noIdleTime = true;
    session->setFaults(noIdle);
    systemWritesToTheLog();
    settle();
    EXPECT_TRUE(listener->checkTimerRunning());
    advance(1);
    EXPECT_EQ(delegate.at.size(), 3u);
}

TEST_F(FailedLoginTest, RotatedLogIsFollowedAndWatchingEndsWhenNoNewFileIsThere) {
    startListening();
    // Rotation with the new file in place when the watch re-arms.
    ASSERT_TRUE(platform::Files::move(logPath, logPath + ".0"));
    systemWritesToTheLog();  // creates the new file
    settle();
    lockWithLockScreen();
    typeAtLockScreen("wrong");
    settle();
    advance(1);
    EXPECT_EQ(delegate.at.size(), 1u);
    // The old file no longer counts.
    session->userInput();
    systemWritesToTheLog(logPath + ".0");
    settle();
    EXPECT_FALSE(listener->checkTimerRunning());

    // Rotation with no new file yet: the watch ends, with its error line. (The rotation is a change too;
    // nobody is typing now, so it does not count.)
    advance(2);
    {
        testsupport::LogCapture log;
        ASSERT_TRUE(platform::Files::move(logPath, logPath + ".1"));
        settle();
        EXPECT_TRUE(log.contains("ERROR: File doesnt exist at path " + logPath));
    }
    typeAtLockScreen("wrong");  // the session writes a new file
    ASSERT_TRUE(platform::Files::exists(logPath));
    settle();
    advance(2);
    EXPECT_EQ(delegate.at.size(), 1u);
}

TEST_F(FailedLoginTest, MissingLogMeansNoWatch) {
    ASSERT_TRUE(platform::Files::remove(logPath));
    testsupport::LogCapture log;
    startListening();
    EXPECT_TRUE(log.contains("ERROR: File doesnt exist at path " + logPath));
    lockWithLockScreen();
    typeAtLockScreen("wrong");
    settle();
    advance(2);
    EXPECT_TRUE(delegate.at.empty());
}
