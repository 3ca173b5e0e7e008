#pragma once

#include <string>

#include "platform/base/Value.h"

namespace reporting {

// Stands in the outside analytics component's one entry point, so that the kit can name it without
// having the component. It forwards nothing: the bridge sends only to a component it found by name,
// and this stub is never registered as one.
class USKStubsForNMBAnalytics {
public:
    // Says on the system log that the stub is no analytics component.
    static void logInternalEventWithOrigin_name_parameters(const std::string& origin, const std::string& name,
                                                           const platform::Value::Dictionary& parameters);
};

}  // namespace reporting
