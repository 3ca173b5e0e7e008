#include "platform/services/UserNotificationBackend.h"

#include <mutex>

#include "platform/base/Log.h"
#include "platform/services/UserNotificationCenter.h"

namespace platform {

namespace {

// A desktop without a notification service: a delivery is only logged.
class NoNotificationService final : public UserNotificationBackend {
public:
    void deliver(const UserNotification& notification) override {
        logf("UserNotification [%s] not shown: there is no notification service",
             notification.identifier.c_str());
    }
    void remove(const std::string&) override {}
    void removeDelivered(uint64_t) override {}
    void removeAll() override {}
    std::vector<UserNotification> delivered() const override { return {}; }
};

std::mutex gBackendMutex;
std::shared_ptr<UserNotificationBackend> gInstalled;

}  // namespace

std::shared_ptr<UserNotificationBackend> UserNotificationBackend::current() {
    std::lock_guard lock(gBackendMutex);
    if (gInstalled) return gInstalled;
    static const std::shared_ptr<UserNotificationBackend> none = std::make_shared<NoNotificationService>();
    return none;
}

void UserNotificationBackend::install(std::shared_ptr<UserNotificationBackend> backend) {
    std::lock_guard lock(gBackendMutex);
    gInstalled = std::move(backend);
}

}  // namespace platform
