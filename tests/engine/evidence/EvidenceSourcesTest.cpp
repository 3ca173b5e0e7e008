#include "engine/coordinator/PeriodicNotifierController.h"
#include "engine/evidence/IdleTimer.h"
#include "platform/base/Clock.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;

using EvidenceSourcesTest = SessionTest;

TEST_F(EvidenceSourcesTest, OwnEventsAreInfinitelyOldUntilStamped) {
    auto& events = KestruneEvent::shared();
    EXPECT_DOUBLE_EQ(events.timeSinceAnyEvent(), platform::Clock::now());
    events.kestruneLoginTrigered();
    advance(5);
    events.kestruneLogoutTrigered();
    advance(2);
    EXPECT_NEAR(events.timeSinceLastLogin(), 7, 1e-6);
    EXPECT_NEAR(events.timeSinceAnyEvent(), 2, 1e-6);
    EXPECT_GT(MotionTracking::shared().secondsPassesSinceLastMotion(), 1e9);
    MotionTracking::shared().motionDetected();
    advance(1.5);
    EXPECT_NEAR(MotionTracking::shared().secondsPassesSinceLastMotion(), 1.5, 1e-6);
}

TEST_F(EvidenceSourcesTest, ALongSleepIsStrictlyLongerThanThreeHundredSeconds) {
    struct Case {
        double asleep;
        bool longSleep;
    } cases[] = {{300.0, false}, {300.5, true}};
    IdleController::shared();
    auto& tracker = SleepDurationTracker::shared();
    recordNotifications();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asleep);
        posted.clear();
        session->sleepSystem();
        advance(c.asleep);
        session->wakeSystem();
        runUntilIdle();
        bool announced = std::any_of(posted.begin(), posted.end(), [](const auto& p) {
            return p.name == SleepDurationTracker::kApplicationDidWakeAfterLongSleep;
        });
        EXPECT_EQ(announced, c.longSleep);
        EXPECT_EQ(tracker.secondsSinceLastLongWakeNotification() < 1, c.longSleep);
        EXPECT_NEAR(tracker.secondsSinceLastWakeNotification(), 0, 1e-6);
    }
}

TEST_F(EvidenceSourcesTest, RefusedUnlockCountsAsRecentForSixSecondsInclusive) {
    struct Case {
        double after;
        bool recent;
    } cases[] = {{0, true}, {6.0, true}, {6.1, false}};
    auto& idle = KestruneIdleManager::shared();
    EXPECT_FALSE(idle.kestruneRefusedToLoginRecentlyBecauseUserWasActive());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        idle.kestruneRefusedToLoginBecauseUserActive();
        advance(c.after);
        EXPECT_EQ(idle.kestruneRefusedToLoginRecentlyBecauseUserWasActive(), c.recent);
    }
}

TEST_F(EvidenceSourcesTest, IdleTimeIsShiftedByThirtyBitsAndUnreadableMeansActive) {
    struct Case {
        double idle;  // seconds since the last input; negative: unreadable
        int64_t reading;
        bool veryRecent, recent, activeIn2, activeIn2_5;
    } cases[] = {
        {0.5, 0, true, true, true, true},   {2.0, 1, false, true, true, true},
        {2.5, 2, false, true, false, true}, {3.3, 3, false, false, false, false},
        {-1, -1, true, true, true, true},
    };
    auto& idle = KestruneIdleManager::shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.idle);
        platform::SimulatedSession::Faults faults;
        faults.noIdleTime = c.idle < 0;
        session->setFaults(faults);
        session->userInput();
        if (c.idle > 0) advance(c.idle);
        EXPECT_EQ(IdleTimer::userNotActiveForSeconds(), c.reading);
        EXPECT_EQ(idle.userWasVeryRecentlyActive(), c.veryRecent);
        EXPECT_EQ(idle.userWasRecentlyActive(), c.recent);
        EXPECT_EQ(idle.userWasActiveInTheLastSeconds(2.0), c.activeIn2);
        EXPECT_EQ(idle.userWasActiveInTheLastSeconds(2.5), c.activeIn2_5);
    }
    // A key resets the idle time.
    session->setFaults({});
    advance(10);
    session->postKeyEvent(platform::KeyEvent{0, 0, true, u"k"});
    EXPECT_EQ(IdleTimer::userNotActiveForSeconds(), 0);
}

TEST_F(EvidenceSourcesTest, LidChangesArePostedOnceEachOnTheMainThread) {
    std::vector<int32_t> states;
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        LaptopLidEvidenceSource::kLaptopLidStateHasChanged, nullptr, [&](const platform::Notification&) {
            EXPECT_TRUE(platform::isMainThread());
            states.push_back(LaptopLidEvidenceSource::shared().lastKnownLaptopLidState());
        });
    auto& lid = LaptopLidEvidenceSource::shared();  // posts once at creation
    ASSERT_TRUE(lid.startTrackingLaptopLidChanges());
    session->closeLid();
    runUntilIdle();
    lid.didUpdateLidStateInternalNotification();  // closed again: no change, no post
    EXPECT_TRUE(MacDisplayControl::shared().laptopLidIsDownAndNoExternalMonitor());
    session->openLid();
    runUntilIdle();
    EXPECT_EQ(states, (std::vector<int32_t>{0, 1, 0}));
    lid.stopTrackingLaptopLidChanges();
    session->closeLid();
    runUntilIdle();
    EXPECT_EQ(states.size(), 3u);
    EXPECT_TRUE(LaptopLidEvidenceSource::laptopLidIsClosed());  // read on demand
}

TEST_F(EvidenceSourcesTest, DesktopMacHasNoLidAndAWatchNeverArmedStopsHarmlessly) {
    platform::SimulatedSession::Faults desktopMac;
    desktopMac.noClamshell = true;
    session->setFaults(desktopMac);
    recordNotifications();
    LaptopLidEvidenceSource* lid = &LaptopLidEvidenceSource::shared();
    lid->stopTrackingLaptopLidChanges();
    EXPECT_EQ(lid->lastKnownLaptopLidState(), -1);
    ASSERT_TRUE(lid->startTrackingLaptopLidChanges());
    session->closeLid();
    session->openLid();
    runUntilIdle();
    EXPECT_FALSE(LaptopLidEvidenceSource::laptopLidIsClosed());
    EXPECT_EQ(posted.size(), 1u);

    // Without the power manager's root domain the watch cannot be armed.
    platform::SimulatedSession::uninstall();
    auto unarmed = LaptopLidEvidenceSource::make();
    EXPECT_FALSE(unarmed->startTrackingLaptopLidChanges());
    unarmed->stopTrackingLaptopLidChanges();
}

TEST_F(EvidenceSourcesTest, IdleSleepIsRefusedWhileThePowerWatcherRuns) {
    session->requestIdleSleep();
    runUntilIdle();
    EXPECT_TRUE(session->isSystemAsleep());  // nobody refused
    session->wakeSystem();
    runUntilIdle();

    IdleController::shared();
    session->requestIdleSleep();
    runUntilIdle();
    EXPECT_FALSE(session->isSystemAsleep());
    EXPECT_EQ(session->idleSleepRefusals(), 1);

    IdleController::resetSharedForTesting();
    platform::SimulatedSession::uninstall();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(IdleController::make()->isRegistered());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "IORegisterForSystemPower failed\n");
}

namespace {
struct Ticks : PeriodicNotifierControllerDelegate {
    int count = 0;
    void periodicNotifierControllerDidTrigger(PeriodicNotifierController&) override { ++count; }
};
}  // namespace

TEST_F(EvidenceSourcesTest, PeriodicTickEveryIntervalUntilStopped) {
    Ticks ticks;
    {
        PeriodicNotifierController controller;
        controller.delegate = &ticks;
        controller.startPeriodicTimerWithIntervalInSeconds(240);
        advance(239.9);
        EXPECT_EQ(ticks.count, 0);
        advance(0.1);
        EXPECT_EQ(ticks.count, 1);
        controller.startPeriodicTimerWithIntervalInSeconds(240);  // restarting starts the interval afresh
        advance(239.9);
        EXPECT_EQ(ticks.count, 1);
        advance(240.1);
        EXPECT_EQ(ticks.count, 3);
        controller.stopPeriodicTimer();
        advance(500);
        EXPECT_EQ(ticks.count, 3);
        controller.startPeriodicTimerWithIntervalInSeconds(240);
    }
    advance(500);  // destroyed: stopped
    EXPECT_EQ(ticks.count, 3);
}

TEST_F(EvidenceSourcesTest, FullScreenDetectionLooksForTheMenuBarWindow) {
    testsupport::LogCapture log;
    FullScreenDetection::shared().startMonitoring();
    session->setFullScreenSpace(true);
    runUntilIdle();
    EXPECT_TRUE(log.contains("fullscreen: Yes"));
    EXPECT_TRUE(log.contains("Finder:200--{{0, 0}, {1440, 900}}-"));
    session->setFullScreenSpace(false);
    runUntilIdle();
    EXPECT_TRUE(log.contains("fullscreen: No"));
    EXPECT_TRUE(log.contains("Window Server:100-Menubar-{{0, 0}, {1440, 22}}-"));
}
