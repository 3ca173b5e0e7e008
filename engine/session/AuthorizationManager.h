#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kestrune {

// Asks the user to confirm with an administrator's credentials, through the system's authorization
// dialog, before an action its caller protects. Never blocks the caller; the completion runs once, on
// the main thread.
class AuthorizationManager {
public:
    static void authorizeWithMessage_completion(std::optional<std::string> message,
                                                std::function<void(bool granted)> completion);
    static void authorize(std::function<void(bool granted)> completion);
};

}  // namespace kestrune
