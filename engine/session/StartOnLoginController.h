#pragma once

#include <memory>
#include <string>

namespace kestrune {

// Launch at login through the helper application. Nothing in the system calls it: login at start-up
// goes through the login items.
class StartOnLoginController {
public:
    static StartOnLoginController& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<StartOnLoginController> make() {
        return std::make_shared<StartOnLoginController>();
    }

    // The helper's bundle identifier: the application's reverse-domain prefix and
    // ".LaunchAtLoginHelperApp".
    static std::string helperBundleIdentifier();

    void setStartOnLogin(bool startOnLogin);
    bool startOnLogin() const;
};

}  // namespace kestrune
