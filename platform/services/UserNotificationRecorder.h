#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/services/UserNotificationBackend.h"
#include "platform/services/UserNotificationCenter.h"

namespace platform {

// Notifications where nothing is drawn: a delivered notification is logged and kept until removed, and a
// click is simulated with activate(). The program's entry installs it on this system; tests read what was
// delivered.
class UserNotificationRecorder final : public UserNotificationBackend {
public:
    void deliver(const UserNotification& notification) override;
    void remove(const std::string& identifier) override;
    void removeDelivered(uint64_t deliveryNumber) override;
    void removeAll() override;
    std::vector<UserNotification> delivered() const override;

    // A click on the delivered notification with that identifier (or on a new one when none is
    // delivered): the default centre's delegate hears of it.
    void activate(const std::string& identifier);

private:
    mutable std::mutex mutex_;
    std::vector<UserNotification> delivered_;
};

}  // namespace platform
