#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/base/Value.h"

namespace reporting {

class USKEvent;
class USKCustomEvent;
class USKPredefinedEvent;

// The outside analytics component, found by name ("NMBAnalytics") in the kit's class list when present.
class NMBAnalyticsInterface {
public:
    virtual ~NMBAnalyticsInterface() = default;
    virtual void logInternalEventWithOrigin_name_parameters(
        const std::string& origin, const std::string& name,
        const platform::Value::Dictionary& parameters) = 0;
};

// Registry of the outside component: it is absent from this system, so only tests register one.
void USKRegisterNimbusAnalyticsClass(std::shared_ptr<NMBAnalyticsInterface> analytics);

// Forwards analytics events to the outside component in its vocabulary.
class USKNimbusAnalyticsBridge {
public:
    using Mapping = std::map<std::string, std::string>;
    // The origin every forwarded event carries: the kit's own prefix.
    static constexpr const char* kEventOrigin = "rkt";

    USKNimbusAnalyticsBridge();  // looks the class up by name
    explicit USKNimbusAnalyticsBridge(std::shared_ptr<NMBAnalyticsInterface> analytics);

    void logEvent(const std::shared_ptr<USKEvent>& event);
    void logCustomEvent(const USKCustomEvent& event);
    void logPredefinedEvent(const USKPredefinedEvent& event);
    void logPredefinedEventToNimbusWithEventName_parameters(const std::string& name,
                                                            const platform::Value::Dictionary& parameters);

    static std::string nimbusEventNameForUsageKitEventName_predefinedAttributes(
        const std::string& name, const platform::Value::Dictionary& predefinedAttributes);
    static bool shouldUseFailedEventName_predefinedAttributes(const std::string& name,
                                                              const platform::Value::Dictionary& attributes);
    static std::string failedEventName(const std::string& name);
    static bool isFailableEvent(const std::string& name);
    static platform::Value::Dictionary
    nimbusEventParametersForPredefinedAttributes_customAttributes_nimbusEventName(
        const platform::Value::Dictionary& predefined, const platform::Value::Dictionary& custom,
        const std::string& nimbusEventName);
    static platform::Value::Dictionary predefinedParametersFromPredefinedAttributes_forNimbusEventName(
        const platform::Value::Dictionary& predefined, const std::string& nimbusEventName);
    static platform::Value::Dictionary extractBaseParameterDictionaryFromPredefinedAttributes_withKeyMapping(
        const platform::Value::Dictionary& predefined, const Mapping& mapping);
    static platform::Value::Dictionary transformedBaseParameters_forNimbusEventName(
        platform::Value::Dictionary parameters, const std::string& nimbusEventName);
    static platform::Value::Dictionary customParametersFromCustomAttributes(
        const platform::Value::Dictionary& custom);
    static platform::Value::Dictionary combinedParametersFromPredefinedParameters_customParameters(
        platform::Value::Dictionary predefined, const platform::Value::Dictionary& custom);
    static std::string sanitizeKeyName(const std::string& name);
    static std::string sanitizeEventName(const std::string& name);
    static std::string sanitizeAttributeName(const std::string& name);
    static const std::set<std::string>& nimbusReservedKeys();

    bool hasNimbusAnalytics() const { return nimbusAnalytics_ != nullptr; }

private:
    std::shared_ptr<NMBAnalyticsInterface> nimbusAnalytics_;
};

}  // namespace reporting
