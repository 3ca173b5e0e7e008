#include "reporting/crash/upload/CRKNCRAnalytics.h"

#include <cmath>
#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

namespace {

constexpr const char* kAnalyticsClassName = "NMBAnalytics";

struct Lookup {
    std::mutex mutex;
    bool done = false;
    std::shared_ptr<CRKNMBAnalyticsClass> found;
};

Lookup& lookup() {
    static Lookup instance;
    return instance;
}

// Numbers and texts only; anything else makes the dictionary no JSON object.
bool toJSON(const platform::Value& value, nlohmann::json& out) {
    if (const auto* text = value.string()) {
        out = *text;
    } else if (const auto* number = value.number()) {
        if (number->isReal()) {
            if (!std::isfinite(number->doubleValue())) return false;
            out = number->doubleValue();
        } else if (number->kind() == platform::Number::Kind::Unsigned) {
            out = number->unsignedLongLongValue();
        } else {
            out = number->longLongValue();
        }
    } else if (const auto* dictionary = value.dictionary()) {
        out = nlohmann::json::object();
        for (const auto& [key, entry] : *dictionary) {
            if (!toJSON(entry, out[key])) return false;
        }
    } else if (const auto* array = value.array()) {
        out = nlohmann::json::array();
        for (const auto& entry : *array) {
            nlohmann::json element;
            if (!toJSON(entry, element)) return false;
            out.push_back(std::move(element));
        }
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::shared_ptr<CRKNMBAnalyticsClass> CRKNCRAnalytics::analyticsClass() {
    Lookup& state = lookup();
    std::lock_guard lock(state.mutex);
    if (!state.done) {
        state.done = true;
        state.found = std::dynamic_pointer_cast<CRKNMBAnalyticsClass>(
            platform::ClassRegistry::shared().makeObject(kAnalyticsClassName));
    }
    return state.found;
}

void CRKNCRAnalytics::resetForTesting() {
    Lookup& state = lookup();
    std::lock_guard lock(state.mutex);
    state.done = false;
    state.found = nullptr;
}

void CRKNCRAnalytics::logCrashWithTimeStamp_nimbusCrashKitEnabled(double timeStamp, bool enabled) {
    const auto analytics = analyticsClass();
    ReportKit& kit = ReportKit::sharedSDK();
    if (!enabled && !(kit.nimbusMode() && analytics)) return;
    if (kit.debug()) platform::logf("[CrashKit:Crash:Reports:Event] Sending event.");
    if (analytics)
        analytics->logInternalEventWithOrigin_name_parameters("clx", "_ae",
                                                              buildLogParamsFromCrash(timeStamp));
}

void CRKNCRAnalytics::registerAnalyticsEventListener(CRKNMBAEventListener listener) {
    const auto analytics = analyticsClass();
    if (!analytics) return;
    analytics->addLogEventListener(std::move(listener));
    if (ReportKit::sharedSDK().debug())
        platform::logf("[CrashKit:Crash:Reports:Event] Registered Nimbus Analytics event listener");
}

platform::Value::Dictionary CRKNCRAnalytics::buildLogParamsFromCrash(double timeStamp) {
    return {{"timestamp", static_cast<long long>(std::llround(timeStamp * 1000.0))}, {"_r", 1}, {"fatal", 1}};
}

platform::Value CRKNMBValueToAllowableType(const CRKNMBAValue& value) {
    switch (value.valueType) {
        case 2:
            return value.stringValue;
        case 1:
            return static_cast<long long>(value.int64Value);
        case 0:
            return value.doubleValue;
        default:
            CRKSDKLOG_WARN("Unexpected NMBAValue type\n");
            return {};
    }
}

std::optional<platform::Value::Dictionary> CRKNMBAEventToDictionary(const CRKNMBAEvent& event) {
    if (!event.name) {
        CRKSDKLOG_WARN("Event name is nil\n");
        return std::nullopt;
    }
    platform::Value::Dictionary parameters;
    for (const auto& [key, value] : event.parameters) {
        platform::Value converted = CRKNMBValueToAllowableType(value);
        if (!converted.isNull()) parameters[key] = std::move(converted);
    }
    return platform::Value::Dictionary{{"name", *event.name}, {"parameters", std::move(parameters)}};
}

std::optional<std::string> CRKNMBAEventDictionaryToJSON(
    const std::optional<platform::Value::Dictionary>& dictionary) {
    if (!dictionary) return std::nullopt;
    nlohmann::json object;
    if (!toJSON(platform::Value(*dictionary), object)) {
        CRKSDKLOG_WARN("Nimbus Analytics event is not valid JSON\n");
        return std::nullopt;
    }
    try {
        return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    } catch (const nlohmann::json::exception&) {
        CRKSDKLOG_WARN("Unable to convert event to json\n");
        return std::nullopt;
    }
}

}  // namespace reporting
