#include "link/transport/AccountServices.h"

#include "app/records/DeviceUser.h"
#include "app/records/MacSessionServices.h"
#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

class DefaultAccountServices : public AccountServices {
public:
    std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers() override {
        return MacSessionServices::current()->getAllMacUsers();
    }
    std::string getCurrentLogedInUsername() override {
        return MacSessionServices::current()->getCurrentLogedInUsername();
    }
    bool checkIfPassword_validForUserName(const std::string&, const std::string& userName) override {
        platform::logf("No password check is installed; the password for user %s is refused",
                       userName.c_str());
        return false;
    }
};

}  // namespace

std::shared_ptr<AccountServices> AccountServices::current() {
    return platform::backendSlot<AccountServices>().getOr<DefaultAccountServices>();
}

void AccountServices::install(std::shared_ptr<AccountServices> services) {
    platform::backendSlot<AccountServices>().set(std::move(services));
}

}  // namespace kestrune
