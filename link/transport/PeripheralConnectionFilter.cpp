#include "link/transport/PeripheralConnectionFilter.h"

#include "link/transport/CBUUIDManager.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "platform/base/Strings.h"
#include "platform/bluetooth/AdvertisementData.h"

namespace kestrune {

namespace {

using platform::AdvertisementData;
using platform::Value;

const Value* valueFor(const Value::Dictionary& dictionary, const char* key) {
    auto found = dictionary.find(key);
    if (found == dictionary.end() || found->second.isNull()) return nullptr;
    return &found->second;
}

const std::string* localName(const Value::Dictionary& advertisementData) {
    const Value* name = valueFor(advertisementData, AdvertisementData::kLocalName);
    return name ? name->string() : nullptr;
}

}  // namespace

bool PeripheralConnectionFilter::peripheralHasAppropriateServicesInAdvertismentData_serviceUUIDs(
    const Value::Dictionary& advertisementData, const std::vector<std::string>& serviceUUIDs) {
    const Value* value = valueFor(advertisementData, AdvertisementData::kServiceUUIDs);
    const Value::Array* services = value ? value->array() : nullptr;
    if (!services) return !DeviceSpecificConfig::shouldIgnoreConnectionsWithEmptyAdvertisingServices();
    if (services->empty()) return true;
    std::vector<std::string> accepted;
    accepted.reserve(serviceUUIDs.size());
    for (const auto& text : serviceUUIDs) accepted.push_back(platform::toLowerASCII(text));
    for (const auto& service : *services) {
        const platform::Data* bytes = service.data();
        if (!bytes) continue;
        std::string advertised = platform::toLowerASCII(CBUUIDManager::generateStringFromCBUUID(*bytes));
        for (const auto& text : accepted)
            if (platform::contains(advertised, text)) return true;
    }
    return false;
}

bool PeripheralConnectionFilter::canConnectToPeripheralWithAdvertismentData(
    const Value::Dictionary& advertisementData) {
    const Value* value = valueFor(advertisementData, AdvertisementData::kIsConnectable);
    if (!value) return !DeviceSpecificConfig::shouldIgnoreConnectionIfNotConnectebleInAdvertisingData();
    return value->number() && value->number()->longLongValue() == 1;
}

bool PeripheralConnectionFilter::isAppleTVForAdvertismentData(const Value::Dictionary& advertisementData) {
    if (!DeviceSpecificConfig::shouldIgnoreConnectionsWithWrongManifacturerDefined()) return false;
    if (isKestruneService(advertisementData)) return false;
    if (!valueFor(advertisementData, AdvertisementData::kManufacturerData)) return false;
    const Value* makers = valueFor(advertisementData, AdvertisementData::kAppleMfgData);
    if (!makers || !makers->dictionary()) return false;
    const Value* kind = valueFor(*makers->dictionary(), AdvertisementData::kAppleFilterPuckType);
    if (!kind || !kind->number()) return false;
    int64_t value = kind->number()->longLongValue();
    return value != 1 && value != 16;
}

bool PeripheralConnectionFilter::isKestruneService(const Value::Dictionary& advertisementData) {
    const std::string* name = localName(advertisementData);
    return name && *name == kKestruneLocalName;
}

bool PeripheralConnectionFilter::isUnknownService(const Value::Dictionary& advertisementData) {
    const std::string* name = localName(advertisementData);
    return name && !name->empty() && *name != kKestruneLocalName;
}

}  // namespace kestrune
