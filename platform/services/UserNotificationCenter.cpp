#include "platform/services/UserNotificationCenter.h"

#include <atomic>

#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"
#include "platform/services/UserNotificationBackend.h"

namespace platform {

UserNotificationCenter& UserNotificationCenter::defaultCenter() {
    static SharedInstance<UserNotificationCenter> instance;
    return instance.get([] { return new UserNotificationCenter; });
}

void UserNotificationCenter::deliverNotification(UserNotification notification) {
    notification.presented =
        delegate_ && delegate_->userNotificationCenter_shouldPresentNotification(*this, notification);
    UserNotificationBackend::current()->deliver(notification);
}

void UserNotificationCenter::removeDeliveredNotification(const std::string& identifier) {
    UserNotificationBackend::current()->remove(identifier);
}

void UserNotificationCenter::removeAllDeliveredNotifications() {
    UserNotificationBackend::current()->removeAll();
}

std::vector<UserNotification> UserNotificationCenter::deliveredNotifications() const {
    return UserNotificationBackend::current()->delivered();
}

void UserNotificationCenter::didActivateNotification(const UserNotification& notification) {
    if (delegate_) delegate_->userNotificationCenter_didActivateNotification(*this, notification);
}

void UserNotificationCenter::resetForTesting() {
    delegate_ = nullptr;
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
