#pragma once

#include <optional>

#include "platform/base/Value.h"

namespace kestrune {

// Reads the window server's dictionary of the current login session.
class ScreenLockedController {
public:
    // The dictionary, after keeping its user name, user id, on-console and login-done values; none (and
    // a line on standard output) when the window server has none.
    static std::optional<platform::Value::Dictionary> sessionDictionary();
    // The session has finished logging in and its screen is locked.
    static bool screenIsLocked();
};

}  // namespace kestrune
