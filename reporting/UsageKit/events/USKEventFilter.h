#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace reporting {

class USKEvent;

// Sampling: on most installations, lifecycle and crash events are dropped when the settings ask for a
// sampling factor; the choice follows the installation identifier, so it is the same on every launch.
class USKEventFilter {
public:
    bool shouldDiscardEvent_betaToken_installationID_withFactor(
        const USKEvent* event, const std::optional<std::string>& betaToken,
        const std::optional<std::string>& installationID, int64_t factor) const;
    bool samplingEnabledForEventType(const std::string& type) const;
    bool shouldDiscardEventWithInstallationID_forSamplingFactor(
        const std::optional<std::string>& installationID, int64_t factor) const;
    // The 32-bit wrapping hash over the UTF-16 units of the text ("abc" gives 96354).
    static int32_t javaHashCodeForString(const std::string& text);
};

}  // namespace reporting
