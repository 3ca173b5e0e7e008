#include "app/records/MobileDevice.h"

#include "app/records/MobileSettings.h"
#include "app/support/Localizable.h"
#include "tests/app/DataManagerFixture.h"
#include "tests/app/RecordArchiveHelpers.h"

using namespace kestrune;
using platform::Number;

namespace {
class MobileDeviceTest : public recordtests::DataManagerFixture {};
}  // namespace

TEST_F(MobileDeviceTest, InitGivesANewIdentifierAndNoNestedRecords) {
    auto a = MobileDevice::init();
    auto b = MobileDevice::init();
    ASSERT_TRUE(a->unId() && b->unId());
    EXPECT_NE(*a->unId(), *b->unId());
    EXPECT_FALSE(a->mobileDeviceInfo());
    EXPECT_FALSE(a->mobileDeviceConnectionInfo());
}

TEST_F(MobileDeviceTest, APhoneMadeWithAnIdentifierStoresNotConnectedAndNothingElse) {
    auto phone = MobileDevice::initWithUnId("phone-1");
    auto data = recordtests::archive(platform::Value(phone));
    EXPECT_EQ(recordtests::storedKeys(data, "MobileDevice"),
              (std::set<std::string>{"unId", "mobileDeviceInfo", "mobileDeviceConnectionInfo"}));
    auto decoded = recordtests::unarchive<MobileDevice>(data);
    ASSERT_TRUE(decoded && decoded->mobileDeviceConnectionInfo() && decoded->mobileDeviceInfo());
    EXPECT_EQ(decoded->mobileDeviceConnectionInfo()->isConnected(), std::optional<Number>(Number(false)));
    EXPECT_TRUE(decoded->mobileDeviceConnectionInfo()->isConnected()->isBoolean());
    EXPECT_FALSE(decoded->mobileDeviceConnectionInfo()->serviceId());
    EXPECT_FALSE(decoded->mobileDeviceInfo()->deviceName());
    EXPECT_FALSE(decoded->mobileDeviceInfo()->deviceType());
}

TEST_F(MobileDeviceTest, EveryFieldRoundTrips) {
    auto phone = MobileDevice::initWithUnId("phone-1");
    phone->mobileDeviceInfo()->setDeviceName("Ada's phone");
    phone->mobileDeviceInfo()->setDeviceType("iPhone10,6");
    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    phone->mobileDeviceConnectionInfo()->setServiceId("C1A2");
    auto decoded = recordtests::roundTrip(phone);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->unId(), std::optional<std::string>("phone-1"));
    EXPECT_EQ(decoded->mobileDeviceInfo()->deviceName(), std::optional<std::string>("Ada's phone"));
    EXPECT_EQ(decoded->mobileDeviceInfo()->deviceType(), std::optional<std::string>("iPhone10,6"));
    EXPECT_EQ(decoded->mobileDeviceConnectionInfo()->isConnected(), std::optional<Number>(Number(true)));
    EXPECT_EQ(decoded->mobileDeviceConnectionInfo()->serviceId(), std::optional<std::string>("C1A2"));

    auto bare = recordtests::roundTrip(std::make_shared<MobileDevice>());
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->unId() || bare->mobileDeviceInfo() || bare->mobileDeviceConnectionInfo());
}

TEST_F(MobileDeviceTest, DistanceTextNeedsStoredSettingsAndHonoursTheFlag) {
    auto& manager = relaunch();
    auto phone = MobileDevice::initWithUnId("phone-1");
    EXPECT_FALSE(phone->distanceStringWithUserActiveIndication(true));

    auto settings = MobileSettings::initWithUnId("phone-1");
    settings->iOSSettings()->setChosenMetric(Number(1));
    settings->setDistanceFromDevice(Number(58));
    (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
    setLocalizedStringLookup([](const std::string& key) -> std::optional<std::string> {
        if (key == "user_active") return " (active)";
        return std::nullopt;
    });

    EXPECT_EQ(phone->distanceStringWithUserActiveIndication(true), std::optional<std::string>("1:58"));
    phoneServices->refusedRecently = true;
    EXPECT_TRUE(phone->shouldShowUserActiveIndication());
    EXPECT_EQ(phone->distanceStringWithUserActiveIndication(true),
              std::optional<std::string>("1:58 (active)"));
    EXPECT_EQ(phone->distanceStringWithUserActiveIndication(false), std::optional<std::string>("1:58"));
    setLocalizedStringLookup(nullptr);
}
