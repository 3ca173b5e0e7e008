#include "app/records/MacSessionServices.h"

#include <pwd.h>
#include <unistd.h>

#include <optional>
#include <vector>

#include "app/records/DeviceUser.h"
#include "platform/base/BackendSlot.h"
#include "platform/system/ProcessInfo.h"

namespace kestrune {

namespace {

struct Account {
    uint32_t uid = 0;
    std::string name;
    std::string fullName;
};

std::optional<Account> accountNamed(const std::string& name) {
    if (name.empty()) return std::nullopt;
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    Account account;
    account.uid = found->pw_uid;
    account.name = found->pw_name ? found->pw_name : name;
    // The full name is the first comma-separated part of the comment field.
    std::string comment = found->pw_gecos ? found->pw_gecos : "";
    account.fullName = comment.substr(0, comment.find(','));
    return account;
}

// The session as the process sees it before the screen monitor and the accounts service exist.
class ProcessSessionServices : public MacSessionServices {
public:
    bool ifUserLoggedInAndActive() override { return true; }
    bool laptopLidIsDownAndNoExternalMonitor() override { return false; }
    std::string getCurrentLogedInUsername() override { return platform::ProcessInfo::shared().userName(); }
    std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers() override {
        std::map<std::string, std::shared_ptr<DeviceUser>> users;
        std::string name = getCurrentLogedInUsername();
        auto account = accountNamed(name);
        if (!account) return users;
        auto user = DeviceUser::init();
        user->setIdNumber(platform::Number(account->uid));
        user->setFullName(account->fullName);
        user->setUsername(account->name);
        users[account->name] = user;
        return users;
    }
    bool userWithUserNameIsEnabled(const std::string& username) override {
        return accountNamed(username).has_value();
    }
};

}  // namespace

std::shared_ptr<MacSessionServices> MacSessionServices::current() {
    return platform::backendSlot<MacSessionServices>().getOr<ProcessSessionServices>();
}

void MacSessionServices::install(std::shared_ptr<MacSessionServices> services) {
    platform::backendSlot<MacSessionServices>().set(std::move(services));
}

}  // namespace kestrune
