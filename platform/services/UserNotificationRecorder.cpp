#include "platform/services/UserNotificationRecorder.h"

#include <algorithm>

#include "platform/base/Log.h"

namespace platform {

void UserNotificationRecorder::deliver(const UserNotification& notification) {
    logf("UserNotification [%s] %s%s%s", notification.identifier.c_str(), notification.title.c_str(),
         notification.informativeText.empty() ? "" : ": ", notification.informativeText.c_str());
    std::lock_guard lock(mutex_);
    delivered_.push_back(notification);
}

void UserNotificationRecorder::remove(const std::string& identifier) {
    std::lock_guard lock(mutex_);
    std::erase_if(delivered_, [&](const UserNotification& n) { return n.identifier == identifier; });
}

void UserNotificationRecorder::removeDelivered(uint64_t deliveryNumber) {
    std::lock_guard lock(mutex_);
    std::erase_if(delivered_, [&](const UserNotification& n) { return n.deliveryNumber == deliveryNumber; });
}

void UserNotificationRecorder::removeAll() {
    std::lock_guard lock(mutex_);
    delivered_.clear();
}

std::vector<UserNotification> UserNotificationRecorder::delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

void UserNotificationRecorder::activate(const std::string& identifier) {
    UserNotification clicked{identifier, "", "", "", true};
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(delivered_.begin(), delivered_.end(),
                               [&](const UserNotification& n) { return n.identifier == identifier; });
        if (it != delivered_.end()) clicked = *it;
    }
    // Outside the lock: the delegate may deliver or remove notifications in turn.
    UserNotificationCenter::defaultCenter().didActivateNotification(clicked);
}

}  // namespace platform
