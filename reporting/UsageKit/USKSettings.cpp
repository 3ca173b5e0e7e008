#include "reporting/UsageKit/USKSettings.h"

namespace reporting {

USKSettings::USKSettings(std::optional<platform::Value::Dictionary> settingsDictionary)
    : settingsDictionary_(std::move(settingsDictionary)) {}

const platform::Value* USKSettings::valueFor(const char* section, const char* key) const {
    if (!settingsDictionary_) return nullptr;
    auto s = settingsDictionary_->find(section);
    if (s == settingsDictionary_->end() || !s->second.dictionary()) return nullptr;
    auto k = s->second.dictionary()->find(key);
    if (k == s->second.dictionary()->end() || k->second.isNull()) return nullptr;
    return &k->second;
}

const platform::Value* USKSettings::analyticsSection() const {
    if (!settingsDictionary_) return nullptr;
    auto s = settingsDictionary_->find("analytics");
    return s == settingsDictionary_->end() ? nullptr : &s->second;
}

// A value of the wrong kind reads as the value's reading would: a text "true" is no number, so it falls
// back to the default rather than to zero.
bool USKSettings::boolFor(const char* section, const char* key, bool fallback) const {
    const platform::Value* v = valueFor(section, key);
    if (!v || !v->number()) return fallback;
    return v->number()->boolValue();
}

int64_t USKSettings::integerFor(const char* section, const char* key, int64_t fallback) const {
    const platform::Value* v = valueFor(section, key);
    if (!v || !v->number()) return fallback;
    return v->number()->longLongValue();
}

double USKSettings::doubleFor(const char* section, const char* key, double fallback) const {
    const platform::Value* v = valueFor(section, key);
    if (!v || !v->number()) return fallback;
    return v->number()->doubleValue();
}

std::string USKSettings::usageKitURL() const {
    const platform::Value* v = valueFor("analytics", "url");
    if (v && v->string() && !v->string()->empty()) return *v->string();
    return kDefaultEventsURL;
}

bool USKSettings::shouldCollectAnalytics() const {
    return boolFor("features", "collect_analytics", true);
}
bool USKSettings::shouldCollectCustomEvents() const {
    return boolFor("analytics", "track_custom_events", true);
}
bool USKSettings::shouldCollectPredefinedEvents() const {
    return boolFor("analytics", "track_predefined_events", true);
}
bool USKSettings::shouldForwardToNimbusAnalytics() const {
    return boolFor("analytics", "forward_to_nimbus_analytics", false);
}
bool USKSettings::shouldIncludePurchaseEventsInForwardedNimbusEvents() const {
    return boolFor("analytics", "include_purchase_events_in_forwarded_events", false);
}
int64_t USKSettings::maximumPayloadSize() const {
    return integerFor("analytics", "max_byte_size_per_file", 8000);
}
int64_t USKSettings::maxPendingSendFiles() const {
    return integerFor("analytics", "max_pending_send_file_count", 100);
}
double USKSettings::flushInterval() const {
    return doubleFor("analytics", "flush_interval_secs", 0.0);
}
int64_t USKSettings::samplingRate() const {
    return integerFor("analytics", "sampling_rate", 1);
}
double USKSettings::defaultUploadTimeout() const {
    return doubleFor("analytics", "upload_timeout_secs", 21600.0);
}
double USKSettings::lowPowerUploadTimeout() const {
    return doubleFor("analytics", "low_power_upload_timeout_secs", 3600.0);
}

}  // namespace reporting
