#include "link/message/KestruneViewState.h"

#include "link/message/NMShortStringCoder.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;

namespace {

class KestruneViewStateTest : public testsupport::KestruneTest {
protected:
    static std::shared_ptr<KestruneViewState> state() {
        auto s = KestruneViewState::init();
        s->setDeviceId("MAC-1");
        s->setTrackingDistanceText("1 m");
        s->setMacDeviceName("Desk");
        s->setMetricDistanceText("0.5 m");
        s->setLanguage("en");
        s->setConnectionState(Number(10));
        s->setHasTrackingDevice(Number(true));
        return s;
    }
};

}  // namespace

TEST_F(KestruneViewStateTest, SnapshotsCompareByWhatTheyShow) {
    auto a = state();
    auto b = state();
    EXPECT_TRUE(a->isSameAsState(b));
    EXPECT_FALSE(a->isSameAsState(nullptr));

    b->setTrackingDistance(Number(75));  // not compared: its text is
    b->setMetric(Number(2));
    EXPECT_TRUE(a->isSameAsState(b));

    b->setConnectionState(Number(10.7));  // integers compare without their fraction
    EXPECT_TRUE(a->isSameAsState(b));
    b->setUserIsLoggedIn(Number(0));  // absent and 0 are both false
    EXPECT_TRUE(a->isSameAsState(b));
    b->setHasTrackingDevice(Number(5));  // any true value is true
    EXPECT_TRUE(a->isSameAsState(b));

    b->setCanReachClipboard(Number(1));
    EXPECT_FALSE(a->isSameAsState(b));
}

TEST_F(KestruneViewStateTest, AbsentTextsNeverMatch) {
    auto a = state();
    auto b = state();
    a->setLanguage(std::nullopt);
    b->setLanguage(std::nullopt);
    EXPECT_FALSE(a->isSameAsState(b));

    auto c = state();
    auto d = state();
    c->setDeviceId(std::nullopt);
    d->setDeviceId(std::nullopt);
    EXPECT_FALSE(c->isSameAsState(d));
}

TEST_F(KestruneViewStateTest, EveryComparedFieldCounts) {
    auto base = state();
    std::vector<std::function<void(KestruneViewState&)>> changes = {
        [](auto& s) { s.setDeviceId("MAC-2"); },
        [](auto& s) { s.setKestruneTemporarilyDisabled(Number(true)); },
        [](auto& s) { s.setHasTrackingDevice(Number(false)); },
        [](auto& s) { s.setConnectionState(Number(9)); },
        [](auto& s) { s.setUserIsLoggedIn(Number(true)); },
        [](auto& s) { s.setShouldTrackMobileDevice(Number(true)); },
        [](auto& s) { s.setTrackingDistanceText("2 m"); },
        [](auto& s) { s.setKestruneLoading(Number(true)); },
        [](auto& s) { s.setFastLockLoading(Number(true)); },
        [](auto& s) { s.setShowInfoButton(Number(true)); },
        [](auto& s) { s.setMacDeviceName("Lap"); },
        [](auto& s) { s.setMacDeviceType(Number(3)); },
        [](auto& s) { s.setMacLidIsClosedAndThereIsNoExternalMonitor(Number(true)); },
        [](auto& s) { s.setMetricDistanceText("3 m"); },
        [](auto& s) { s.setDistanceBetweenIPhoneAndMac(Number(61)); },
        [](auto& s) { s.setMinRSSIValue(Number(45)); },
        [](auto& s) { s.setMaxRSSIValue(Number(90)); },
        [](auto& s) { s.setLanguage("de"); },
        [](auto& s) { s.setDeviceIsLocked(Number(1)); },
        [](auto& s) { s.setTodayExtensionAllowKestruneUpdate(Number(1)); },
        [](auto& s) { s.setTodayExtensionAllowLoginLogout(Number(1)); },
        [](auto& s) { s.setTodayExtensionRequestAuthOnLockedDevice(Number(1)); },
        [](auto& s) { s.setCanReachClipboard(Number(1)); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        auto changed = state();
        changes[i](*changed);
        EXPECT_FALSE(base->isSameAsState(changed)) << "change " << i;
    }
}

TEST_F(KestruneViewStateTest, TwentyFiveFieldsInWireOrder) {
    std::vector<std::string> names;
    for (const auto& property : NMShortStringCoder::getAllFirstLeverProperties(*KestruneViewState::init()))
        names.push_back(property.propertyName);
    EXPECT_EQ(names, (std::vector<std::string>{"canReachClipboard",
                                               "connectionState",
                                               "deviceId",
                                               "deviceIsLocked",
                                               "distanceBetweenIPhoneAndMac",
                                               "fastLockLoading",
                                               "hasTrackingDevice",
                                               "kestruneLoading",
                                               "kestruneTemporarilyDisabled",
                                               "language",
                                               "macDeviceName",
                                               "macDeviceType",
                                               "macLidIsClosedAndThereIsNoExternalMonitor",
                                               "maxRSSIValue",
                                               "metric",
                                               "metricDistanceText",
                                               "minRSSIValue",
                                               "shouldTrackMobileDevice",
                                               "showInfoButton",
                                               "todayExtensionAllowKestruneUpdate",
                                               "todayExtensionAllowLoginLogout",
                                               "todayExtensionRequestAuthOnLockedDevice",
                                               "trackingDistance",
                                               "trackingDistanceText",
                                               "userIsLoggedIn"}));
}
