#include "link/message/NMShortStringCoder.h"

#include <climits>
#include <functional>

#include "app/records/DeviceUser.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/SessionInfo.h"
#include "link/message/AuthPayload.h"
#include "link/message/KestruneMessageEncoderDecoder.h"
#include "link/message/KestruneViewState.h"
#include "platform/base/Strings.h"
#include "platform/sim/PhoneMessageCoder.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;
using platform::Value;

namespace {

const std::string D = "\u2021";  // field separator
const std::string E = "\u2020";  // empty nested record

// A payload record of this test only, with the two kinds no system record has: a plain value and a
// field without a setter.
class GaugeRecord : public platform::Object, public PayloadRecord {
public:
    std::string className() const override { return "GaugeRecord"; }
    const std::vector<Property>& declaredProperties() const override {
        static const std::vector<Property> properties = {
            {"level", ""}, {"Label", "@\"NSString\""}, {"frozen", "NSNumber"}, {"count", "NSNumberSubclass"}};
        return properties;
    }
    Value valueForProperty(const std::string& name) const override {
        if (name == "level") return Number(level);
        if (name == "Label") return label ? Value(*label) : Value();
        if (name == "frozen") return frozen;
        if (name == "count") return count;
        return Value();
    }
    bool setValueForProperty(const std::string& name, const Value& value) override {
        if (name == "level" && value.number()) {
            level = value.number()->intValue();
            return true;
        }
        if (name == "Label") {
            label = value.string() ? std::optional<std::string>(*value.string()) : std::nullopt;
            return true;
        }
        if (name == "count") {
            count = value;
            return true;
        }
        return false;  // "frozen" is read-only
    }
    int32_t level = 0;
    std::optional<std::string> label;
    Value frozen = Number(7);
    Value count;
};

class NMShortStringCoderTest : public testsupport::KestruneTest {
protected:
    static void SetUpTestSuite() {
        PayloadRecord::registerRecordType("GaugeRecord", [] { return std::make_shared<GaugeRecord>(); });
        KestruneMessageEncoderDecoder registersTheLinkTypes;
    }

    // Fills every field of a record (and of records nested in it) with a value of its kind that no
    // initialiser would pick.
    static std::shared_ptr<platform::Object> populated(const std::string& className, int& seed) {
        auto object = PayloadRecord::recordWithClassName(className);
        auto record = std::dynamic_pointer_cast<PayloadRecord>(object);
        for (const auto& property : record->declaredProperties()) {
            ++seed;
            if (property.kind == PayloadRecord::kStringKind)
                record->setValueForProperty(property.name,
                                            "t" + std::to_string(seed) + " é漢 " + property.name);
            else if (property.kind == PayloadRecord::kNumberKind)
                record->setValueForProperty(property.name, Number(seed % 2 ? -seed * 1000 : seed));
            else
                record->setValueForProperty(property.name, Value(populated(property.kind, seed)));
        }
        return object;
    }

    // Field by field, nested records included.
    static void expectSameFields(const PayloadRecord& expected, const PayloadRecord& actual,
                                 const std::string& path) {
        for (const auto& property : expected.declaredProperties()) {
            SCOPED_TRACE(path + "." + property.name);
            Value a = expected.valueForProperty(property.name);
            Value b = actual.valueForProperty(property.name);
            auto nestedA = PayloadRecord::payloadRecordIn(a);
            auto nestedB = PayloadRecord::payloadRecordIn(b);
            if (nestedA || nestedB) {
                ASSERT_TRUE(nestedA && nestedB);
                expectSameFields(*nestedA, *nestedB, path + "." + property.name);
            } else {
                EXPECT_EQ(a, b);
            }
        }
    }
};

std::shared_ptr<PayloadRecord> decode(const std::string& text, const std::string& className) {
    return PayloadRecord::payloadRecordIn(
        Value(NMShortStringCoder::shortStringDecode_forClass(text, className)));
}

}  // namespace

TEST_F(NMShortStringCoderTest, TrackInfoFieldsTravelInNameOrder) {
    auto info = MobileDeviceTrackInfo::init();
    info->setShouldTrackMobileDevice(Number(true));
    info->setDistanceToLogin(Number(60));
    info->setDeviceResponsibleForLastChange(Number(2));
    info->setProxLockTemporaryDisabledBecauseLogout(Number(false));
    info->setProxLockTemporaryDisabledBecauseLogin(Number(0));
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Value(info)),
              "2" + D + "60" + D + "0" + D + "0" + D + "1");
    EXPECT_EQ(NMShortStringCoder::getArrayOfValuesObject(*info),
              (std::vector<std::string>{"2", "60", "0", "0", "1"}));
}

TEST_F(NMShortStringCoderTest, PlainObjectsAndNumbersEncodeAsTheirText) {
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Value("as is \u2021")), "as is \u2021");
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Number(60)), "60");
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Number(-56)), "-56");
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Number(true)), "1");
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Number(0.5)), "0.5");
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Value()), "");
}

TEST_F(NMShortStringCoderTest, EmptyNestedRecordIsTheDaggerMarkBothWays) {
    auto device = MobileDevice::initWithUnId("U-1");
    device->setMobileDeviceInfo(nullptr);
    device->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    device->mobileDeviceConnectionInfo()->setServiceId("B1A2");
    testsupport::LogCapture log;
    std::string text = NMShortStringCoder::shortStringEncodeForObject(Value(device));
    EXPECT_EQ(text, "1" + D + "B1A2" + D + E + D + "U-1");
    EXPECT_TRUE(log.contains("Warning: encoding object is nil"));

    auto back = std::dynamic_pointer_cast<MobileDevice>(
        NMShortStringCoder::shortStringDecode_forClass(text, "MobileDevice"));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->mobileDeviceInfo());
    EXPECT_EQ(back->unId(), "U-1");
    EXPECT_EQ(back->mobileDeviceConnectionInfo()->serviceId(), "B1A2");
}

TEST_F(NMShortStringCoderTest, EmptyFieldsArriveAsZeroEmptyTextAndNone) {
    auto user = DeviceUser::init();  // every field empty
    std::string text = NMShortStringCoder::shortStringEncodeForObject(Value(user));
    EXPECT_EQ(text, D + D + D + D);
    auto back = std::dynamic_pointer_cast<DeviceUser>(
        NMShortStringCoder::shortStringDecode_forClass(text, "DeviceUser"));
    EXPECT_EQ(back->idNumber(), Number(0));
    EXPECT_EQ(back->hasPassword(), Number(0));
    EXPECT_EQ(back->fullName(), "");
    EXPECT_EQ(back->password(), "");
}

TEST_F(NMShortStringCoderTest, NumbersLoseTheirFractionAndSaturate) {
    auto info =
        std::dynamic_pointer_cast<MobileDeviceTrackInfo>(NMShortStringCoder::shortStringDecode_forClass(
            "0.5" + D + "-56.5" + D + "" + D + "99999999999" + D + " +7 apples", "MobileDeviceTrackInfo"));
    EXPECT_EQ(info->deviceResponsibleForLastChange(), Number(0));
    EXPECT_EQ(info->distanceToLogin(), Number(-56));
    EXPECT_EQ(info->proxLockTemporaryDisabledBecauseLogin(), Number(0));
    EXPECT_EQ(info->proxLockTemporaryDisabledBecauseLogout(), Number(INT32_MAX));
    EXPECT_EQ(info->shouldTrackMobileDevice(), Number(7));

    EXPECT_EQ(NMShortStringCoder::leadingInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("-2147483649"), INT32_MIN);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("2147483647"), INT32_MAX);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("2147483648"), INT32_MAX);
    EXPECT_EQ(NMShortStringCoder::leadingInt32(std::string(5000, '9')), INT32_MAX);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("-" + std::string(5000, '9')), INT32_MIN);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("\n\t 42x"), 42);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("x42"), 0);
    EXPECT_EQ(NMShortStringCoder::leadingInt32("-"), 0);
}

TEST_F(NMShortStringCoderTest, TooFewPartsLogEachMissingFieldAndKeepInitialValues) {
    testsupport::LogCapture log;
    auto session = std::dynamic_pointer_cast<SessionInfo>(
        NMShortStringCoder::shortStringDecode_forClass("2" + D + "1", "SessionInfo"));
    ASSERT_TRUE(session);
    EXPECT_EQ(session->deviceResponsibleForLastChange(), Number(2));
    EXPECT_EQ(session->laptopLidIsDownAndNoExternalMonitor(), Number(1));
    EXPECT_FALSE(session->userIdLoggedIn());
    EXPECT_FALSE(session->userIsLoggedIn());
    EXPECT_TRUE(log.contains("Error: attribute for property not found: userIdLoggedIn"));
    EXPECT_TRUE(log.contains("Error: attribute for property not found: userIsLoggedIn"));

    // With no part left, a nested record's field is missing as a whole and stays as the type made it.
    auto settings = std::dynamic_pointer_cast<MobileSettings>(
        NMShortStringCoder::shortStringDecode_forClass("5", "MobileSettings"));
    EXPECT_EQ(settings->distanceFromDevice(), Number(5));
    EXPECT_FALSE(settings->iOSSettings());
    EXPECT_TRUE(log.contains("Error: attribute for property not found: iOSSettings"));
    EXPECT_TRUE(log.contains("Error: attribute for property not found: unId"));
    EXPECT_FALSE(log.contains("Error: attribute for property not found: batteryPercent"));

    // A nested record that runs out part-way keeps what it read.
    auto device = std::dynamic_pointer_cast<MobileDevice>(
        NMShortStringCoder::shortStringDecode_forClass("1", "MobileDevice"));
    ASSERT_TRUE(device->mobileDeviceConnectionInfo());
    EXPECT_EQ(device->mobileDeviceConnectionInfo()->isConnected(), Number(1));
    EXPECT_TRUE(log.contains("Error: attribute for property not found: serviceId"));
}

TEST_F(NMShortStringCoderTest, SurplusPartsAreIgnoredAndStrayDaggersEmptyAnyField) {
    auto info =
        std::dynamic_pointer_cast<MobileDeviceTrackInfo>(NMShortStringCoder::shortStringDecode_forClass(
            "1" + D + "2" + D + "3" + D + "4" + D + "5" + D + "6" + D + "7", "MobileDeviceTrackInfo"));
    EXPECT_EQ(info->deviceResponsibleForLastChange(), Number(1));
    EXPECT_EQ(info->shouldTrackMobileDevice(), Number(5));

    auto user = std::dynamic_pointer_cast<DeviceUser>(NMShortStringCoder::shortStringDecode_forClass(
        E + D + E + D + "3" + D + "pw" + D + "me", "DeviceUser"));
    EXPECT_FALSE(user->fullName());
    EXPECT_FALSE(user->hasPassword());
    EXPECT_EQ(user->idNumber(), Number(3));
    EXPECT_EQ(user->username(), "me");

    // A dagger inside a text is just text; only a whole part is the mark.
    auto named = std::dynamic_pointer_cast<DeviceUser>(
        NMShortStringCoder::shortStringDecode_forClass("a" + E, "DeviceUser"));
    EXPECT_EQ(named->fullName(), "a" + E);
}

TEST_F(NMShortStringCoderTest, PlainValuesKindsAndFieldsWithoutSetter) {
    GaugeRecord gauge;
    gauge.level = 12;
    gauge.label = "L";
    gauge.count = Number(4);
    auto properties = NMShortStringCoder::getAllFirstLeverProperties(gauge);
    ASSERT_EQ(properties.size(), 4u);
    EXPECT_EQ(properties[0].propertyName, "count");
    EXPECT_EQ(properties[0].propertyType, "NSNumber");
    EXPECT_EQ(properties[1].propertyName, "frozen");
    EXPECT_EQ(properties[2].propertyName, "Label");
    EXPECT_EQ(properties[2].propertyType, "NSString");
    EXPECT_EQ(properties[3].propertyType, "PrimitiveType");
    EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(Value(std::make_shared<GaugeRecord>(gauge))),
              "4" + D + "7" + D + "L" + D + "12");

    testsupport::LogCapture log;
    auto back = std::dynamic_pointer_cast<GaugeRecord>(NMShortStringCoder::shortStringDecode_forClass(
        "9" + D + "1" + D + "text" + D + "-3.9", "GaugeRecord"));
    EXPECT_EQ(back->count, Value(Number(9)));
    EXPECT_EQ(back->frozen, Value(Number(7)));
    EXPECT_EQ(back->label, "text");
    EXPECT_EQ(back->level, -3);
    EXPECT_TRUE(log.contains("ERROR: can not find setter setFrozen:"));
    EXPECT_EQ(NMShortStringCoder::getPropertyWithName_withProperty_forObject("Label", GaugeRecord()),
              Value(""));
}

TEST_F(NMShortStringCoderTest, UnknownTypeGivesNoRecord) {
    testsupport::LogCapture log;
    EXPECT_FALSE(NMShortStringCoder::shortStringDecode_forClass("1", "NoSuchRecord"));
}

TEST_F(NMShortStringCoderTest, EveryPayloadRecordRoundTripsFieldByField) {
    for (const char* className :
         {"AuthPayload", "DeviceUser", "SessionInfo", "MobileDeviceTrackInfo", "MobileDevice", "Device",
          "iOSPreferences", "OSXPreferences", "PairingInfo", "MobileSettings", "KestruneViewState"}) {
        SCOPED_TRACE(className);
        int seed = 0;
        auto original = PayloadRecord::payloadRecordIn(Value(populated(className, seed)));
        std::string text =
            NMShortStringCoder::shortStringEncodeForObject(Value(populated(className, seed = 0)));
        auto back = decode(text, className);
        ASSERT_TRUE(back);
        expectSameFields(*original, *back, className);
        EXPECT_EQ(NMShortStringCoder::shortStringEncodeForObject(
                      Value(std::dynamic_pointer_cast<platform::Object>(back))),
                  text);
    }
}

TEST_F(NMShortStringCoderTest, ThePhonesOwnCoderReadsAndWritesTheSameFields) {
    // The phone application lists its fields in wire order itself; both sides must agree field by
    // field, nested records included.
    for (const char* className :
         {"AuthPayload", "DeviceUser", "SessionInfo", "MobileDeviceTrackInfo", "MobileDevice", "Device",
          "iOSPreferences", "OSXPreferences", "PairingInfo", "MobileSettings", "KestruneViewState"}) {
        SCOPED_TRACE(className);
        int seed = 0;
        auto object = populated(className, seed);
        auto record = PayloadRecord::payloadRecordIn(Value(object));
        std::string text = NMShortStringCoder::shortStringEncodeForObject(Value(object));
        auto phoneView = platform::PhoneMessageCoder::decodeRecord(className, text);
        ASSERT_TRUE(phoneView);

        std::function<void(const PayloadRecord&, const Value::Dictionary&)> compare =
            [&](const PayloadRecord& mac, const Value::Dictionary& phone) {
                EXPECT_EQ(mac.declaredProperties().size(), phone.size());
                for (const auto& property : mac.declaredProperties()) {
                    SCOPED_TRACE(property.name);
                    auto found = phone.find(property.name);
                    ASSERT_NE(found, phone.end());
                    Value value = mac.valueForProperty(property.name);
                    if (auto nested = PayloadRecord::payloadRecordIn(value)) {
                        ASSERT_TRUE(found->second.dictionary());
                        compare(*nested, *found->second.dictionary());
                    } else {
                        EXPECT_EQ(value, found->second);
                    }
                }
            };
        compare(*record, *phoneView);
        EXPECT_EQ(platform::PhoneMessageCoder::encodeRecord(className, *phoneView), text);
    }
}

TEST_F(NMShortStringCoderTest, SettingsOrderFoldsCase) {
    auto properties = NMShortStringCoder::getAllFirstLeverProperties(*MobileSettings::init());
    std::vector<std::string> names;
    for (const auto& property : properties) names.push_back(property.propertyName);
    EXPECT_EQ(names,
              (std::vector<std::string>{"distanceFromDevice", "iOSSettings", "mobileDeviceTrackInfo",
                                        "OSXSettings", "pairingInfo", "registeredDeviceUser", "unId"}));
    EXPECT_LT(PropertyDescription("abc", "").compare(PropertyDescription("abcd", "")), 0);
    EXPECT_EQ(PropertyDescription("ABC", "").compare(PropertyDescription("abc", "")), 0);
    EXPECT_GT(PropertyDescription("b", "").compare(PropertyDescription("A", "")), 0);
}
