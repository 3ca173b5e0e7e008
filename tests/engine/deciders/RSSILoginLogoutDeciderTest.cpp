// Confirmed crossings of the lock radius and the commands they lead to, on the simulated session.

#include <gtest/gtest.h>

#include "engine/deciders/RSSILoginLogoutDecider.h"
#include "engine/deciders/SafeWifiUnlockPolicy.h"
#include "tests/engine/ProximityFixture.h"

using namespace kestrune;
using platform::Number;

namespace {

struct RecordingDelegate : RSSILoginLogoutDeciderDelegate {
    std::vector<std::string> calls;
    void RSSILoginLogoutDecider_recheckRssiForMobileDevice(RSSILoginLogoutDecider&,
                                                           const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("recheck");
    }
    void RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(RSSILoginLogoutDecider&,
                                                             const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("remote");
    }
    void RSSILoginLogoutDecider_didExitKestruneRadius(RSSILoginLogoutDecider&,
                                                      const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("exit");
    }
    void RSSILoginLogoutDecider_logoutForMobileDevice(RSSILoginLogoutDecider&,
                                                      const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("logout");
    }
    void RSSILoginLogoutDecider_didEnterKestruneRadius(RSSILoginLogoutDecider&,
                                                       const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("enter");
    }
    void RSSILoginLogoutDecider_loginForMobileDevice(RSSILoginLogoutDecider&,
                                                     const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("login");
    }
    void RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(
        RSSILoginLogoutDecider&, const std::shared_ptr<MobileDevice>&) override {
        calls.push_back("views");
    }
    size_t count(const std::string& name) const { return std::count(calls.begin(), calls.end(), name); }
};

struct FixedWifi : SafeWifiUnlockPolicy {
    bool shouldUnlockForSafeWifi() override { return true; }
};

}  // namespace

class DeciderTest : public ProximityTest {
protected:
    void SetUp() override {
        ProximityTest::SetUp();
        MacDisplayControl::shared().startTrackingDisplayChanges();
        decider.delegate = &delegate;
    }
    void TearDown() override {
        SafeWifiUnlockPolicy::install(nullptr);
        ProximityTest::TearDown();
    }
    void reading(int smoothed) {
        setStored(smoothed);
        decider.didUpdateRSSI_fromMobileDevice(Number(smoothed), phone);
    }
    // The session locked with the lock screen shown and the user long idle.
    void lockedAndIdle() {
        session->lock();
        runUntilIdle();
        advance(10);
    }

    RecordingDelegate delegate;
    RSSILoginLogoutDecider decider;
};

TEST_F(DeciderTest, EleventhReadingConfirmsAndAGapOver08sRestartsTheRun) {
    struct Case {
        double gapAfterFifth;
        int readingsNeeded;
    };
    // 0.8 s is still within the run; 0.81 s cuts it, so counting starts again from the sixth.
    const Case cases[] = {{0.5, 11}, {0.8, 11}, {0.81, 16}};
    for (const auto& c : cases) {
        lockedAndIdle();
        DataManager::shared().localSettingsForDevice(std::string("phone-1"))->setKestruneConfirmedLocation(0);
        delegate.calls.clear();
        int confirmedAt = 0;
        for (int i = 1; i <= 20 && !confirmedAt; ++i) {
            reading(55);
            if (location() == 2) confirmedAt = i;
            advance(i == 5 ? c.gapAfterFifth : 0.5);
        }
        EXPECT_EQ(confirmedAt, c.readingsNeeded) << c.gapAfterFifth;
        EXPECT_EQ(delegate.count("recheck"), size_t(c.readingsNeeded - 1));
        EXPECT_EQ(delegate.count("login"), 1u) << c.gapAfterFifth;
        decider = RSSILoginLogoutDecider();
        decider.delegate = &delegate;
    }
}

TEST_F(DeciderTest, ReadingInTheBandResetsTheRunAndStoresTheLockDistance) {
    lockedAndIdle();
    for (int i = 0; i < 10; ++i, advance(0.5)) reading(55);
    reading(60);
    EXPECT_DOUBLE_EQ(settings->distanceFromDevice()->doubleValue(), 60.0);
    advance(0.5);
    for (int i = 0; i < 10; ++i, advance(0.5)) reading(55);
    EXPECT_EQ(location(), 0);
    reading(55);
    EXPECT_EQ(location(), 2);
}

TEST_F(DeciderTest, ConfirmedSideRetriesHeldBackCommandsWithoutANewRun) {
    // Lock: the exit is confirmed while the user typed 1.0 s ago; the refusal is stamped, and each
    // later reading of the confirmed side tries again. The idle clock counts in units of 2^30 ns, so
    // "3 s" ends at 3.22 s: refused at 3.0 s, done at 3.25 s.
    advance(10);
    for (int i = 1; i <= 11; ++i, advance(0.5)) {
        if (i == 9) session->userInput();
        reading(70);
    }
    EXPECT_EQ(location(), 1);
    EXPECT_EQ(delegate.count("logout"), 0u);
    EXPECT_TRUE(KestruneIdleManager::shared().kestruneRefusedToLoginRecentlyBecauseUserWasActive());
    advance(1.5);  // input 3.0 s old
    reading(70);
    EXPECT_EQ(delegate.count("logout"), 0u);
    advance(0.25);
    delegate.calls.clear();
    reading(70);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"exit", "logout"}));

    // Unlock spacing: 2.0 s since the session's change, then 1.6 s since the decider's own command
    // (dyadic steps keep virtual time exact).
    session->lock();
    runUntilIdle();
    KestruneEvent::shared().kestruneLogoutTrigered();
    delegate.calls.clear();
    for (int i = 0; i < 11; ++i, advance(0.0625)) reading(55);
    EXPECT_EQ(location(), 2);
    EXPECT_EQ(delegate.count("login"), 0u);
    advance(2.0 - 0.6875 - 1.0 / 64);
    reading(55);
    EXPECT_EQ(delegate.count("login"), 0u);
    advance(1.0 / 64);
    reading(55);
    EXPECT_EQ(delegate.count("login"), 1u);
    advance(1.59375);
    reading(55);
    EXPECT_EQ(delegate.count("login"), 1u);
    advance(0.03125);
    reading(55);
    EXPECT_EQ(delegate.count("login"), 2u);
    EXPECT_EQ(delegate.count("recheck"), 10u);  // only the first run counted
}

TEST_F(DeciderTest, ReadingsNotAnalysedStillSpaceTheDisplayUpdates) {
    lockedAndIdle();
    struct Case {
        const char* what;
        std::function<void()> apply, undo;
    };
    auto user = settings->registeredDeviceUser();
    const Case cases[] = {
        {"trusted Wi-Fi", [] { SafeWifiUnlockPolicy::install(std::make_shared<FixedWifi>()); },
         [] { SafeWifiUnlockPolicy::install(nullptr); }},
        {"other user", [&] { user->setUsername(std::string("someone-else")); },
         [&] { user->setUsername(platform::ProcessInfo::shared().userName()); }},
        {"tracking off",
         [&] { settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(false)); },
         [&] { settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(Number(true)); }},
    };
    for (const auto& c : cases) {
        c.apply();
        delegate.calls.clear();
        for (int i = 0; i < 20; ++i, advance(0.5)) reading(55);
        EXPECT_EQ(location(), 0) << c.what;
        // 10 s of readings, one display update per more than 1.5 s: at 0, 2.0, 4.0, 6.0, 8.0.
        EXPECT_EQ(delegate.count("views"), 5u) << c.what;
        EXPECT_EQ(delegate.count("recheck"), 0u) << c.what;
        c.undo();
    }
    settings->pairingInfo()->setConnectionStatus(Number(5));
    delegate.calls.clear();
    advance(2);
    reading(55);
    EXPECT_TRUE(delegate.calls.empty());
}

TEST_F(DeciderTest, LockSpacingFromTheDecidersLastCommandAndTheSessionsLastChange) {
    // The recording delegate does not lock: the user stays logged in, and once the exit is confirmed
    // each outside reading runs the lock tests again. Dyadic steps keep virtual time exact.
    auto readingAt = [&](double t) {
        advance(t - now());
        reading(70);
        return delegate.count("logout");
    };
    advance(10);
    for (int i = 0; i < 10; ++i, advance(0.0625)) reading(70);
    const double first = now();
    ASSERT_EQ(readingAt(first), 1u);  // the eleventh confirms the exit and locks

    // At least 1.6 s since the decider's own last command.
    EXPECT_EQ(readingAt(first + 1.59375), 1u);
    EXPECT_EQ(readingAt(first + 1.625), 2u);

    // At least 2.0 s since the session last changed between locked and unlocked, whoever changed it.
    advance(2);
    KestruneEvent::shared().kestruneLoginTrigered();
    const double changed = now();
    EXPECT_EQ(readingAt(changed + 2.0 - 1.0 / 64), 2u);
    EXPECT_EQ(readingAt(changed + 2.0), 3u);
}
