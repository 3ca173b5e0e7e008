#include "app/records/Device.h"

#include "app/records/DeviceUser.h"
#include "app/support/Localizable.h"
#include "tests/app/RecordArchiveHelpers.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;

namespace {

class DeviceTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        setLocalizedStringLookup(nullptr);
        KestruneTest::TearDown();
    }

    static std::shared_ptr<Device> fullDevice() {
        auto device = Device::initWithUnId("mac-1");
        auto info = DeviceInfo::init();
        info->setDeviceName("Studio Mac");
        info->setDeviceDescription(Number(7));
        info->setDeviceType(Number(1u));
        device->setDeviceInfo(info);
        device->connectionInfo()->setServiceId("B4FE");
        device->connectionInfo()->setIsConnected(Number(true));
        auto session = SessionInfo::init();
        session->setUserIsLoggedIn(Number(true));
        session->setUserIdLoggedIn("ada");
        session->setDeviceResponsibleForLastChange(Number(2));
        session->setLaptopLidIsDownAndNoExternalMonitor(Number(false));
        device->setSessionInfo(session);
        return device;
    }
};

void expectSameDevice(const Device& a, const Device& b) {
    EXPECT_EQ(a.unId(), b.unId());
    ASSERT_EQ(!a.deviceInfo(), !b.deviceInfo());
    if (a.deviceInfo()) {
        EXPECT_EQ(a.deviceInfo()->deviceName(), b.deviceInfo()->deviceName());
        EXPECT_EQ(a.deviceInfo()->deviceDescription(), b.deviceInfo()->deviceDescription());
        EXPECT_EQ(a.deviceInfo()->deviceType(), b.deviceInfo()->deviceType());
    }
    ASSERT_EQ(!a.connectionInfo(), !b.connectionInfo());
    if (a.connectionInfo()) {
        EXPECT_EQ(a.connectionInfo()->serviceId(), b.connectionInfo()->serviceId());
        EXPECT_EQ(a.connectionInfo()->isConnected(), b.connectionInfo()->isConnected());
    }
    ASSERT_EQ(!a.sessionInfo(), !b.sessionInfo());
    if (a.sessionInfo()) {
        EXPECT_EQ(a.sessionInfo()->userIsLoggedIn(), b.sessionInfo()->userIsLoggedIn());
        EXPECT_EQ(a.sessionInfo()->userIdLoggedIn(), b.sessionInfo()->userIdLoggedIn());
        EXPECT_EQ(a.sessionInfo()->deviceResponsibleForLastChange(),
                  b.sessionInfo()->deviceResponsibleForLastChange());
        EXPECT_EQ(a.sessionInfo()->laptopLidIsDownAndNoExternalMonitor(),
                  b.sessionInfo()->laptopLidIsDownAndNoExternalMonitor());
    }
}

}  // namespace

TEST_F(DeviceTest, InitGivesAnEmptyIdentifierAndAnEmptyConnectionRecordOnly) {
    auto device = Device::init();
    EXPECT_EQ(device->unId(), std::optional<std::string>(""));
    ASSERT_TRUE(device->connectionInfo());
    EXPECT_FALSE(device->connectionInfo()->serviceId());
    EXPECT_FALSE(device->connectionInfo()->isConnected());
    EXPECT_FALSE(device->deviceInfo());
    EXPECT_FALSE(device->sessionInfo());
}

TEST_F(DeviceTest, EveryFieldRoundTripsThroughAnArchiveUnderItsOwnKey) {
    auto device = fullDevice();
    auto data = recordtests::archive(platform::Value(device));
    EXPECT_EQ(recordtests::storedKeys(data, "Device"),
              (std::set<std::string>{"unId", "deviceInfo", "connectionInfo", "sessionInfo"}));
    EXPECT_EQ(recordtests::storedKeys(data, "DeviceInfo"),
              (std::set<std::string>{"deviceName", "deviceType", "deviceDescription"}));
    EXPECT_EQ(recordtests::storedKeys(data, "ConnectionInfo"),
              (std::set<std::string>{"serviceId", "isConnected"}));
    EXPECT_EQ(recordtests::storedKeys(data, "SessionInfo"),
              (std::set<std::string>{"userIdLoggedIn", "userIsLoggedIn", "deviceResponsibleForLastChange",
                                     "laptopLidIsDownAndNoExternalMonitor"}));
    auto decoded = recordtests::unarchive<Device>(data);
    ASSERT_TRUE(decoded);
    expectSameDevice(*device, *decoded);
    EXPECT_TRUE(decoded->sessionInfo()->userIsLoggedIn()->isBoolean());
}

TEST_F(DeviceTest, EmptyFieldsStayEmptyAndAMissingIdentifierIsNotMadeEmptyText) {
    auto bare = std::make_shared<Device>();
    auto decoded = recordtests::roundTrip(bare);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->unId());
    EXPECT_FALSE(decoded->connectionInfo());
    EXPECT_FALSE(decoded->deviceInfo());

    auto older = recordtests::withoutKeys(recordtests::archive(platform::Value(fullDevice())), {"unId"});
    auto withoutIdentifier = recordtests::unarchive<Device>(older);
    ASSERT_TRUE(withoutIdentifier);
    EXPECT_FALSE(withoutIdentifier->unId());
    EXPECT_EQ(withoutIdentifier->deviceInfo()->deviceName(), std::optional<std::string>("Studio Mac"));
}

TEST_F(DeviceTest, AFieldOfTheWrongKindInAFileIsLeftEmptyWithALogLine) {
    testsupport::LogCapture log;
    auto device = Device::initWithUnId("mac-1");
    auto data = recordtests::archive(platform::Value(device));
    // Swap the identifier for the connection record: a text field then refers to a record.
    auto plist = platform::PropertyList::valueFromData(data);
    ASSERT_TRUE(plist);
    auto& objects = *(*plist->dictionary())["$objects"].array();
    for (auto& object : objects) {
        auto record = object.dictionary();
        if (record && record->count("unId")) (*record)["unId"] = (*record)["connectionInfo"];
    }
    auto damaged = platform::PropertyList::dataFromValue(*plist, platform::PropertyList::Format::Binary);
    auto decoded = recordtests::unarchive<Device>(*damaged);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->unId());
    EXPECT_TRUE(decoded->connectionInfo());
    EXPECT_TRUE(log.contains("\"unId\""));
}

TEST_F(DeviceTest, CustomCopyIsDeepAndKeepsAbsentRecordsAbsent) {
    testsupport::LogCapture log;
    auto device = fullDevice();
    auto copy = device->customCopy();
    expectSameDevice(*device, *copy);
    EXPECT_NE(copy->deviceInfo(), device->deviceInfo());
    EXPECT_NE(copy->connectionInfo(), device->connectionInfo());
    EXPECT_NE(copy->sessionInfo(), device->sessionInfo());
    copy->sessionInfo()->setUserIdLoggedIn("grace");
    EXPECT_EQ(device->sessionInfo()->userIdLoggedIn(), std::optional<std::string>("ada"));
    EXPECT_TRUE(log.contains("Create device - copy"));

    device->setSessionInfo(nullptr);
    device->setUnId(std::nullopt);
    auto partial = device->customCopy();
    EXPECT_FALSE(partial->sessionInfo());
    EXPECT_FALSE(partial->unId());
}

TEST_F(DeviceTest, UserStatedAsLoggedInNeedsASessionThatSaysSo) {
    auto device = Device::init();
    EXPECT_FALSE(device->userStatedAsLoggedIn());
    device->setSessionInfo(SessionInfo::init());
    EXPECT_FALSE(device->userStatedAsLoggedIn());
    device->sessionInfo()->setUserIsLoggedIn(Number(true));
    EXPECT_TRUE(device->userStatedAsLoggedIn());
    device->sessionInfo()->setUserIsLoggedIn(Number(false));
    EXPECT_FALSE(device->userStatedAsLoggedIn());
}

TEST_F(DeviceTest, QuestionsNameTheMacOnlyWhenItHasAName) {
    setLocalizedStringLookup([](const std::string& key) -> std::optional<std::string> {
        if (key == "unlock_device") return "Unlock %@?";
        if (key == "unlock_your_mac") return "Unlock your Mac?";
        if (key == "knock_twice_to_insert_password") return "Knock twice for %@";
        return std::nullopt;
    });
    auto device = Device::init();
    EXPECT_EQ(device->unlockDeviceQuestion(), "Unlock your Mac?");
    EXPECT_EQ(device->insertPasswordQuestion(), "insert_password_question");
    EXPECT_EQ(device->knockTwiceToUnlock(), "knock_twice_to_unlock_mac");
    EXPECT_EQ(device->knockTwiceToAuth(), "knock_twice_to_insert_password_to_mac");
    EXPECT_EQ(device->deviceNameSafe(), "Mac");

    device->setDeviceInfo(DeviceInfo::init());
    device->deviceInfo()->setDeviceName("");
    EXPECT_EQ(device->unlockDeviceQuestion(), "Unlock your Mac?");
    EXPECT_EQ(device->deviceNameSafe(), "Mac");

    // A name is inserted as it is, never read as a format.
    device->deviceInfo()->setDeviceName("Ada's %@ %s Mac");
    EXPECT_EQ(device->unlockDeviceQuestion(), "Unlock Ada's %@ %s Mac?");
    EXPECT_EQ(device->knockTwiceToAuth(), "Knock twice for Ada's %@ %s Mac");
    EXPECT_EQ(device->deviceNameSafe(), "Ada's %@ %s Mac");
}

TEST_F(DeviceTest, DeviceUserRoundTripsAndCopies) {
    auto user = DeviceUser::init();
    user->setIdNumber(Number(501));
    user->setFullName("Ada Lovelace");
    user->setUsername("ada");
    user->setPassword("c2VjcmV0");
    user->setHasPassword(Number(true));
    auto data = recordtests::archive(platform::Value(user));
    EXPECT_EQ(recordtests::storedKeys(data, "DeviceUser"),
              (std::set<std::string>{"idNumber", "fullName", "username", "password", "hasPassword"}));
    for (const auto& other : {recordtests::unarchive<DeviceUser>(data), user->copyCustom()}) {
        ASSERT_TRUE(other);
        EXPECT_EQ(other->idNumber(), user->idNumber());
        EXPECT_EQ(other->fullName(), user->fullName());
        EXPECT_EQ(other->username(), user->username());
        EXPECT_EQ(other->password(), user->password());
        EXPECT_EQ(other->hasPassword(), user->hasPassword());
    }
    auto empty = recordtests::roundTrip(DeviceUser::init());
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->idNumber() || empty->fullName() || empty->username() || empty->password() ||
                 empty->hasPassword());
}
