#include "app/store/ApplicationDataModel.h"

#include "app/records/DefaultValuesRecord.h"
#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {

const platform::ClassRegistry::Registrar<ApplicationDataModel> registrarOfApplicationDataModel(ApplicationDataModel::kClassName);

platform::Value listValue(const std::optional<ApplicationDataModel::EntryList>& list) {
    if (!list) return platform::Value();
    platform::Value::Array array;
    array.reserve(list->size());
    for (const auto& entry : *list) array.emplace_back(entry);
    return platform::Value(std::move(array));
}

// The stored list with only records of the expected class; anything else is dropped with a log line.
std::optional<ApplicationDataModel::EntryList> decodeList(platform::KeyedUnarchiver& coder, const char* key,
                                                          const char* className) {
    platform::Value value = coder.decodeObjectForKey(key);
    if (value.isNull()) return std::nullopt;
    auto array = value.array();
    if (!array) {
        platform::logf("ApplicationDataModel: the stored \"%s\" is %s, not a list; it is left empty", key,
                       value.description().c_str());
        return std::nullopt;
    }
    ApplicationDataModel::EntryList list;
    list.reserve(array->size());
    for (const auto& item : *array) {
        auto record = item.object();
        if (record && record->className() == className) {
            list.push_back(std::move(record));
        } else {
            platform::logf("ApplicationDataModel: dropped %s from \"%s\", which holds %s records",
                           item.description().c_str(), key, className);
        }
    }
    return list;
}

}  // namespace

void ApplicationDataModel::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject_forKey(listValue(arrayOfManualSnapshots_), "arrayOfManualSnapshots");
    coder.encodeObject_forKey(listValue(arrayOfFailedLogins_), "arrayOfFailedLogins");
    coder.encodeObject_forKey(listValue(arrayOfLoginLogouts_), "arrayOfloginLogouts");
    coder.encodeObject_forKey(listValue(arrayOfSafeWifi_), "arrayOfSafeWifi");
    coder.encodeObject_forKey(platform::Value(wifiUnlockConfig_), "safeWifiConfig");
}

bool ApplicationDataModel::initWithCoder(platform::KeyedUnarchiver& coder) {
    arrayOfManualSnapshots_ = decodeList(coder, "arrayOfManualSnapshots", kManualSnapshotClassName);
    arrayOfFailedLogins_ = decodeList(coder, "arrayOfFailedLogins", kFailedLoginClassName);
    arrayOfLoginLogouts_ = decodeList(coder, "arrayOfloginLogouts", kLoginLogoutClassName);
    arrayOfSafeWifi_ = decodeList(coder, "arrayOfSafeWifi", kSafeWifiClassName);
    platform::Value config = coder.decodeObjectForKey("safeWifiConfig");
    wifiUnlockConfig_ = config.object();
    if (!config.isNull() &&
        (!wifiUnlockConfig_ || wifiUnlockConfig_->className() != kWifiUnlockConfigClassName)) {
        platform::logf("ApplicationDataModel: the stored \"safeWifiConfig\" is %s; it is left empty",
                       config.description().c_str());
        wifiUnlockConfig_.reset();
    }
    return true;
}

void ApplicationDataModel::updateModelIfNeeded() {
    if (!arrayOfManualSnapshots_) arrayOfManualSnapshots_.emplace();
    if (!arrayOfFailedLogins_) arrayOfFailedLogins_.emplace();
    if (!arrayOfLoginLogouts_) arrayOfLoginLogouts_.emplace();
    if (!arrayOfSafeWifi_) arrayOfSafeWifi_.emplace();
    if (!wifiUnlockConfig_) {
        auto config = platform::ClassRegistry::shared().makeObject(kWifiUnlockConfigClassName);
        auto defaults = std::dynamic_pointer_cast<DefaultValuesRecord>(config);
        if (defaults) {
            defaults->setDefaultValues();
            wifiUnlockConfig_ = std::move(config);
        } else {
            platform::logf(
                "ApplicationDataModel: no Wi-Fi unlock switch could be made; the class %s is not known",
                kWifiUnlockConfigClassName);
        }
    }
}

void ApplicationDataModel::removeAllManualSnapshotEntries() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    arrayOfManualSnapshots_.emplace();
}

void ApplicationDataModel::removeAllFailedLoginEntries() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    arrayOfFailedLogins_.emplace();
}

void ApplicationDataModel::removeAllLoginLogoutEntries() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    arrayOfLoginLogouts_.emplace();
}

}  // namespace kestrune
