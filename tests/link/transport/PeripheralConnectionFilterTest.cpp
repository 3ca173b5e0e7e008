#include "link/transport/PeripheralConnectionFilter.h"

#include "link/transport/DeviceSpecificConfig.h"
#include "platform/bluetooth/AdvertisementData.h"
#include "platform/bluetooth/BluetoothUUID.h"
#include "tests/link/ScannerFixture.h"

using kestrune::DeviceSpecificConfig;
using kestrune::PeripheralConnectionFilter;
using platform::AdvertisementData;
using platform::Value;

namespace {

Value services(std::initializer_list<const char*> texts) {
    Value::Array list;
    for (const char* text : texts) list.push_back(Value(platform::BluetoothUUID::constant(text).data()));
    return Value(list);
}

class PeripheralConnectionFilterTest : public testsupport::KestruneTest {};

}  // namespace

TEST_F(PeripheralConnectionFilterTest, ServicesMatchBySubstringInAnyCaseAndAMissingListOnlyWhereAllowed) {
    struct Case {
        const char* what;
        std::optional<Value> list;
        std::vector<std::string> accepted;
        bool refuseMissingList;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"missing, allowed", std::nullopt, {"B4C1"}, false, true},
        {"missing, refused", std::nullopt, {"B4C1"}, true, false},
        {"empty, refused for missing ones", Value(Value::Array{}), {"B4C1"}, true, true},
        {"not a list counts as missing", Value("B4C1"), {"B4C1"}, true, false},
        {"exact, other case", services({"b4c1"}), {"B4C1"}, true, true},
        {"substring", services({"B4C1"}), {"4c"}, true, true},
        {"second advertised, second accepted", services({"A111", "C0DE"}), {"B4C1", "c0d"}, true, true},
        {"none", services({"A111"}), {"B4C1"}, true, false},
        {"nothing accepted", services({"A111"}), {}, true, false},
        {"an element that is no identifier",
         Value(Value::Array{Value(5), Value("B4C1")}),
         {"B4C1"},
         true,
         false},
    };
    for (const auto& c : cases) {
        DeviceSpecificConfig::overrideSwitchForTesting(
            DeviceSpecificConfig::kShouldIgnoreConnectionsWithEmptyAdvertisingServices, c.refuseMissingList);
        Value::Dictionary data;
        if (c.list) data[AdvertisementData::kServiceUUIDs] = *c.list;
        EXPECT_EQ(PeripheralConnectionFilter::peripheralHasAppropriateServicesInAdvertismentData_serviceUUIDs(
                      data, c.accepted),
                  c.expected)
            << c.what;
    }
}

TEST_F(PeripheralConnectionFilterTest, OnlyTheValueOneIsConnectableAndAMissingValueWhereAllowed) {
    struct Case {
        std::optional<Value> value;
        bool refuseMissing;
        bool expected;
    };
    const Case cases[] = {
        {std::nullopt, false, true}, {std::nullopt, true, false}, {Value(1), true, true},
        {Value(true), true, true},   {Value(0), false, false},    {Value(2), false, false},
        {Value("1"), false, false},
    };
    for (const auto& c : cases) {
        DeviceSpecificConfig::overrideSwitchForTesting(
            DeviceSpecificConfig::kShouldIgnoreConnectionIfNotConnectebleInAdvertisingData, c.refuseMissing);
        Value::Dictionary data;
        if (c.value) data[AdvertisementData::kIsConnectable] = *c.value;
        EXPECT_EQ(PeripheralConnectionFilter::canConnectToPeripheralWithAdvertismentData(data), c.expected)
            << (c.value ? c.value->description() : "missing") << " refuse missing " << c.refuseMissing;
    }
}

TEST_F(PeripheralConnectionFilterTest,
       AnotherMakersDeviceIsToldByItsKindButNeverWhenNamedLikeThePhoneApplication) {
    auto advertisement = [](std::optional<std::string> name, bool makerData, std::optional<Value> makers) {
        Value::Dictionary data;
        if (name) data[AdvertisementData::kLocalName] = Value(*name);
        if (makerData) data[AdvertisementData::kManufacturerData] = Value(platform::Data());
        if (makers) data[AdvertisementData::kAppleMfgData] = *makers;
        return data;
    };
    auto kind = [](Value value) {
        return Value(Value::Dictionary{{AdvertisementData::kAppleFilterPuckType, value}});
    };
    struct Case {
        const char* what;
        Value::Dictionary data;
        bool lookingVersion;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"kind 2", advertisement(std::nullopt, true, kind(Value(2))), true, true},
        {"kind 2, another name", advertisement("TV", true, kind(Value(2))), true, true},
        {"kind 2, named Kestrune", advertisement("Kestrune", true, kind(Value(2))), true, false},
        {"kind 1", advertisement(std::nullopt, true, kind(Value(1))), true, false},
        {"kind 16", advertisement(std::nullopt, true, kind(Value(16))), true, false},
        {"no maker data", advertisement(std::nullopt, false, kind(Value(2))), true, false},
        {"maker dictionary not a dictionary", advertisement(std::nullopt, true, Value(2)), true, false},
        {"no kind", advertisement(std::nullopt, true, Value(Value::Dictionary{})), true, false},
        {"a version that does not look", advertisement(std::nullopt, true, kind(Value(2))), false, false},
    };
    for (const auto& c : cases) {
        DeviceSpecificConfig::overrideSwitchForTesting(
            DeviceSpecificConfig::kShouldIgnoreConnectionsWithWrongManifacturerDefined, c.lookingVersion);
        EXPECT_EQ(PeripheralConnectionFilter::isAppleTVForAdvertismentData(c.data), c.expected) << c.what;
    }
}

TEST_F(PeripheralConnectionFilterTest, OnlyANonEmptyForeignLocalNameIsUnknown) {
    struct Case {
        std::optional<Value> name;
        bool kestrune;
        bool unknown;
    };
    const Case cases[] = {
        {std::nullopt, false, false},     {Value(""), false, false},     {Value("Kestrune"), true, false},
        {Value("kestrune"), false, true}, {Value("Watch"), false, true}, {Value(7), false, false},
    };
    for (const auto& c : cases) {
        Value::Dictionary data;
        if (c.name) data[AdvertisementData::kLocalName] = *c.name;
        std::string label = c.name ? c.name->description() : "none";
        EXPECT_EQ(PeripheralConnectionFilter::isKestruneService(data), c.kestrune) << label;
        EXPECT_EQ(PeripheralConnectionFilter::isUnknownService(data), c.unknown) << label;
    }
}
