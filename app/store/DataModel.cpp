#include "app/store/DataModel.h"

#include "app/records/Device.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {

const platform::ClassRegistry::Registrar<DataModel> registrarOfDataModel(DataModel::kClassName);

template <class Map>
platform::Value dictionaryValue(const std::optional<Map>& map) {
    if (!map) return platform::Value();
    platform::Value::Dictionary dictionary;
    for (const auto& [key, item] : *map) dictionary[key] = platform::Value(item);
    return platform::Value(std::move(dictionary));
}

// The stored dictionary, keeping only entries of the expected kind: an entry of another kind (a damaged
// or foreign file) is dropped with a log line instead of reaching code that trusts the type.
template <class Item, class Convert>
std::optional<std::map<std::string, Item>> decodeDictionary(platform::KeyedUnarchiver& coder, const char* key,
                                                            Convert convert) {
    platform::Value value = coder.decodeObjectForKey(key);
    if (value.isNull()) return std::nullopt;
    auto stored = value.dictionary();
    if (!stored) {
        platform::logf("DataModel: the stored \"%s\" is %s, not a dictionary; it is left empty", key,
                       value.description().c_str());
        return std::nullopt;
    }
    std::map<std::string, Item> result;
    for (const auto& [entryKey, entry] : *stored) {
        if (auto item = convert(entry)) {
            result[entryKey] = *item;
        } else {
            platform::logf("DataModel: dropped the entry \"%s\" of \"%s\": %s is not what it holds",
                           entryKey.c_str(), key, entry.description().c_str());
        }
    }
    return result;
}

template <class Record>
std::optional<std::shared_ptr<Record>> recordOf(const platform::Value& value) {
    auto record = value.objectAs<Record>();
    if (!record) return std::nullopt;
    return record;
}

}  // namespace

std::shared_ptr<DataModel> DataModel::initWithCurrentDevice(std::shared_ptr<Device> device) {
    auto model = std::make_shared<DataModel>();
    model->currentDevice_ = std::move(device);
    model->dictOfMobileDeviceSettings_.emplace();
    model->dictOfAllMobileDevice_.emplace();
    model->dictOfPasswords_.emplace();
    model->dictOfPeripheralsToIgnore_.emplace();
    model->dictOfMobileDeviceLocalSettings_.emplace();
    return model;
}

void DataModel::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject_forKey(platform::Value(currentDevice_), "currentDevice");
    coder.encodeObject_forKey(dictionaryValue(dictOfMobileDeviceSettings_), "dictOfMobileDeviceSettings");
    coder.encodeObject_forKey(dictionaryValue(dictOfAllMobileDevice_), "dictOfAllMobileDevice");
    coder.encodeObject_forKey(dictionaryValue(dictOfPasswords_), "dictOfPasswords");
    coder.encodeObject_forKey(dictionaryValue(dictOfPeripheralsToIgnore_), "dictOfPeripheralsToIgnore");
    coder.encodeObject_forKey(dictionaryValue(dictOfMobileDeviceLocalSettings_),
                              "dictOfMobileDeviceLocalSettings");
}

bool DataModel::initWithCoder(platform::KeyedUnarchiver& coder) {
    platform::Value device = coder.decodeObjectForKey("currentDevice");
    currentDevice_ = device.objectAs<Device>();
    if (!device.isNull() && !currentDevice_)
        platform::logf("DataModel: the stored \"currentDevice\" is %s, not a device; it is left empty",
                       device.description().c_str());
    dictOfMobileDeviceSettings_ = decodeDictionary<std::shared_ptr<MobileSettings>>(
        coder, "dictOfMobileDeviceSettings", recordOf<MobileSettings>);
    dictOfAllMobileDevice_ = decodeDictionary<std::shared_ptr<MobileDevice>>(coder, "dictOfAllMobileDevice",
                                                                             recordOf<MobileDevice>);
    dictOfPasswords_ = decodeDictionary<std::string>(
        coder, "dictOfPasswords", [](const platform::Value& value) -> std::optional<std::string> {
            if (auto text = value.string()) return *text;
            return std::nullopt;
        });
    dictOfPeripheralsToIgnore_ = decodeDictionary<std::shared_ptr<platform::Object>>(
        coder, "dictOfPeripheralsToIgnore",
        [](const platform::Value& value) -> std::optional<std::shared_ptr<platform::Object>> {
            if (auto object = value.object()) return object;
            return std::nullopt;
        });
    dictOfMobileDeviceLocalSettings_ = decodeDictionary<std::shared_ptr<MobileSettingsLocal>>(
        coder, "dictOfMobileDeviceLocalSettings", recordOf<MobileSettingsLocal>);
    return true;
}

void DataModel::updateExistingModelIfNeeded() {
    if (!dictOfPeripheralsToIgnore_) dictOfPeripheralsToIgnore_.emplace();
    if (!dictOfMobileDeviceLocalSettings_) dictOfMobileDeviceLocalSettings_.emplace();
}

}  // namespace kestrune
