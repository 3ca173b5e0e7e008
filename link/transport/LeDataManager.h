#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// The identifier of the main peripheral, kept in the user defaults under "StoredDevices" as an array
// of UUID texts so that the phone can be retrieved by identifier after a restart or a long sleep.
class LeDataManager {
public:
    static constexpr const char* kStoredDevicesKey = "StoredDevices";

    // The saved identifiers (upper-case UUID texts) in stored order; none when the stored value is not
    // an array. Elements that are no UUID text are left out with a log line.
    std::optional<std::vector<std::string>> loadSavedDevices() const;
    void addSavedDevice(const std::string& uuid);
    void removeAllSavedDevices();
    void removeSavedDevice(const std::string& uuid);
};

}  // namespace kestrune
