#include "app/records/iOSPreferences.h"

#include "tests/app/DataManagerFixture.h"
#include "tests/app/RecordArchiveHelpers.h"

using namespace kestrune;
using platform::Number;

namespace {
class iOSPreferencesTest : public recordtests::DataManagerFixture {};

const std::set<std::string> kAllKeys = {
    "iOSapplicationState",       "chosenMetric",     "iOSVersion", "iOSCharging", "useMotionTracking",
    "iOSallowNotificationLogin", "iOSSystemVersion", "iOSPushId",  "language",    "batteryPercent"};
}  // namespace

TEST_F(iOSPreferencesTest, InitSetsTheDefaults) {
    const char* previous = getenv("LC_ALL");
    std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
    setenv("LC_ALL", "en_US.UTF-8", 1);
    auto preferences = iOSPreferences::init();
    if (saved) {
        setenv("LC_ALL", saved->c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
    EXPECT_EQ(preferences->iOSapplicationState(), std::optional<Number>(Number(0)));
    EXPECT_EQ(preferences->chosenMetric(), std::optional<Number>(Number(2)));
    EXPECT_EQ(preferences->iOSCharging(), std::optional<Number>(Number(false)));
    EXPECT_EQ(preferences->useMotionTracking(), std::optional<Number>(Number(true)));
    EXPECT_EQ(preferences->iOSallowNotificationLogin(), std::optional<Number>(Number(true)));
    EXPECT_EQ(preferences->language(), std::optional<std::string>("de"));
    EXPECT_EQ(preferences->batteryPercent(), std::optional<Number>(Number(100)));
    EXPECT_FALSE(preferences->iOSVersion() || preferences->iOSSystemVersion() || preferences->iOSPushId());
}

TEST_F(iOSPreferencesTest, EveryFieldRoundTrips) {
    auto preferences = iOSPreferences::init();
    preferences->setIOSapplicationState(Number(2));
    preferences->setChosenMetric(Number(3));
    preferences->setIOSVersion("3.2");
    preferences->setIOSCharging(Number(true));
    preferences->setUseMotionTracking(Number(false));
    preferences->setIOSallowNotificationLogin(Number(false));
    preferences->setIOSSystemVersion("12.1");
    preferences->setIOSPushId("token");
    preferences->setLanguage("fr");
    preferences->setBatteryPercent(Number(42));
    auto data = recordtests::archive(platform::Value(preferences));
    EXPECT_EQ(recordtests::storedKeys(data, "iOSPreferences"), kAllKeys);
    auto decoded = recordtests::unarchive<iOSPreferences>(data);
    ASSERT_TRUE(decoded);
    for (const auto& property : preferences->declaredProperties())
        EXPECT_EQ(decoded->valueForProperty(property.name), preferences->valueForProperty(property.name))
            << property.name;
}

TEST_F(iOSPreferencesTest, AnOlderArchiveGetsTheFilledDefaultsOnly) {
    auto preferences = iOSPreferences::init();
    preferences->setBatteryPercent(Number(50));
    std::set<std::string> removed = kAllKeys;
    removed.erase("batteryPercent");
    auto decoded = recordtests::unarchive<iOSPreferences>(
        recordtests::withoutKeys(recordtests::archive(platform::Value(preferences)), removed));
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->iOSapplicationState());
    EXPECT_FALSE(decoded->chosenMetric());
    EXPECT_EQ(decoded->iOSCharging(), std::optional<Number>(Number(false)));
    EXPECT_EQ(decoded->useMotionTracking(), std::optional<Number>(Number(true)));
    EXPECT_EQ(decoded->iOSallowNotificationLogin(), std::optional<Number>(Number(true)));
    EXPECT_EQ(decoded->language(), std::optional<std::string>("de"));
    EXPECT_EQ(decoded->batteryPercent(), std::optional<Number>(Number(50)));
}

TEST_F(iOSPreferencesTest, ACopyKeepsWhatTheSourceLacks) {
    auto decoded = recordtests::unarchive<iOSPreferences>(
        recordtests::withoutKeys(recordtests::archive(platform::Value(iOSPreferences::init())), kAllKeys));
    ASSERT_TRUE(decoded);
    auto copy = decoded->customCopy();
    EXPECT_FALSE(copy->chosenMetric());
    EXPECT_FALSE(copy->iOSapplicationState());
    EXPECT_EQ(copy->batteryPercent(), decoded->batteryPercent());
    copy->setLanguage("it");
    EXPECT_EQ(decoded->language(), std::optional<std::string>("de"));
}
