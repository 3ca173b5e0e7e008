#include "link/transport/DeviceSpecificConfig.h"

#include <functional>

#include "tests/link/BluetoothFixture.h"

using kestrune::DeviceSpecificConfig;

namespace {

class DeviceSpecificConfigTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        platform::SystemVersion::setOverride(std::nullopt);
        KestruneTest::TearDown();
    }
    bool on(const char* version, const std::function<bool()>& question) {
        platform::SystemVersion::setOverride(version);
        return question();
    }
};

struct Switch {
    const char* name;
    std::function<bool()> question;
    const char* before;  // the last version on one side of its threshold
    const char* after;   // the first on the other side
    bool answerBefore;
};

}  // namespace

TEST_F(DeviceSpecificConfigTest, EverySwitchFlipsExactlyAtItsThreshold) {
    const Switch switches[] = {
        {"hasScreenOverlay", DeviceSpecificConfig::hasScreenOverlay, "10.12.6", "10.13", true},
        {"shouldCancelNotificationsWhileDisconnected",
         DeviceSpecificConfig::shouldCancelNotificationsWhileDisconnected, "10.12.6", "10.13", false},
        {"shouldIgnoreConnectionsWithWrongManifacturerDefined",
         DeviceSpecificConfig::shouldIgnoreConnectionsWithWrongManifacturerDefined, "10.11.6", "10.12", true},
        {"callUpdateRSSITwiceForFasterResponse", DeviceSpecificConfig::callUpdateRSSITwiceForFasterResponse,
         "10.9.5", "10.10", false},
        {"shouldAlwaysUseLongestDisconnectTimerWhenStuck",
         DeviceSpecificConfig::shouldAlwaysUseLongestDisconnectTimerWhenStuck, "10.9.5", "10.10", true},
        {"shouldIgnoreConnectionIfNotConnectebleInAdvertisingData",
         DeviceSpecificConfig::shouldIgnoreConnectionIfNotConnectebleInAdvertisingData, "10.9.5", "10.10",
         false},
        {"shouldIgnoreUnconnectablePeripherals", DeviceSpecificConfig::shouldIgnoreUnconnectablePeripherals,
         "10.12.6", "10.13", true},
        {"shouldForceTerminateOnUnsubscriptions", DeviceSpecificConfig::shouldForceTerminateOnUnsubscriptions,
         "10.12.6", "10.13", true},
        {"shouldKeepSubscriptionsOnDisconnect", DeviceSpecificConfig::shouldKeepSubscriptionsOnDisconnect,
         "10.12.6", "10.13", false},
        {"needsAccessibilityToUnlockMac", DeviceSpecificConfig::needsAccessibilityToUnlockMac, "10.13.6",
         "10.14", false},
        {"shouldForceTerminateOnUnknownError", DeviceSpecificConfig::shouldForceTerminateOnUnknownError,
         "10.12.6", "10.13", true},
        {"shouldTryToConnectToLastKnownConnection",
         DeviceSpecificConfig::shouldTryToConnectToLastKnownConnection, "10.12.6", "10.13", true},
        {"shouldIgnoreConnectionsWithEmptyAdvertisingServices",
         DeviceSpecificConfig::shouldIgnoreConnectionsWithEmptyAdvertisingServices, "10.9.5", "10.10", true},
        {"shouldMarkUpdateNotificationStateErrorAsUnsolvable",
         DeviceSpecificConfig::shouldMarkUpdateNotificationStateErrorAsUnsolvable, "10.9", "10.10", true},
    };
    for (const auto& s : switches) {
        EXPECT_EQ(on(s.before, s.question), s.answerBefore) << s.name << " on " << s.before;
        EXPECT_EQ(on(s.after, s.question), !s.answerBefore) << s.name << " on " << s.after;
    }
}

TEST_F(DeviceSpecificConfigTest, VersionsCompareByTheirNumbersNotTheirLetters) {
    // "10.10" sorts before "10.9" as text; as numbers it is the later system.
    EXPECT_TRUE(on("10.10", DeviceSpecificConfig::callUpdateRSSITwiceForFasterResponse));
    EXPECT_TRUE(on("10.13.10", DeviceSpecificConfig::shouldKeepSubscriptionsOnDisconnect));
    EXPECT_TRUE(on("11.2", DeviceSpecificConfig::needsAccessibilityToUnlockMac));
    EXPECT_FALSE(on("11.2", DeviceSpecificConfig::hasScreenOverlay));
}

TEST_F(DeviceSpecificConfigTest, ImmediateDisconnectReportsOnTheTenNineSystemAndFromTenThirteen) {
    EXPECT_TRUE(on("10.9.5", DeviceSpecificConfig::shouldImmedatellyNotifiyDelegateOfDisconnect));
    EXPECT_FALSE(on("10.10", DeviceSpecificConfig::shouldImmedatellyNotifiyDelegateOfDisconnect));
    EXPECT_FALSE(on("10.12.6", DeviceSpecificConfig::shouldImmedatellyNotifiyDelegateOfDisconnect));
    EXPECT_TRUE(on("10.13", DeviceSpecificConfig::shouldImmedatellyNotifiyDelegateOfDisconnect));
}

TEST_F(DeviceSpecificConfigTest, TheAllServicesScanDependsOnTheRatioOnlyOnTenTwelve) {
    auto ratio = [](double r) {
        return [r] { return DeviceSpecificConfig::shouldScanForAllServicesForScanRation(r); };
    };
    EXPECT_FALSE(on("10.12.3", ratio(2.5)));
    EXPECT_TRUE(on("10.12.3", ratio(2.51)));
    EXPECT_TRUE(on("10.12.5", ratio(3)));
    EXPECT_FALSE(on("10.12.6", ratio(100)));
    EXPECT_FALSE(on("10.14.6", ratio(100)));
    EXPECT_TRUE(on("10.11.6", ratio(0)));
    EXPECT_TRUE(on("10.10", ratio(0)));
    EXPECT_FALSE(on("10.9.5", ratio(100)));
}

TEST_F(DeviceSpecificConfigTest, ConstantsAndTheScanIntervalsOfTheTenNineSystem) {
    EXPECT_FALSE(on("10.9", DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan));
    EXPECT_FALSE(on("10.14.6", DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan));
    EXPECT_TRUE(on("10.9", DeviceSpecificConfig::lockOnScreenShownSystemNotificationsWork));
    EXPECT_EQ(DeviceSpecificConfig::BLEIntializationTime(), 0.5);
    EXPECT_EQ(DeviceSpecificConfig::maxClipboardCharLength(), 10000);
    EXPECT_EQ(DeviceSpecificConfig::scanIntervalVeryIntense(), 1.1);
    platform::SystemVersion::setOverride("10.9.5");
    EXPECT_EQ(DeviceSpecificConfig::scanIntervalNormal(), 6.5);
    EXPECT_EQ(DeviceSpecificConfig::scanIntervalIntense(), 6.5);
    platform::SystemVersion::setOverride("10.10");
    EXPECT_EQ(DeviceSpecificConfig::scanIntervalNormal(), 15.0);
    EXPECT_EQ(DeviceSpecificConfig::scanIntervalIntense(), 10.0);
}

TEST_F(DeviceSpecificConfigTest, ATestOverrideBeatsTheVersionUntilRemoved) {
    DeviceSpecificConfig::overrideSwitchForTesting(
        DeviceSpecificConfig::kShouldRetreiveConnectedPeripheralsOnScan, true);
    DeviceSpecificConfig::overrideSwitchForTesting(
        DeviceSpecificConfig::kShouldTryToConnectToLastKnownConnection, false);
    EXPECT_TRUE(on("10.14.6", DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan));
    EXPECT_FALSE(on("10.11.6", DeviceSpecificConfig::shouldTryToConnectToLastKnownConnection));
    // Only the switch overridden changes.
    EXPECT_TRUE(on("10.11.6", DeviceSpecificConfig::shouldIgnoreUnconnectablePeripherals));
    DeviceSpecificConfig::overrideSwitchForTesting(
        DeviceSpecificConfig::kShouldTryToConnectToLastKnownConnection, std::nullopt);
    EXPECT_TRUE(on("10.11.6", DeviceSpecificConfig::shouldTryToConnectToLastKnownConnection));
    DeviceSpecificConfig::removeOverridesForTesting();
    EXPECT_FALSE(on("10.14.6", DeviceSpecificConfig::shouldRetreiveConnectedPeripheralsOnScan));
}
