#include "features/wifi/SafeWifiManager.h"

#include <algorithm>
#include <typeinfo>

#include "app/records/WifiUnlockConfig.h"
#include "app/store/DataManager.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<SafeWifiManager> gSharedSafeWifiManager;
}  // namespace

SafeWifiManager& SafeWifiManager::shared() {
    return gSharedSafeWifiManager.get([] { return create(); });
}

void SafeWifiManager::resetSharedForTesting() {
    gSharedSafeWifiManager.resetForTesting();
}

std::shared_ptr<SafeWifiManager> SafeWifiManager::create() {
    std::shared_ptr<SafeWifiManager> manager(new SafeWifiManager());
    manager->wifiHelper_ = WifiHelper::create();
    manager->wifiHelper_->delegate = manager;
    return manager;
}

int32_t SafeWifiManager::wifiState() {
    return DataManager::shared().getTrackingMobileDevice() ? kWifiStateTrackedPhone
                                                           : kWifiStateNoTrackedPhone;
}

ApplicationDataModel::EntryList& SafeWifiManager::safeWifiEntries() {
    auto& list = DataManager::shared().applicationData()->arrayOfSafeWifi();
    if (!list) list.emplace();
    return *list;
}

std::shared_ptr<WifiUnlockConfig> SafeWifiManager::wifiUnlockConfig() {
    auto data = DataManager::shared().applicationData();
    auto config = std::dynamic_pointer_cast<WifiUnlockConfig>(data->wifiUnlockConfig());
    if (!config) {
        // The application data always holds one; should it not, the switch starts as a new one would.
        config = WifiUnlockConfig::init();
        config->setDefaultValues();
        data->setWifiUnlockConfig(config);
    }
    return config;
}

bool SafeWifiManager::safeWifiTurnedOn() {
    const auto& stored = wifiUnlockConfig()->wifiUnlockTurnedOn();
    return stored && stored->boolValue() && !safeWifiEntries().empty();
}

void SafeWifiManager::setSafeWifiTurnedOn(bool on) {
    auto config = wifiUnlockConfig();
    const bool current = config->wifiUnlockTurnedOn() && config->wifiUnlockTurnedOn()->boolValue();
    if (current == on) return;
    config->setWifiUnlockTurnedOn(platform::Number(on));
    platform::NotificationCenter::defaultCenter().post(kSafeWifiChangedOnOffState, this);
}

std::shared_ptr<SafeWifiEntry> SafeWifiManager::generateCurrentConnectedWifiEntry() {
    auto name = wifiHelper_->connectedWifiName();
    if (!name) return nullptr;
    auto entry = SafeWifiEntry::init();
    entry->setSsidName(std::move(name));
    entry->setBssid(wifiHelper_->connectedWifiBSSID());
    return entry;
}

std::shared_ptr<SafeWifiEntry> SafeWifiManager::storedEntryEqualTo(const SafeWifiEntry& entry) {
    // Asked before every signal-strength reading: the walk touches no reference count and checks each
    // record's exact class (a cast through the class hierarchy would cost more than all the rest).
    for (const auto& object : safeWifiEntries()) {
        if (!object || typeid(*object) != typeid(SafeWifiEntry)) continue;
        auto* stored = static_cast<const SafeWifiEntry*>(object.get());
        if (stored->isEqual(entry)) return std::static_pointer_cast<SafeWifiEntry>(object);
    }
    return nullptr;
}

std::shared_ptr<SafeWifiEntry> SafeWifiManager::currentlyConnectedApplicationdataSafeWifiEntry() {
    auto current = generateCurrentConnectedWifiEntry();
    return current ? storedEntryEqualTo(*current) : nullptr;
}

bool SafeWifiManager::isConectedToSafeWifi() {
    return currentlyConnectedApplicationdataSafeWifiEntry() != nullptr;
}

bool SafeWifiManager::shouldUnlockForSafeWifi() {
    // Cheapest questions first; the network is asked last.
    return wifiState() == kWifiStateTrackedPhone && safeWifiTurnedOn() &&
           currentlyConnectedApplicationdataSafeWifiEntry() != nullptr;
}

bool SafeWifiManager::addSafeWifiEntry(const std::shared_ptr<SafeWifiEntry>& entry) {
    if (!entry || storedEntryEqualTo(*entry)) return false;
    safeWifiEntries().push_back(entry);
    return true;
}

bool SafeWifiManager::removeSafeWifiEntry(const std::shared_ptr<SafeWifiEntry>& entry) {
    if (!entry) return false;
    auto& list = safeWifiEntries();
    const auto removed = std::erase_if(list, [&](const std::shared_ptr<platform::Object>& object) {
        auto stored = std::dynamic_pointer_cast<SafeWifiEntry>(object);
        return stored && stored->isEqual(*entry);
    });
    return removed > 0;
}

void SafeWifiManager::saveWifiEntries() {
    if (!DataManager::shared().saveApplicationData())
        platform::logf("SafeWifiManager: the trusted networks could not be saved now");
}

void SafeWifiManager::wifiHelperDidUpdateWifiState(WifiHelper&) {
    platform::NotificationCenter::defaultCenter().post(kWifiChangedNotification, this);
}

}  // namespace kestrune
