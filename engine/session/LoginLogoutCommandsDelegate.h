#pragma once

#include <string>

namespace kestrune {

class LoginLogoutExecution;

// What the execution object tells the command controller.
class LoginLogoutCommandsDelegate {
public:
    virtual ~LoginLogoutCommandsDelegate() = default;
    // 0 the user is logged in and active, 1 not.
    virtual void loginLogoutCommands_didUpdateState(LoginLogoutExecution& execution, int state) = 0;
    virtual void loginLogoutCommands_canNotLoginWithPassword(LoginLogoutExecution& execution,
                                                             const std::string& password) = 0;
    virtual void loginLogoutCommandsCommandFailed(LoginLogoutExecution& execution) = 0;
    virtual void loginLogoutCommandsDidInsertPassword(LoginLogoutExecution& execution) = 0;
};

}  // namespace kestrune
