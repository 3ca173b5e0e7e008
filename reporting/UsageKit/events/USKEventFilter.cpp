#include "reporting/UsageKit/events/USKEventFilter.h"

#include <set>

#include "platform/base/Strings.h"
#include "reporting/UsageKit/events/USKEvent.h"

namespace reporting {

namespace {
const std::set<std::string>& sampledTypes() {
    // Never destroyed: the kit's queues may still filter events while the process ends.
    static const auto& types = *new std::set<std::string>{
        "app_launched",           "app_terminated",         "app_crashed",         "app_memory_warning",
        "app_entered_background", "app_entered_foreground", "app_became_inactive", "app_became_active"};
    return types;
}
}  // namespace

bool USKEventFilter::shouldDiscardEvent_betaToken_installationID_withFactor(
    const USKEvent* event, const std::optional<std::string>& betaToken,
    const std::optional<std::string>& installationID, int64_t factor) const {
    if (!event) return true;
    if (betaToken) return false;
    if (!samplingEnabledForEventType(event->name())) return false;
    return shouldDiscardEventWithInstallationID_forSamplingFactor(installationID, factor);
}

bool USKEventFilter::samplingEnabledForEventType(const std::string& type) const {
    return sampledTypes().count(type) != 0;
}

bool USKEventFilter::shouldDiscardEventWithInstallationID_forSamplingFactor(
    const std::optional<std::string>& installationID, int64_t factor) const {
    if (!installationID || factor < 2) return false;
    const int64_t hash = javaHashCodeForString(*installationID);  // sign-extended
    return hash % factor != 0;  // truncating: a negative hash leaves a remainder of zero or below
}

int32_t USKEventFilter::javaHashCodeForString(const std::string& text) {
    uint32_t hash = 0;
    for (char16_t unit : platform::toUTF16(text)) hash = hash * 31u + unit;
    return static_cast<int32_t>(hash);
}

}  // namespace reporting
