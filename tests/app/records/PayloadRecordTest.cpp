#include "app/records/PayloadRecord.h"

#include <algorithm>

#include "app/records/Device.h"
#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "platform/base/Strings.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;
using platform::Value;

namespace {

class PayloadRecordTest : public testsupport::KestruneTest {};

std::shared_ptr<PayloadRecord> make(const std::string& className) {
    return PayloadRecord::payloadRecordIn(Value(PayloadRecord::recordWithClassName(className)));
}

// The names in the order the link codes them: case-folded ascending.
std::vector<std::string> linkOrder(const PayloadRecord& record) {
    std::vector<std::string> names;
    for (const auto& property : record.declaredProperties()) names.push_back(property.name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::caseInsensitiveCompare(a, b) < 0;
    });
    return names;
}

}  // namespace

TEST_F(PayloadRecordTest, EveryPayloadTypeDeclaresExactlyTheFieldsTheLinkCodes) {
    const std::map<std::string, std::vector<std::string>> expected = {
        {"DeviceUser", {"fullName", "hasPassword", "idNumber", "password", "username"}},
        {"SessionInfo",
         {"deviceResponsibleForLastChange", "laptopLidIsDownAndNoExternalMonitor", "userIdLoggedIn",
          "userIsLoggedIn"}},
        {"MobileDeviceTrackInfo",
         {"deviceResponsibleForLastChange", "distanceToLogin", "proxLockTemporaryDisabledBecauseLogin",
          "proxLockTemporaryDisabledBecauseLogout", "shouldTrackMobileDevice"}},
        {"MobileDevice", {"mobileDeviceConnectionInfo", "mobileDeviceInfo", "unId"}},
        {"MobileDeviceConnectionInfo", {"isConnected", "serviceId"}},
        {"MobileDeviceInfo", {"deviceName", "deviceType"}},
        {"Device", {"connectionInfo", "deviceInfo", "sessionInfo", "unId"}},
        {"ConnectionInfo", {"isConnected", "serviceId"}},
        {"DeviceInfo", {"deviceDescription", "deviceName", "deviceType"}},
        {"iOSPreferences",
         {"batteryPercent", "chosenMetric", "iOSallowNotificationLogin", "iOSapplicationState", "iOSCharging",
          "iOSPushId", "iOSSystemVersion", "iOSVersion", "language", "useMotionTracking"}},
        {"OSXPreferences",
         {"allowCloserDistances", "allowLogin", "allowLogout", "allowSiriLock", "allowSiriUnlock",
          "installAuthMethod", "isWaitingForConfirmation", "lastConnectionTimestamp", "onApproachAuthMethod",
          "OSXSystemVersion", "OSXVersion", "passwordScreenAuthMethod", "wakeScreenOnApproach"}},
        {"PairingInfo", {"connectionStatus", "foregroundServiceId", "foregroundServiceId2"}},
        {"MobileSettings",
         {"distanceFromDevice", "iOSSettings", "mobileDeviceTrackInfo", "OSXSettings", "pairingInfo",
          "registeredDeviceUser", "unId"}},
    };
    for (const auto& [className, names] : expected) {
        SCOPED_TRACE(className);
        auto record = make(className);
        ASSERT_TRUE(record);
        EXPECT_EQ(linkOrder(*record), names);
    }
}

TEST_F(PayloadRecordTest, KindsNameTextsNumbersAndNestedTypes) {
    const std::set<std::string> texts = {"unId",
                                         "serviceId",
                                         "deviceName",
                                         "fullName",
                                         "username",
                                         "password",
                                         "userIdLoggedIn",
                                         "language",
                                         "iOSPushId",
                                         "iOSSystemVersion",
                                         "iOSVersion",
                                         "OSXSystemVersion",
                                         "OSXVersion",
                                         "foregroundServiceId",
                                         "foregroundServiceId2"};
    for (const char* className :
         {"DeviceUser", "SessionInfo", "MobileDeviceTrackInfo", "MobileDevice", "Device", "iOSPreferences",
          "OSXPreferences", "PairingInfo", "MobileSettings", "DeviceInfo", "ConnectionInfo",
          "MobileDeviceInfo", "MobileDeviceConnectionInfo"}) {
        auto record = make(className);
        ASSERT_TRUE(record);
        for (const auto& property : record->declaredProperties()) {
            SCOPED_TRACE(std::string(className) + "." + property.name);
            if (PayloadRecord::isRecordType(property.kind)) continue;
            bool text = texts.count(property.name) ||
                        (std::string(className) == "MobileDeviceInfo" && property.name == "deviceType");
            EXPECT_EQ(property.kind, text ? PayloadRecord::kStringKind : PayloadRecord::kNumberKind);
        }
    }
    auto settings = make("MobileSettings");
    std::map<std::string, std::string> nested;
    for (const auto& property : settings->declaredProperties()) nested[property.name] = property.kind;
    EXPECT_EQ(nested["iOSSettings"], "iOSPreferences");
    EXPECT_EQ(nested["OSXSettings"], "OSXPreferences");
    EXPECT_EQ(nested["mobileDeviceTrackInfo"], "MobileDeviceTrackInfo");
    EXPECT_EQ(nested["registeredDeviceUser"], "DeviceUser");
    EXPECT_EQ(nested["pairingInfo"], "PairingInfo");
}

TEST_F(PayloadRecordTest, RecordsMadeByNameStartAsTheirOwnInitialiserMakesThem) {
    auto device = PayloadRecord::recordWithClassName("Device");
    ASSERT_TRUE(std::dynamic_pointer_cast<Device>(device));
    EXPECT_EQ(std::dynamic_pointer_cast<Device>(device)->unId(), std::optional<std::string>(""));
    auto pairing = std::dynamic_pointer_cast<PairingInfo>(PayloadRecord::recordWithClassName("PairingInfo"));
    ASSERT_TRUE(pairing);
    EXPECT_EQ(pairing->connectionStatus(), std::optional<Number>(Number(1)));
    auto track = std::dynamic_pointer_cast<MobileDeviceTrackInfo>(
        PayloadRecord::recordWithClassName("MobileDeviceTrackInfo"));
    ASSERT_TRUE(track);
    EXPECT_FALSE(track->shouldTrackMobileDevice());
    auto phone = std::dynamic_pointer_cast<MobileDevice>(PayloadRecord::recordWithClassName("MobileDevice"));
    ASSERT_TRUE(phone && phone->unId());
    EXPECT_EQ(phone->unId()->size(), 36u);
    EXPECT_FALSE(PayloadRecord::recordWithClassName("NoSuchRecord"));
    EXPECT_FALSE(PayloadRecord::isRecordType("NSString"));
}

TEST_F(PayloadRecordTest, FieldsAreReadAndWrittenByNameWithTheirKindChecked) {
    auto settings = MobileSettings::initWithUnId("phone-1");
    PayloadRecord& record = *settings;
    EXPECT_EQ(record.valueForProperty("unId"), Value("phone-1"));
    EXPECT_TRUE(record.valueForProperty("distanceFromDevice").isNull());
    EXPECT_TRUE(record.valueForProperty("noSuchField").isNull());

    EXPECT_TRUE(record.setValueForProperty("distanceFromDevice", Value(Number(63))));
    EXPECT_EQ(settings->distanceFromDevice(), std::optional<Number>(Number(63)));
    auto user = DeviceUser::init();
    user->setUsername("ada");
    EXPECT_TRUE(record.setValueForProperty("registeredDeviceUser", Value(user)));
    EXPECT_EQ(settings->registeredDeviceUser(), user);
    EXPECT_EQ(record.valueForProperty("registeredDeviceUser").object(), user);

    // Wrong kinds are refused and leave the field as it was.
    EXPECT_FALSE(record.setValueForProperty("unId", Value(Number(5))));
    EXPECT_FALSE(record.setValueForProperty("distanceFromDevice", Value("near")));
    EXPECT_FALSE(record.setValueForProperty("registeredDeviceUser", Value(SessionInfo::init())));
    EXPECT_FALSE(record.setValueForProperty("noSuchField", Value("x")));
    EXPECT_EQ(settings->unId(), std::optional<std::string>("phone-1"));
    EXPECT_EQ(settings->registeredDeviceUser(), user);

    EXPECT_TRUE(record.setValueForProperty("registeredDeviceUser", Value()));
    EXPECT_FALSE(settings->registeredDeviceUser());
}
