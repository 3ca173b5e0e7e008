#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/base/Error.h"

namespace platform {

// Usage events of the hosted backend's analytics. Nothing waits for them; a completion is for tests.
class BackendAnalytics {
public:
    using Completion = std::function<void(bool succeeded, const std::optional<Error>& error)>;

    // POST "/events/AppOpened". The launch options are not sent.
    static void trackAppOpenedWithLaunchOptions(const std::map<std::string, std::string>& options,
                                                Completion completion = nullptr);
    // POST "/events/<name>" with {"dimensions": {...}}.
    static void trackEvent_dimensions(const std::string& name,
                                      const std::map<std::string, std::string>& dimensions,
                                      Completion completion = nullptr);
};

}  // namespace platform
