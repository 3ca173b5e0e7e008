// The way from a raw reading to the stored smoothed value, and what it means in metres, feet and per
// cent; the gate that refuses readings; the band around the lock distance.

#include <gtest/gtest.h>

#include "engine/coordinator/EngineRSSIIntake.h"
#include "engine/deciders/KestruneRadius.h"
#include "engine/deciders/RSSISmoothener.h"
#include "engine/deciders/RSSIUpdateDecider.h"
#include "engine/deciders/RssiToDistance.h"
#include "tests/engine/ProximityFixture.h"

using namespace kestrune;
using platform::Number;

TEST(RssiSmoothingTest, WorkedExamplesAndRangeEdges) {
    struct Case {
        std::optional<int> old;
        int reading;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {std::nullopt, 70, 42},  // d = 70: (0*4 + 70*6)/10
        {60, 65, 63},            // d = 5: 63.5 truncated
        {60, 80, 72},            // d = 20
        {60, 70, 66},            // a jump of exactly 10 takes 4 and 6
        {60, 69, 66},            // 9.9 below 10: (180 + 483)/10 = 66.3
        {60, 150, 83},           // 150 read as 99: (240 + 594)/10
        {60, 101, 83},           // 101 is the first capped value
        {60, 100, 60},           // 100 is ignored, not capped
        {60, 20, 60},            // below 21 ignored
        {60, 21, 36},            // 21 taken: (240 + 126)/10 = 36.6
        {60, 99, 83},           {std::nullopt, 20, std::nullopt},
    };
    for (const auto& c : cases) {
        auto old = c.old ? std::optional<Number>(Number(*c.old)) : std::nullopt;
        auto result = RSSISmoothener::smootherRssi_oldRSSI(Number(c.reading), old);
        ASSERT_EQ(result.has_value(), c.expected.has_value()) << c.reading;
        if (c.expected) {
            EXPECT_EQ(result->intValue(), *c.expected) << c.old.value_or(-1) << " " << c.reading;
        }
    }
}

TEST(RssiToDistanceTest, MetresFeetAndPercent) {
    const std::pair<int, double> meters[] = {{29, 0.1},  {30, 0.1},  {60, 1.0},   {65, 1.5},  {89, 9.0},
                                             {90, 10.0}, {95, 12.5}, {100, 15.0}, {110, 20.0}};
    for (auto [rssi, m] : meters)
        EXPECT_DOUBLE_EQ(RssiToDistance::calculateMetersFromRSSI(Number(rssi)), m) << rssi;

    EXPECT_NEAR(RssiToDistance::getFeetFromMeters(1.5), 4.9215, 1e-9);
    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(1, Number(65)), "1.5m");
    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(2, Number(65)), "4'11''");
    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(2, Number(90)), "32'9''");
    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(3, Number(29)), "100%");
    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(4, Number(65)), "");
    EXPECT_DOUBLE_EQ(RssiToDistance::getMetric_fromRSSI(7, Number(65)), 1.5);  // unknown metric: metres

    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(2, Number(30)), "0'3''");  // 0.3281 ft

    const std::pair<double, double> percents[] = {{0.1, 100}, {7.0, 0}, {3.55, 50}, {0.0, 100}, {15.0, 0}};
    for (auto [m, p] : percents)
        EXPECT_NEAR(RssiToDistance::getSignalStrengthFromMeters_withMinMeterValue_andMaxValue(m, 0.1, 7.0), p,
                    1e-9)
            << m;
    EXPECT_EQ(RssiToDistance::getStringForMetric_fromRSSI(3, Number(110)), "0%");  // 20 m, clamped

    EXPECT_DOUBLE_EQ(RssiToDistance::calculateMetersForTxPower_RSSI(-59, 0), -1.0);
    EXPECT_DOUBLE_EQ(RssiToDistance::calculateMetersForTxPower_RSSI(0, -70), -1.0);
    EXPECT_NEAR(RssiToDistance::calculateMetersForTxPower_RSSI(-60, -30), std::pow(0.5, 10), 1e-12);
    EXPECT_NEAR(RssiToDistance::calculateMetersForTxPower_RSSI(-60, -60), 0.89976 + 0.111, 1e-12);

    EXPECT_DOUBLE_EQ(RssiToDistance::rssiForLevel(0), 100);
    EXPECT_DOUBLE_EQ(RssiToDistance::metersForSensitivityLevel(9), 15.0);
}

using RssiIntakeTest = ProximityTest;

TEST_F(RssiIntakeTest, RadiusEdgesAroundTheDefaultLockDistance) {
    struct Case {
        int r;
        bool insideBand, outsideBand, inside, outside;
    };
    const Case cases[] = {{58, true, false, true, false}, {59, false, false, true, false},
                          {60, false, false, true, true}, {61, false, false, false, true},
                          {62, false, true, false, true}, {-62, false, true, false, true}};
    for (const auto& c : cases) {
        setStored(c.r);
        EXPECT_EQ(isInsideKestruneRadiusWithTreshold(*settings), c.insideBand) << c.r;
        EXPECT_EQ(isOutsideKestruneRadiusWithTreshold(*settings), c.outsideBand) << c.r;
        EXPECT_EQ(isInsideKestruneRadius(*settings), c.inside) << c.r;
        EXPECT_EQ(isOutsideKestruneRadius(*settings), c.outside) << c.r;
    }
}

TEST_F(RssiIntakeTest, GateRefusesJustAfterASessionChangeUnlessALockWasRefused) {
    auto gate = [&] { return RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings); };
    setStored(70);
    KestruneEvent::shared().kestruneLogoutTrigered();
    advance(0.49);
    EXPECT_FALSE(gate());
    advance(0.01);
    EXPECT_TRUE(gate());

    KestruneEvent::shared().kestruneLoginTrigered();
    advance(0.2);
    KestruneIdleManager::shared().kestruneRefusedToLoginBecauseUserActive();
    EXPECT_TRUE(gate());  // the refusal window comes first
    // A still phone in the band, which the other rules ignore: only the window lets it in.
    settings->iOSSettings()->setUseMotionTracking(Number(true));
    setStored(60);
    advance(6.0);
    EXPECT_TRUE(gate());  // 6.0 s is still within the window
    advance(0.01);
    EXPECT_FALSE(gate());
}

TEST_F(RssiIntakeTest, StillPhoneIsIgnoredAfter16sWithoutMotionUnlessItCrossesTheBand) {
    settings->iOSSettings()->setUseMotionTracking(Number(true));
    setStored(50);  // inside while the user is logged in: no crossing in sight
    MotionTracking::shared().motionDetected();
    advance(16.0);
    EXPECT_TRUE(RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings));
    advance(0.01);
    EXPECT_FALSE(RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings));
    setStored(62);  // outside the band while the user is active: always taken
    EXPECT_TRUE(RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings));
    setStored(61);
    EXPECT_FALSE(RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings));
    settings->iOSSettings()->setUseMotionTracking(Number(false));
    EXPECT_TRUE(RSSIUpdateDecider::shouldUpdateRSSIForMobileDeviceSettings(settings));
}

TEST_F(RssiIntakeTest, SmoothenerStoresIntoTheTrackedPhonesRecord) {
    setStored(std::nullopt);
    RSSISmoothener::smoothenRSSI_forMobileDevice(Number(70), phone);
    EXPECT_EQ(stored(), 42);
    RSSISmoothener::smoothenRSSI_forMobileDevice(Number(100), phone);
    EXPECT_EQ(stored(), 42);
    RSSISmoothener::smoothenRSSI_forMobileDevice(Number(70), nullptr);  // no phone: nothing, no crash
    EXPECT_EQ(stored(), 42);
}

// Once installed, the link's intake is the engine's: smoothing, not the link's store-as-is default.
TEST_F(RssiIntakeTest, TheLinksIntakeIsTheEnginesOnceInstalled) {
    setStored(60);
    RSSIIntake::current()->smoothenRSSI_forMobileDevice(Number(80), phone);
    EXPECT_EQ(stored(), 80);  // the default stores the reading as it is
    setStored(60);
    EngineRSSIIntake::install();
    RSSIIntake::current()->smoothenRSSI_forMobileDevice(Number(80), phone);
    EXPECT_EQ(stored(), 72);
    RSSIIntake::install(nullptr);
}
