#pragma once

#include <memory>

namespace kestrune {

// Which kinds of rows the history hides: each flag set hides its kind. All shown after creation.
class LoginLogoutFilterModel {
public:
    static std::shared_ptr<LoginLogoutFilterModel> init() {
        return std::make_shared<LoginLogoutFilterModel>();
    }
    // Everything hidden but the sessions.
    static std::shared_ptr<LoginLogoutFilterModel> sessionDurationFilter();

    // Application started and quit rows.
    bool startFilterOn = false;
    // Unlock rows.
    bool loginFilterOn = false;
    // Lock rows.
    bool logoutFilterOn = false;
    // Session rows.
    bool sessionDurationFilterOn = false;
    // Failed-login rows.
    bool failedLoginFilterOn = false;
};

}  // namespace kestrune
