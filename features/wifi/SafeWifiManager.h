#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/SafeWifiEntry.h"
#include "app/store/ApplicationDataModel.h"
#include "features/wifi/WifiHelper.h"

namespace kestrune {

class WifiUnlockConfig;

// The trusted Wi-Fi networks and the switch that lets them unlock the Mac, both kept in the application
// data (the list and the switch there are read and changed in place: nothing is copied or cached), and
// the decisions made from them and the Mac's current network. Used on the main thread.
class SafeWifiManager : public WifiHelperDelegate, public std::enable_shared_from_this<SafeWifiManager> {
public:
    static constexpr const char* kWifiChangedNotification = "kWifiChangedNotification";
    static constexpr const char* kSafeWifiChangedOnOffState = "kSafeWifiChangedOnOffState";

    // wifiState: a tracked phone exists (Wi-Fi unlock is possible), or none is tracked.
    static constexpr int32_t kWifiStateTrackedPhone = 0;
    static constexpr int32_t kWifiStateNoTrackedPhone = 2;

    // Made on first use, with its watcher on the Wi-Fi backend installed then.
    static SafeWifiManager& shared();
    // Tests: the next shared() is a new manager with a new watcher.
    static void resetSharedForTesting();
    static std::shared_ptr<SafeWifiManager> create();

    const std::shared_ptr<WifiHelper>& wifiHelper() const { return wifiHelper_; }

    int32_t wifiState();
    // The stored list itself (made empty when the application data has none).
    ApplicationDataModel::EntryList& safeWifiEntries();
    // The switch is stored on and the list is not empty.
    bool safeWifiTurnedOn();
    // Stores a changed value and posts kSafeWifiChangedOnOffState; the same value changes nothing. Not
    // saved here: the next save of the application data keeps it.
    void setSafeWifiTurnedOn(bool on);
    std::shared_ptr<SafeWifiEntry> generateCurrentConnectedWifiEntry();
    std::shared_ptr<SafeWifiEntry> currentlyConnectedApplicationdataSafeWifiEntry();
    // Joined to a trusted network, whatever the switch and the tracked phone say.
    bool isConectedToSafeWifi();
    bool shouldUnlockForSafeWifi();
    // Appends an entry whose network is not trusted yet; false when one of that name is there. Not saved.
    bool addSafeWifiEntry(const std::shared_ptr<SafeWifiEntry>& entry);
    // Removes every entry of the entry's network name; false when there was none. Not saved.
    bool removeSafeWifiEntry(const std::shared_ptr<SafeWifiEntry>& entry);
    void saveWifiEntries();

    // WifiHelperDelegate
    void wifiHelperDidUpdateWifiState(WifiHelper& helper) override;

private:
    SafeWifiManager() = default;
    std::shared_ptr<WifiUnlockConfig> wifiUnlockConfig();
    // The first stored entry equal to the given one.
    std::shared_ptr<SafeWifiEntry> storedEntryEqualTo(const SafeWifiEntry& entry);

    std::shared_ptr<WifiHelper> wifiHelper_;
};

}  // namespace kestrune
