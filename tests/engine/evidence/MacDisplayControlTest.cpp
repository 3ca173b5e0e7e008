#include "engine/evidence/MacDisplayControl.h"

#include "engine/evidence/ScreenLockedController.h"
#include "platform/system/Workspace.h"
#include "tests/engine/SessionFixture.h"

using namespace kestrune;
using Display = platform::SimulatedSession::Display;

namespace {

const Display kBuiltIn{1, true, {0, 0, 1440, 900}};
const Display kExternal{7, false, {1440, 0, 1920, 1080}};

size_t countOf(const std::vector<SessionTest::Posted>& posted, const std::string& name) {
    return static_cast<size_t>(
        std::count_if(posted.begin(), posted.end(), [&](const auto& p) { return p.name == name; }));
}

}  // namespace

class MacDisplayControlTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        recordNotifications();
        monitor().startTrackingDisplayChanges();
    }
    static MacDisplayControl& monitor() { return MacDisplayControl::shared(); }
};

TEST_F(MacDisplayControlTest, LockScreenOverAnUnlockedSessionIsNotALockedDevice) {
    platform::SimulatedSession::Faults faults;
    faults.lockScreenWithoutLockedSession = true;
    session->setFaults(faults);
    session->lock();
    runUntilIdle();
    EXPECT_TRUE(monitor().lockOnScreenShownNotificationState());
    EXPECT_TRUE(monitor().ifLockOnScreenShown());
    EXPECT_FALSE(monitor().ifScreenIsLockedOrScreensaverShown());  // and it clears the lock-screen state
    EXPECT_FALSE(monitor().lockOnScreenShownNotificationState());
    advance(0.1);
    EXPECT_EQ(countOf(posted, MacDisplayControl::kLockOnScreenShownNotification), 1u);
    EXPECT_EQ(countOf(posted, MacDisplayControl::kDeviceLockedAndLockOnScreenShownNotification), 0u);
}

TEST_F(MacDisplayControlTest, ASecondDisplayIsAnnouncedOnceThoughTheCallbackFiresSeveralTimes) {
    int callbacks = 0;
    auto server = platform::WindowServer::current();
    uint64_t counting = server->addDisplayReconfigurationCallback([&](uint32_t, uint32_t) { ++callbacks; });
    session->setDisplays({kBuiltIn, kExternal});
    runUntilIdle();
    EXPECT_EQ(callbacks, platform::SimulatedSession::kReconfigurationCallsPerChange);
    EXPECT_EQ(countOf(posted, MacDisplayControl::kExternalMonitorPluggedInOrOut), 1u);
    EXPECT_EQ(countOf(posted, MacDisplayControl::kMainScreenHasChanged), 0u);
    EXPECT_TRUE(monitor().externalMonitorPluggedIn());
    EXPECT_TRUE(monitor().hasExternalScreen());

    // The external display becomes the main one, then goes away.
    session->setDisplays({kBuiltIn, kExternal}, 1);
    runUntilIdle();
    EXPECT_EQ(countOf(posted, MacDisplayControl::kMainScreenHasChanged), 1u);
    EXPECT_EQ(monitor().mainScreenID(), 7);
    session->setDisplays({kBuiltIn});
    runUntilIdle();
    EXPECT_EQ(countOf(posted, MacDisplayControl::kExternalMonitorPluggedInOrOut), 2u);
    EXPECT_EQ(countOf(posted, MacDisplayControl::kMainScreenHasChanged), 2u);
    EXPECT_FALSE(monitor().hasExternalDisplay());
    server->removeDisplayReconfigurationCallback(counting);
}

TEST_F(MacDisplayControlTest, LatchReportsALockWithoutLockScreenUntilOneIsShown) {
    EXPECT_FALSE(monitor().didNotShowLockScreenAfterLocking());
    monitor().resetDidShowLockOnScreenAfterLogout();
    session->sleepDisplays();
    session->lock();  // the displays are asleep: no lock screen yet
    advance(1);
    EXPECT_TRUE(monitor().didNotShowLockScreenAfterLocking());
    session->wakeDisplays();
    advance(1);
    EXPECT_FALSE(monitor().didNotShowLockScreenAfterLocking());
}

TEST_F(MacDisplayControlTest, StoppingEndsEverySubscriptionAndTheDisplayThread) {
    auto& workspace = platform::Workspace::shared().notificationCenter();
    EXPECT_GT(platform::DistributedNotificationCenter::defaultCenter().observerCount(), 0u);
    monitor().startTrackingDisplayChanges();  // a second start changes nothing
    monitor().stopTrackingDisplayChanges();
    monitor().stopTrackingDisplayChanges();
    EXPECT_FALSE(monitor().isTrackingDisplayChanges());
    EXPECT_EQ(platform::DistributedNotificationCenter::defaultCenter().observerCount(), 0u);

    workspace.post(platform::kWorkspaceScreensDidSleepNotification);
    session->setDisplays({kBuiltIn, kExternal});
    session->lock();
    advance(1);
    EXPECT_FALSE(monitor().allScreensTurnedOff());
    EXPECT_FALSE(monitor().externalMonitorPluggedIn());
    EXPECT_FALSE(monitor().lockOnScreenShownNotificationState());
    // Only the application's own screen-parameter notice, which the session posts itself.
    EXPECT_EQ(posted.size(), countOf(posted, platform::kApplicationDidChangeScreenParametersNotification));

    // And it can start again.
    monitor().startTrackingDisplayChanges();
    session->setDisplays({kBuiltIn});
    runUntilIdle();
    EXPECT_EQ(countOf(posted, MacDisplayControl::kExternalMonitorPluggedInOrOut), 1u);
}

TEST_F(MacDisplayControlTest, NoSessionDictionaryMeansUnlocked) {
    session->lock();
    advance(1);
    ASSERT_TRUE(monitor().ifLockOnScreenShownAndDeviceLocked());
    platform::SimulatedSession::Faults faults;
    faults.noSessionDictionary = true;
    session->setFaults(faults);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ScreenLockedController::screenIsLocked());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to get session dictionary.\n");
    EXPECT_TRUE(monitor().ifUserLoggedInAndActive());
}

TEST_F(MacDisplayControlTest, FocusScreenFollowsTheMouseWithTheDesktopsEdgeRules) {
    session->setDisplays({kBuiltIn, kExternal});
    runUntilIdle();
    struct Case {
        double x, y;
        std::optional<int64_t> screen;
    } cases[] = {
        {0, 450, 1},
        {1439.9, 450, 1},
        {1440, 450, 7},  // the left edge is inside, the right one not
        {720, 0, std::nullopt},
        {720, 900, 1},
        {720, 901, std::nullopt},  // the bottom edge is outside
        {3359, 1080, 7},
        {3360, 500, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        session->setMouseLocation({c.x, c.y});
        EXPECT_EQ(monitor().focusScreenNumber(), c.screen);
    }
    EXPECT_EQ(monitor().mainScreenNumber(), 1);
}
