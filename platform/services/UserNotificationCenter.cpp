#include "platform/services/UserNotificationCenter.h"

#include <algorithm>
#include <atomic>

#include "platform/base/Log.h"

namespace platform {

UserNotificationCenter& UserNotificationCenter::defaultCenter() {
    static auto* center = new UserNotificationCenter;
    return *center;
}

void UserNotificationCenter::deliverNotification(UserNotification notification) {
    notification.presented =
        delegate_ && delegate_->userNotificationCenter_shouldPresentNotification(*this, notification);
    logf("UserNotification [%s] %s%s%s", notification.identifier.c_str(), notification.title.c_str(),
         notification.informativeText.empty() ? "" : ": ", notification.informativeText.c_str());
    delivered_.push_back(std::move(notification));
}

void UserNotificationCenter::removeDeliveredNotification(const std::string& identifier) {
    std::erase_if(delivered_, [&](const UserNotification& n) { return n.identifier == identifier; });
}

void UserNotificationCenter::removeAllDeliveredNotifications() {
    delivered_.clear();
}

std::vector<UserNotification> UserNotificationCenter::deliveredNotifications() const {
    return delivered_;
}

void UserNotificationCenter::activate(const std::string& identifier) {
    auto it = std::find_if(delivered_.begin(), delivered_.end(),
                           [&](const UserNotification& n) { return n.identifier == identifier; });
    UserNotification clicked = it != delivered_.end() ? *it : UserNotification{identifier, "", "", "", true};
    if (delegate_) delegate_->userNotificationCenter_didActivateNotification(*this, clicked);
}

void UserNotificationCenter::resetForTesting() {
    delegate_ = nullptr;
    delivered_.clear();
}

namespace {
std::atomic<int> gOffers{0};
}

void MoveToApplications::moveToApplicationsFolderIfNecessary() {
    ++gOffers;
    logf("MoveToApplications: nothing to move on this system");
}

int MoveToApplications::offerCount() {
    return gOffers.load();
}

void MoveToApplications::resetForTesting() {
    gOffers = 0;
}

}  // namespace platform
