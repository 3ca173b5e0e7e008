#include "platform/services/UserNotificationBackend.h"

#include "platform/base/BackendSlot.h"
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

}  // namespace

std::shared_ptr<UserNotificationBackend> UserNotificationBackend::current() {
    return platform::backendSlot<UserNotificationBackend>().getOr<NoNotificationService>();
}

void UserNotificationBackend::install(std::shared_ptr<UserNotificationBackend> backend) {
    platform::backendSlot<UserNotificationBackend>().set(std::move(backend));
}

}  // namespace platform
