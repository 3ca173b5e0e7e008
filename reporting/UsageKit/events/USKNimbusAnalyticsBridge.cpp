#include "reporting/UsageKit/events/USKNimbusAnalyticsBridge.h"

#include <mutex>

#include "platform/base/Strings.h"
#include "platform/base/UnicodeClasses.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/events/USKEvent.h"

namespace reporting {

namespace {

std::mutex gRegistryMutex;
std::shared_ptr<NMBAnalyticsInterface> gRegistered;

// Event type -> forwarded name, and the forwarded name's attribute -> parameter map. Never destroyed, as
// the reserved keys below: the kit's queues may still forward events while the process ends.
const std::map<std::string, std::string>& eventNames() {
    static const auto& names = *new std::map<std::string, std::string>{{"content_view", "select_content"},
                                                                       {"share", "share"},
                                                                       {"sign_up", "sign_up"},
                                                                       {"login", "login"},
                                                                       {"search", "search"},
                                                                       {"purchase", "ecommerce_purchase"},
                                                                       {"add_to_cart", "add_to_cart"},
                                                                       {"start_checkout", "begin_checkout"},
                                                                       {"level_start", "level_start"},
                                                                       {"level_end", "level_end"},
                                                                       {"invite", "invite"},
                                                                       {"rating", "rate_content"}};
    return names;
}

const std::map<std::string, USKNimbusAnalyticsBridge::Mapping>& parameterMaps() {
    static const auto& maps = *new std::map<std::string, USKNimbusAnalyticsBridge::Mapping>{
        {"select_content",
         {{"content_type", "content_type"}, {"content_id", "item_id"}, {"content_name", "item_name"}}},
        {"share",
         {{"content_type", "content_type"},
          {"content_id", "item_id"},
          {"content_name", "item_name"},
          {"method", "method"}}},
        {"sign_up", {{"method", "method"}, {"success", "success"}}},
        {"login", {{"method", "method"}, {"success", "success"}}},
        {"search", {{"query", "search_term"}}},
        {"ecommerce_purchase",
         {{"currency", "currency"},
          {"item_price", "value"},
          {"success", "success"},
          {"item_type", "item_category"},
          {"item_id", "item_id"},
          {"item_name", "item_name"}}},
        {"add_to_cart",
         {{"item_type", "item_category"},
          {"item_id", "item_id"},
          {"item_name", "item_name"},
          {"item_price", "price"},
          {"currency", "currency"}}},
        {"begin_checkout", {{"currency", "currency"}, {"total_price", "value"}, {"item_count", "quantity"}}},
        {"level_start", {{"level_name", "level_name"}}},
        {"level_end", {{"level_name", "level_name"}, {"score", "score"}, {"success", "success"}}},
        {"invite", {{"method", "method"}}},
        {"rate_content",
         {{"rating", "rating"},
          {"content_type", "content_type"},
          {"content_id", "item_id"},
          {"content_name", "item_name"}}}};
    return maps;
}

bool isFalse(const platform::Value& v) {
    if (v.string()) return *v.string() != "true";
    if (v.number()) return !v.number()->boolValue();
    return false;
}

double millionths(const platform::Value& v) {
    if (auto decimal = v.objectAs<platform::DecimalNumber>()) return decimal->doubleValue() / 1e6;
    if (v.number()) return v.number()->doubleValue() / 1e6;
    return 0;
}

}  // namespace

void USKRegisterNimbusAnalyticsClass(std::shared_ptr<NMBAnalyticsInterface> analytics) {
    std::lock_guard lock(gRegistryMutex);
    gRegistered = std::move(analytics);
}

USKNimbusAnalyticsBridge::USKNimbusAnalyticsBridge() {
    std::lock_guard lock(gRegistryMutex);
    nimbusAnalytics_ = gRegistered;
}

USKNimbusAnalyticsBridge::USKNimbusAnalyticsBridge(std::shared_ptr<NMBAnalyticsInterface> analytics)
    : nimbusAnalytics_(std::move(analytics)) {}

const std::set<std::string>& USKNimbusAnalyticsBridge::nimbusReservedKeys() {
    static const auto& keys = *new std::set<std::string>{"app_clear_data",
                                                         "app_exception",
                                                         "app_remove",
                                                         "app_upgrade",
                                                         "app_install",
                                                         "app_update",
                                                         "nimbus_campaign",
                                                         "error",
                                                         "first_open",
                                                         "first_visit",
                                                         "in_app_purchase",
                                                         "notification_dismiss",
                                                         "notification_foreground",
                                                         "notification_open",
                                                         "notification_receive",
                                                         "os_update",
                                                         "session_start",
                                                         "user_engagement",
                                                         "ad_exposure",
                                                         "adunit_exposure",
                                                         "ad_query",
                                                         "ad_activeview",
                                                         "ad_impression",
                                                         "ad_click",
                                                         "screen_view",
                                                         "nimbus_extra_parameter"};
    return keys;
}

void USKNimbusAnalyticsBridge::logEvent(const std::shared_ptr<USKEvent>& event) {
    if (!nimbusAnalytics_ || !event) return;
    if (auto custom = std::dynamic_pointer_cast<USKCustomEvent>(event)) {
        logCustomEvent(*custom);
    } else if (auto predefined = std::dynamic_pointer_cast<USKPredefinedEvent>(event)) {
        logPredefinedEvent(*predefined);
    }
}

void USKNimbusAnalyticsBridge::logCustomEvent(const USKCustomEvent& event) {
    const std::string name = sanitizeEventName(event.customEventName());
    const auto parameters = customParametersFromCustomAttributes(
        event.customAttributes().value_or(platform::Value::Dictionary{}));
    USKLogger::sharedLogger().log("Logging custom event to Nimbus. <%s\n%s>", name.c_str(),
                                  platform::Value(parameters).description().c_str());
    nimbusAnalytics_->logInternalEventWithOrigin_name_parameters(kEventOrigin, name, parameters);
}

void USKNimbusAnalyticsBridge::logPredefinedEvent(const USKPredefinedEvent& event) {
    const auto& predefined = event.predefinedAttributes().dictionaryRepresentation();
    const std::string name =
        nimbusEventNameForUsageKitEventName_predefinedAttributes(event.predefinedEventName(), predefined);
    const auto parameters = nimbusEventParametersForPredefinedAttributes_customAttributes_nimbusEventName(
        predefined, event.customAttributes().dictionaryRepresentation(), name);
    logPredefinedEventToNimbusWithEventName_parameters(name, parameters);
    if (name == "level_end") logPredefinedEventToNimbusWithEventName_parameters("post_score", parameters);
}

void USKNimbusAnalyticsBridge::logPredefinedEventToNimbusWithEventName_parameters(
    const std::string& name, const platform::Value::Dictionary& parameters) {
    USKLogger::sharedLogger().log("Logging predefined event to Nimbus. <%s\n%s>", name.c_str(),
                                  platform::Value(parameters).description().c_str());
    nimbusAnalytics_->logInternalEventWithOrigin_name_parameters(kEventOrigin, name, parameters);
}

std::string USKNimbusAnalyticsBridge::nimbusEventNameForUsageKitEventName_predefinedAttributes(
    const std::string& name, const platform::Value::Dictionary& predefinedAttributes) {
    auto it = eventNames().find(name);
    const std::string forwarded = it == eventNames().end() ? name : it->second;
    if (shouldUseFailedEventName_predefinedAttributes(forwarded, predefinedAttributes))
        return failedEventName(forwarded);
    return forwarded;
}

bool USKNimbusAnalyticsBridge::shouldUseFailedEventName_predefinedAttributes(
    const std::string& name, const platform::Value::Dictionary& attributes) {
    if (!isFailableEvent(name)) return false;
    auto it = attributes.find("success");
    return it != attributes.end() && isFalse(it->second);
}

std::string USKNimbusAnalyticsBridge::failedEventName(const std::string& name) {
    return "failed_" + name;
}

bool USKNimbusAnalyticsBridge::isFailableEvent(const std::string& name) {
    return name == "ecommerce_purchase" || name == "login" || name == "sign_up";
}

platform::Value::Dictionary
USKNimbusAnalyticsBridge::nimbusEventParametersForPredefinedAttributes_customAttributes_nimbusEventName(
    const platform::Value::Dictionary& predefined, const platform::Value::Dictionary& custom,
    const std::string& nimbusEventName) {
    return combinedParametersFromPredefinedParameters_customParameters(
        predefinedParametersFromPredefinedAttributes_forNimbusEventName(predefined, nimbusEventName),
        customParametersFromCustomAttributes(custom));
}

platform::Value::Dictionary
USKNimbusAnalyticsBridge::predefinedParametersFromPredefinedAttributes_forNimbusEventName(
    const platform::Value::Dictionary& predefined, const std::string& nimbusEventName) {
    auto it = parameterMaps().find(nimbusEventName);
    platform::Value::Dictionary base;
    if (it != parameterMaps().end())
        base = extractBaseParameterDictionaryFromPredefinedAttributes_withKeyMapping(predefined, it->second);
    return transformedBaseParameters_forNimbusEventName(std::move(base), nimbusEventName);
}

platform::Value::Dictionary
USKNimbusAnalyticsBridge::extractBaseParameterDictionaryFromPredefinedAttributes_withKeyMapping(
    const platform::Value::Dictionary& predefined, const Mapping& mapping) {
    platform::Value::Dictionary out;
    for (const auto& [attribute, parameter] : mapping) {
        auto it = predefined.find(attribute);
        if (it == predefined.end()) continue;
        if (attribute == "item_price" || attribute == "total_price") {
            out[parameter] = platform::Value(millionths(it->second));
        } else if (attribute == "success") {
            out[parameter] = platform::Value(it->second.string() && *it->second.string() == "true" ? 1 : 0);
        } else {
            out[parameter] = it->second;
        }
    }
    return out;
}

platform::Value::Dictionary USKNimbusAnalyticsBridge::transformedBaseParameters_forNimbusEventName(
    platform::Value::Dictionary parameters, const std::string& nimbusEventName) {
    if (nimbusEventName == "add_to_cart") {
        parameters["quantity"] = platform::Value(1);
        auto price = parameters.find("price");
        if (price != parameters.end()) parameters["value"] = price->second;
    }
    if (isFailableEvent(nimbusEventName)) parameters.erase("success");
    return parameters;
}

platform::Value::Dictionary USKNimbusAnalyticsBridge::customParametersFromCustomAttributes(
    const platform::Value::Dictionary& custom) {
    platform::Value::Dictionary out;
    for (const auto& [key, value] : custom) out[sanitizeAttributeName(key)] = value;
    return out;
}

platform::Value::Dictionary
USKNimbusAnalyticsBridge::combinedParametersFromPredefinedParameters_customParameters(
    platform::Value::Dictionary predefined, const platform::Value::Dictionary& custom) {
    for (const auto& [key, value] : custom) predefined.emplace(key, value);  // only where absent
    return predefined;
}

std::string USKNimbusAnalyticsBridge::sanitizeKeyName(const std::string& name) {
    if (name.empty()) return name;
    std::u32string out;
    bool inRun = false;
    for (char32_t c : platform::toUTF32(name)) {
        if (platform::isUnicodeAlphanumeric(c) || c == U'_') {
            out.push_back(c);
            inRun = false;
        } else if (!inRun) {
            out.push_back(U'_');
            inRun = true;
        }
    }
    std::string result = platform::fromUTF32(out);
    if (out.empty() || !platform::isUnicodeLetter(out[0])) result = "reportKit_" + result;
    if (platform::hasPrefix(result, "nimbus_") || platform::hasPrefix(result, "cloud_") ||
        platform::hasPrefix(result, "ga_"))
        result = "reportKit_" + result;
    if (nimbusReservedKeys().count(result)) result = "reportKit_" + result;
    return result;
}

namespace {
// The first 40 UTF-16 units, never splitting a surrogate pair.
std::string cut40(const std::string& text) {
    return platform::utf16Length(text) >= 41 ? platform::prefixUTF16(text, 40) : text;
}
}  // namespace

std::string USKNimbusAnalyticsBridge::sanitizeEventName(const std::string& name) {
    if (name.empty()) return platform::format("%sunnamed_event", "reportKit_");
    return cut40(sanitizeKeyName(name));
}

std::string USKNimbusAnalyticsBridge::sanitizeAttributeName(const std::string& name) {
    if (name.empty()) return platform::format("%sunnamed_parameter", "reportKit_");
    return cut40(sanitizeKeyName(name));
}

}  // namespace reporting
