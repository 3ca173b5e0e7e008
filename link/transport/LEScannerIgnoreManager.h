#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/transport/LEScannerIgnorePeripheral.h"

namespace kestrune {

// The peripherals the scanner does not spend connect attempts on, by identifier, each with its reason.
// A peripheral goes on the list at once or after a number of offences; the list is kept in the device
// data and survives restarts, the offences are counted in memory only.
//
// The scanner calls in from its Bluetooth queue and the main thread; the lists are kept under a lock.
// The device data is changed and saved on the main thread only: each change hands the main thread a
// copy of the list (queued when the change came from elsewhere).
class LEScannerIgnoreManager {
public:
    using Dictionary = std::map<std::string, std::shared_ptr<LEScannerIgnorePeripheral>>;

    // The counting starts empty; the list is read from the saved device data.
    LEScannerIgnoreManager();

    void retreiveSavedPeripheralsToIgnore();
    void savePeripheralsToIgnore();

    // A missing identifier counts as ignored.
    bool peripheralIsOnTheIgnoreList(const std::optional<std::string>& uuid) const;
    // Counts one offence; at the threshold the peripheral goes on the list with this reason.
    void ignorePeripheralWithUUID_forReason_afterCount(const std::optional<std::string>& uuid,
                                                       uint32_t reason, int64_t count);
    // Puts the peripheral on the list now, or raises the reason of one already there.
    void permamentlyIgnorePeripheralWithUUID_forReason(const std::optional<std::string>& uuid,
                                                       uint32_t reason);
    // Forgets every entry of this reason or a lower one, listed or counted; nothing is saved.
    void removeIgnorePeripheralsForReason(uint32_t reason);
    static void removeIgnorePeripheralsForReason_fromDictionary(uint32_t reason, Dictionary& dictionary);
    void removePeripheralFromIgnoreList(const std::optional<std::string>& uuid);
    void removeAllPeripheralsFromTheIgnoreList();

    // Copies, for those who look on.
    Dictionary peripheralsToIgnore() const;
    Dictionary peripheralsToBeAddedOnIgnoreList() const;

    LEScannerIgnoreManager(const LEScannerIgnoreManager&) = delete;
    LEScannerIgnoreManager& operator=(const LEScannerIgnoreManager&) = delete;

private:
    static Dictionary copyOf(const Dictionary& dictionary);
    // Gives the device data a copy of the list, and saves it when asked. Called without the lock.
    void publish(Dictionary copy, bool save);
    bool permamentlyIgnoreLocked(const std::string& uuid, uint32_t reason);

    mutable std::mutex mutex_;
    Dictionary peripheralsToIgnore_;
    Dictionary peripheralsToBeAddedOnIgnoreList_;
};

}  // namespace kestrune
