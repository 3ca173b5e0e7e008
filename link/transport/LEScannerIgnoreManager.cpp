#include "link/transport/LEScannerIgnoreManager.h"

#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

std::shared_ptr<LEScannerIgnorePeripheral> copyRecord(const LEScannerIgnorePeripheral& record) {
    auto copy = LEScannerIgnorePeripheral::init();
    copy->setUuid(record.uuid());
    copy->setIgnoreReasonNumber(record.ignoreReasonNumber());
    copy->setNumberOfTimesIgnoredNumber(record.numberOfTimesIgnoredNumber());
    return copy;
}

}  // namespace

LEScannerIgnoreManager::LEScannerIgnoreManager() {
    retreiveSavedPeripheralsToIgnore();
}

LEScannerIgnoreManager::Dictionary LEScannerIgnoreManager::copyOf(const Dictionary& dictionary) {
    Dictionary copy;
    for (const auto& [uuid, record] : dictionary)
        if (record) copy[uuid] = copyRecord(*record);
    return copy;
}

void LEScannerIgnoreManager::retreiveSavedPeripheralsToIgnore() {
    Dictionary loaded;
    // The device data belongs to the main thread; the records are copied there, so the list never
    // shares a record with the data model.
    runOnMainThreadSync([&loaded] {
        auto model = DataManager::shared().getSavedDataModel();
        if (!model || !model->dictOfPeripheralsToIgnore()) return;
        for (const auto& [uuid, object] : *model->dictOfPeripheralsToIgnore()) {
            auto record = std::dynamic_pointer_cast<LEScannerIgnorePeripheral>(object);
            if (!record) {
                platform::logf("Ignore list: the entry for %s is no ignore record; left out", uuid.c_str());
                continue;
            }
            loaded[uuid] = copyRecord(*record);
        }
    });
    std::lock_guard lock(mutex_);
    peripheralsToIgnore_ = std::move(loaded);
}

void LEScannerIgnoreManager::publish(Dictionary copy, bool save) {
    runOnMainThreadAsync([copy = std::move(copy), save] {
        auto& manager = DataManager::shared();
        auto model = manager.getSavedDataModel();
        if (!model) return;
        DataModel::PeripheralDictionary stored;
        for (const auto& [uuid, record] : copy) stored[uuid] = record;
        model->setDictOfPeripheralsToIgnore(std::move(stored));
        if (save) manager.saveCurrentDataModel();
    });
}

void LEScannerIgnoreManager::savePeripheralsToIgnore() {
    Dictionary copy;
    {
        std::lock_guard lock(mutex_);
        copy = copyOf(peripheralsToIgnore_);
    }
    publish(std::move(copy), true);
}

bool LEScannerIgnoreManager::peripheralIsOnTheIgnoreList(const std::optional<std::string>& uuid) const {
    if (!uuid) return true;
    std::lock_guard lock(mutex_);
    return peripheralsToIgnore_.count(*uuid) != 0;
}

void LEScannerIgnoreManager::ignorePeripheralWithUUID_forReason_afterCount(
    const std::optional<std::string>& uuid, uint32_t reason, int64_t count) {
    // Without an identifier there is nothing to count against.
    if (!uuid) return;
    bool save;
    Dictionary copy;
    {
        std::lock_guard lock(mutex_);
        if (peripheralsToIgnore_.count(*uuid)) return;
        auto& record = peripheralsToBeAddedOnIgnoreList_[*uuid];
        if (!record) record = LEScannerIgnorePeripheral::initWithUUID_ignoreReason(*uuid, reason);
        record->setNumberOfTimesIgnored(record->numberOfTimesIgnored() + 1);
        if (record->numberOfTimesIgnored() < count) return;
        peripheralsToBeAddedOnIgnoreList_.erase(*uuid);
        save = permamentlyIgnoreLocked(*uuid, reason);
        copy = copyOf(peripheralsToIgnore_);
    }
    publish(std::move(copy), save);
}

bool LEScannerIgnoreManager::permamentlyIgnoreLocked(const std::string& uuid, uint32_t reason) {
    auto found = peripheralsToIgnore_.find(uuid);
    if (found != peripheralsToIgnore_.end() && found->second) {
        found->second->updateIgnoreReasonIfNeeded(reason);
        return false;
    }
    peripheralsToIgnore_[uuid] = LEScannerIgnorePeripheral::initWithUUID_ignoreReason(uuid, reason);
    return true;
}

void LEScannerIgnoreManager::permamentlyIgnorePeripheralWithUUID_forReason(
    const std::optional<std::string>& uuid, uint32_t reason) {
    if (!uuid) return;
    bool save;
    Dictionary copy;
    {
        std::lock_guard lock(mutex_);
        save = permamentlyIgnoreLocked(*uuid, reason);
        copy = copyOf(peripheralsToIgnore_);
    }
    // A new peripheral is saved at once; a raised reason reaches the archive with the next save.
    publish(std::move(copy), save);
}

void LEScannerIgnoreManager::removeIgnorePeripheralsForReason_fromDictionary(uint32_t reason,
                                                                             Dictionary& dictionary) {
    for (auto it = dictionary.begin(); it != dictionary.end();) {
        const auto& record = it->second;
        if (record && record->uuid() && record->ignoreReason() <= reason) {
            it = dictionary.erase(it);
        } else {
            ++it;
        }
    }
}

void LEScannerIgnoreManager::removeIgnorePeripheralsForReason(uint32_t reason) {
    Dictionary copy;
    {
        std::lock_guard lock(mutex_);
        removeIgnorePeripheralsForReason_fromDictionary(reason, peripheralsToIgnore_);
        removeIgnorePeripheralsForReason_fromDictionary(reason, peripheralsToBeAddedOnIgnoreList_);
        copy = copyOf(peripheralsToIgnore_);
    }
    publish(std::move(copy), false);
}

void LEScannerIgnoreManager::removePeripheralFromIgnoreList(const std::optional<std::string>& uuid) {
    if (!uuid) return;
    Dictionary copy;
    {
        std::lock_guard lock(mutex_);
        peripheralsToBeAddedOnIgnoreList_.erase(*uuid);
        if (!peripheralsToIgnore_.erase(*uuid)) return;
        copy = copyOf(peripheralsToIgnore_);
    }
    publish(std::move(copy), true);
}

void LEScannerIgnoreManager::removeAllPeripheralsFromTheIgnoreList() {
    {
        std::lock_guard lock(mutex_);
        peripheralsToIgnore_.clear();
        peripheralsToBeAddedOnIgnoreList_.clear();
    }
    publish({}, true);
}

LEScannerIgnoreManager::Dictionary LEScannerIgnoreManager::peripheralsToIgnore() const {
    std::lock_guard lock(mutex_);
    return copyOf(peripheralsToIgnore_);
}

LEScannerIgnoreManager::Dictionary LEScannerIgnoreManager::peripheralsToBeAddedOnIgnoreList() const {
    std::lock_guard lock(mutex_);
    return copyOf(peripheralsToBeAddedOnIgnoreList_);
}

}  // namespace kestrune
