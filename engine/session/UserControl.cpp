#include "engine/session/UserControl.h"

#include <mutex>

#include "app/records/DeviceUser.h"
#include "platform/base/Number.h"
#include "platform/system/ProcessInfo.h"

namespace kestrune {

namespace {

// Filled once, by whichever thread asks first; the others wait for that read only, never for the main
// thread. It holds the identities of one account service: another one installed (the simulated Mac's
// session in place of the process's own account) has accounts of its own, read anew.
struct IdentityCache {
    std::weak_ptr<platform::UserAccounts> source;
    std::once_flag once;
    std::vector<platform::UserIdentity> identities;
};

std::mutex gCacheMutex;
std::shared_ptr<IdentityCache> gCache;

// The cache of these accounts.
std::shared_ptr<IdentityCache> identityCache(const std::shared_ptr<platform::UserAccounts>& accounts) {
    std::lock_guard lock(gCacheMutex);
    if (!gCache || gCache->source.lock() != accounts) {
        gCache = std::make_shared<IdentityCache>();
        gCache->source = accounts;
    }
    return gCache;
}

}  // namespace

std::vector<platform::UserIdentity> UserControl::retreiveAllMacCBUserIdentitiesFromSystem() {
    return platform::UserAccounts::current()->localUserIdentities();
}

std::vector<platform::UserIdentity> UserControl::getAllMacCBUserIdentities() {
    const auto accounts = platform::UserAccounts::current();
    auto cache = identityCache(accounts);
    std::call_once(cache->once, [&] { cache->identities = accounts->localUserIdentities(); });
    return cache->identities;
}

void UserControl::resetIdentityCacheForTesting() {
    std::lock_guard lock(gCacheMutex);
    gCache.reset();
}

std::map<std::string, std::shared_ptr<DeviceUser>> UserControl::getAllMacUsers() {
    std::map<std::string, std::shared_ptr<DeviceUser>> users;
    for (const auto& identity : getAllMacCBUserIdentities()) {
        auto user = DeviceUser::init();
        user->setIdNumber(platform::Number(identity.posixUID));
        user->setFullName(identity.fullName);
        user->setUsername(identity.posixName);
        user->setHasPassword(platform::Number(userWithUserNameIsEnabled(identity.posixName)));
        users[identity.posixName] = user;
    }
    return users;
}

std::optional<platform::UserIdentity> UserControl::getUserWithUserName(const std::string& userName) {
    for (const auto& identity : getAllMacCBUserIdentities())
        if (identity.posixName == userName) return identity;
    return std::nullopt;
}

bool UserControl::checkIfPassword_validForUserName(const std::string& password, const std::string& userName) {
    auto identity = getUserWithUserName(userName);
    if (!identity) return false;
    return platform::UserAccounts::current()->authenticate(identity->posixName, password);
}

bool UserControl::checkIfPasswordValidForCurrentUser(const std::string& password) {
    return checkIfPassword_validForUserName(password, getCurrentLogedInUsername());
}

bool UserControl::userWithUserNameIsEnabled(const std::string& userName) {
    auto identity = getUserWithUserName(userName);
    return identity && identity->enabled;
}

bool UserControl::doesUserExistWithUsername(const std::string& userName) {
    return getUserWithUserName(userName).has_value();
}

std::string UserControl::getCurrentLogedInUsername() {
    return platform::ProcessInfo::shared().userName();
}

std::string UserControl::fullName() {
    auto identity = getUserWithUserName(getCurrentLogedInUsername());
    if (identity && !identity->fullName.empty()) return identity->fullName;
    return getCurrentLogedInUsername();
}

std::string UserControl::userImage() {
    auto identity = getUserWithUserName(getCurrentLogedInUsername());
    return identity ? identity->picturePath : std::string();
}

}  // namespace kestrune
