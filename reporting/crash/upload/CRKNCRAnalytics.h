#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Object.h"
#include "platform/base/Value.h"

namespace reporting {

// A value of an outside analytics event: 0 double, 1 integer, 2 string.
struct CRKNMBAValue {
    int valueType = 0;
    double doubleValue = 0;
    int64_t int64Value = 0;
    std::string stringValue;
};

// An outside analytics event as its component hands it to a listener.
struct CRKNMBAEvent {
    std::optional<std::string> name;
    std::map<std::string, CRKNMBAValue> parameters;
};

using CRKNMBAEventListener = std::function<void(const CRKNMBAEvent& event)>;

// What the outside analytics component ("NMBAnalytics", looked up by name in the class registry) must
// answer for the bridge to use it. It is not part of this system.
class CRKNMBAnalyticsClass : public platform::Object {
public:
    virtual void logInternalEventWithOrigin_name_parameters(
        const std::string& origin, const std::string& name,
        const platform::Value::Dictionary& parameters) = 0;
    virtual void addLogEventListener(CRKNMBAEventListener listener) = 0;
};

// The bridge between the crash kit and the outside analytics component: reports crashes as events and
// passes the component's events to a listener. Without the component every operation does nothing.
class CRKNCRAnalytics {
public:
    static void logCrashWithTimeStamp_nimbusCrashKitEnabled(double timeStamp, bool enabled);
    static void registerAnalyticsEventListener(CRKNMBAEventListener listener);
    static platform::Value::Dictionary buildLogParamsFromCrash(double timeStamp);

    // The component, looked up once per process.
    static std::shared_ptr<CRKNMBAnalyticsClass> analyticsClass();
    // Tests: look the component up again.
    static void resetForTesting();
};

platform::Value CRKNMBValueToAllowableType(const CRKNMBAValue& value);
std::optional<platform::Value::Dictionary> CRKNMBAEventToDictionary(const CRKNMBAEvent& event);
std::optional<std::string> CRKNMBAEventDictionaryToJSON(
    const std::optional<platform::Value::Dictionary>& dictionary);

}  // namespace reporting
