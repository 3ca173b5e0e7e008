#pragma once

#include <map>
#include <memory>
#include <string>

namespace kestrune {

class DeviceUser;

// The Mac's user accounts as the link asks about them: who runs the application, which accounts exist
// (a new phone's settings start with the running user's account) and whether a password the phone sent
// logs into an account. The engine's accounts service installs itself here; until then the default
// answers the first two from the session services and refuses every password, so no phone can pair
// against an account nobody checked.
class AccountServices {
public:
    virtual ~AccountServices() = default;

    virtual std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers() = 0;
    virtual std::string getCurrentLogedInUsername() = 0;
    // Must not keep or log the password.
    virtual bool checkIfPassword_validForUserName(const std::string& password,
                                                  const std::string& userName) = 0;

    static std::shared_ptr<AccountServices> current();
    // Null restores the default.
    static void install(std::shared_ptr<AccountServices> services);
};

}  // namespace kestrune
