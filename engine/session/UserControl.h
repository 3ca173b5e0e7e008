#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/UserAccounts.h"

namespace kestrune {

class DeviceUser;

// The Mac's local user accounts, the user running the application, and password checks against an
// account. The identity list is read once from the installed account service, on first use, and kept
// while that service is installed.
class UserControl {
public:
    static std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers();
    static std::vector<platform::UserIdentity> getAllMacCBUserIdentities();
    static std::vector<platform::UserIdentity> retreiveAllMacCBUserIdentitiesFromSystem();
    // The first identity whose short name equals the text exactly.
    static std::optional<platform::UserIdentity> getUserWithUserName(const std::string& userName);
    static bool checkIfPassword_validForUserName(const std::string& password, const std::string& userName);
    static bool checkIfPasswordValidForCurrentUser(const std::string& password);
    static bool userWithUserNameIsEnabled(const std::string& userName);
    static bool doesUserExistWithUsername(const std::string& userName);
    static std::string getCurrentLogedInUsername();
    static std::string fullName();
    // The path of the running user's picture; empty when there is none.
    static std::string userImage();

    // Tests: the next question reads the identities again.
    static void resetIdentityCacheForTesting();
};

}  // namespace kestrune
