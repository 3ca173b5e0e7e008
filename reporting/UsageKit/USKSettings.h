#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace reporting {

// The analytics part of the kit's downloaded settings, each key with its default. Immutable: the
// controller replaces the object rather than changing it.
class USKSettings {
public:
    static constexpr const char* kDefaultEventsURL = "https://events.reportkit.invalid/spi/v2/events";

    explicit USKSettings(
        std::optional<platform::Value::Dictionary> settingsDictionary);  // initWithDictionary:

    bool valid() const { return settingsDictionary_.has_value(); }
    const std::optional<platform::Value::Dictionary>& settingsDictionary() const {
        return settingsDictionary_;
    }

    std::string usageKitURL() const;
    bool shouldCollectAnalytics() const;
    bool shouldCollectCustomEvents() const;
    bool shouldCollectPredefinedEvents() const;
    bool shouldForwardToNimbusAnalytics() const;
    bool shouldIncludePurchaseEventsInForwardedNimbusEvents() const;
    int64_t maximumPayloadSize() const;
    int64_t maxPendingSendFiles() const;
    double flushInterval() const;
    int64_t samplingRate() const;
    double defaultUploadTimeout() const;
    double lowPowerUploadTimeout() const;

    // The "analytics" section (for the log line), or none.
    const platform::Value* analyticsSection() const;

private:
    const platform::Value* valueFor(const char* section, const char* key) const;
    bool boolFor(const char* section, const char* key, bool fallback) const;
    int64_t integerFor(const char* section, const char* key, int64_t fallback) const;
    double doubleFor(const char* section, const char* key, double fallback) const;
    std::optional<platform::Value::Dictionary> settingsDictionary_;
};

}  // namespace reporting
