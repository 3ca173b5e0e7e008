#include "reporting/UsageKit/events/USKStubsForNMBAnalytics.h"

#include "reporting/UsageKit/USKLogger.h"

namespace reporting {

void USKStubsForNMBAnalytics::logInternalEventWithOrigin_name_parameters(const std::string&,
                                                                         const std::string&,
                                                                         const platform::Value::Dictionary&) {
    USKSystemLog("Stub only. Do not use.");
}

}  // namespace reporting
