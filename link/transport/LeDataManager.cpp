#include "link/transport/LeDataManager.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/bluetooth/BluetoothUUID.h"
#include "platform/storage/UserDefaults.h"

namespace kestrune {

namespace {

using platform::UserDefaults;
using platform::Value;

std::optional<Value::Array> storedArray() {
    Value stored = UserDefaults::standard()->objectForKey(LeDataManager::kStoredDevicesKey);
    if (const auto* array = stored.array()) return *array;
    return std::nullopt;
}

bool holdsText(const Value::Array& array, const std::string& text) {
    return std::any_of(array.begin(), array.end(),
                       [&](const Value& element) { return element.string() && *element.string() == text; });
}

}  // namespace

std::optional<std::vector<std::string>> LeDataManager::loadSavedDevices() const {
    auto array = storedArray();
    if (!array) return std::nullopt;
    std::vector<std::string> identifiers;
    for (const auto& element : *array) {
        // Only a full identifier names a peripheral; anything else in the file would make a lookup
        // for nothing.
        auto uuid = element.string() ? platform::BluetoothUUID::fromString(*element.string()) : std::nullopt;
        if (!uuid || uuid->data().size() != 16) {
            platform::logf("Saved devices: %s is no peripheral identifier; left out",
                           element.description().c_str());
            continue;
        }
        identifiers.push_back(uuid->UUIDString());
    }
    return identifiers;
}

void LeDataManager::addSavedDevice(const std::string& uuid) {
    auto array = storedArray().value_or(Value::Array{});
    if (holdsText(array, uuid)) return;
    array.push_back(Value(uuid));
    auto defaults = UserDefaults::standard();
    defaults->setObject_forKey(Value(std::move(array)), kStoredDevicesKey);
    defaults->synchronize();
}

void LeDataManager::removeAllSavedDevices() {
    UserDefaults::standard()->setObject_forKey(Value(Value::Array{}), kStoredDevicesKey);
}

void LeDataManager::removeSavedDevice(const std::string& uuid) {
    auto array = storedArray();
    if (!array) return;
    array->erase(
        std::remove_if(array->begin(), array->end(),
                       [&](const Value& element) { return element.string() && *element.string() == uuid; }),
        array->end());
    auto defaults = UserDefaults::standard();
    defaults->setObject_forKey(Value(std::move(*array)), kStoredDevicesKey);
    defaults->synchronize();
}

}  // namespace kestrune
