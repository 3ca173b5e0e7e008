#pragma once

#include <memory>
#include <optional>
#include <string>

namespace kestrune {

class MobileSettings;
class MobileSettingsLocal;

// How a phone's records find its other records, which the data manager holds. The data manager sits
// above the records and installs itself here when it is linked in; until then nothing is found.
class PhoneRecordLookup {
public:
    virtual ~PhoneRecordLookup() = default;

    virtual std::shared_ptr<MobileSettings> settingsForDeviceId(const std::optional<std::string>& unId) = 0;
    // Made and kept on first request for a phone; null for no identifier.
    virtual std::shared_ptr<MobileSettingsLocal> localSettingsForDevice(
        const std::optional<std::string>& unId) = 0;

    // The installed lookup, or null.
    static std::shared_ptr<PhoneRecordLookup> current();
    static void install(std::shared_ptr<PhoneRecordLookup> lookup);
};

}  // namespace kestrune
