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

namespace {
std::atomic<uint64_t> gNextDeliveryNumber{1};
}

UserNotification UserNotificationCenter::deliverNotification(UserNotification notification) {
    notification.deliveryNumber = gNextDeliveryNumber.fetch_add(1);
    notification.presented =
        delegate_ && delegate_->userNotificationCenter_shouldPresentNotification(*this, notification);
    UserNotificationBackend::current()->deliver(notification);
    return notification;
}

void UserNotificationCenter::removeDeliveredNotification(const UserNotification& notification) {
    if (notification.deliveryNumber == 0) return;
    UserNotificationBackend::current()->removeDelivered(notification.deliveryNumber);
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
