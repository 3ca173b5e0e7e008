#include "app/records/SafeWifiEntry.h"

#include "app/records/WifiUnlockConfig.h"
#include "tests/app/RecordArchiveHelpers.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

namespace {
class SafeWifiEntryTest : public testsupport::KestruneTest {};

std::shared_ptr<SafeWifiEntry> entry(std::optional<std::string> name, std::optional<std::string> bssid) {
    auto made = SafeWifiEntry::init();
    made->setSsidName(std::move(name));
    made->setBssid(std::move(bssid));
    return made;
}
}  // namespace

TEST_F(SafeWifiEntryTest, EntriesAreTheSameNetworkByNameAlone) {
    EXPECT_TRUE(entry("Home", "aa:bb")->isEqual(*entry("Home", "cc:dd")));
    EXPECT_FALSE(entry("Home", "aa:bb")->isEqual(*entry("home", "aa:bb")));
    EXPECT_FALSE(entry(std::nullopt, "aa:bb")->isEqual(*entry(std::nullopt, "aa:bb")));
    EXPECT_FALSE(entry("Home", std::nullopt)->isEqual(*entry(std::nullopt, std::nullopt)));
}

TEST_F(SafeWifiEntryTest, FieldsRoundTripUnderTheirKeys) {
    auto data = recordtests::archive(platform::Value(entry("Home", "aa:bb:cc:dd:ee:ff")));
    EXPECT_EQ(recordtests::storedKeys(data, "SafeWifiEntry"), (std::set<std::string>{"ssidName", "bssid"}));
    auto decoded = recordtests::unarchive<SafeWifiEntry>(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->ssidName(), std::optional<std::string>("Home"));
    EXPECT_EQ(decoded->bssid(), std::optional<std::string>("aa:bb:cc:dd:ee:ff"));
    auto empty = recordtests::roundTrip(SafeWifiEntry::init());
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->ssidName() || empty->bssid());
}

TEST_F(SafeWifiEntryTest, TheUnlockSwitchIsOnByDefaultAndRoundTrips) {
    auto config = WifiUnlockConfig::init();
    EXPECT_FALSE(config->wifiUnlockTurnedOn());
    config->setDefaultValues();
    EXPECT_EQ(config->wifiUnlockTurnedOn(), std::optional<platform::Number>(platform::Number(true)));
    config->setWifiUnlockTurnedOn(platform::Number(false));
    auto data = recordtests::archive(platform::Value(config));
    EXPECT_EQ(recordtests::storedKeys(data, "WifiUnlockConfig"),
              (std::set<std::string>{"wifiUnlockTurnedOn"}));
    auto decoded = recordtests::unarchive<WifiUnlockConfig>(data);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->wifiUnlockTurnedOn(), std::optional<platform::Number>(platform::Number(false)));
    EXPECT_FALSE(recordtests::roundTrip(WifiUnlockConfig::init())->wifiUnlockTurnedOn());
}
