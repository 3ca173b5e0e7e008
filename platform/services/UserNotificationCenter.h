#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct UserNotification {
    std::string identifier;
    std::string title;
    std::string informativeText;
    std::string soundName;
    bool presented = false;  // whether the centre showed it (the delegate may decline)
    // Given by the centre at delivery: which delivered notification this is, so that one of several with
    // the same identifier can be removed (0: never delivered).
    uint64_t deliveryNumber = 0;
};

class UserNotificationCenter;

class UserNotificationCenterDelegate {
public:
    virtual ~UserNotificationCenterDelegate() = default;
    virtual bool userNotificationCenter_shouldPresentNotification(UserNotificationCenter&,
                                                                  const UserNotification&) {
        return false;
    }
    virtual void userNotificationCenter_didActivateNotification(UserNotificationCenter&,
                                                                const UserNotification&) {}
};

// The desktop's user notifications. The centre asks its delegate whether to show a notification and
// hands it to the installed backend (UserNotificationBackend), which shows it and reports clicks.
class UserNotificationCenter {
public:
    static UserNotificationCenter& defaultCenter();

    void setDelegate(UserNotificationCenterDelegate* delegate) { delegate_ = delegate; }
    UserNotificationCenterDelegate* delegate() const { return delegate_; }

    // Answers the notification as delivered, with its delivery number.
    UserNotification deliverNotification(UserNotification notification);
    // Removes every delivered notification with the identifier.
    void removeDeliveredNotification(const std::string& identifier);
    // Removes exactly that delivered notification (by its delivery number); a newer one with the same
    // identifier stays.
    void removeDeliveredNotification(const UserNotification& notification);
    void removeAllDeliveredNotifications();
    std::vector<UserNotification> deliveredNotifications() const;

    // The user clicked the notification (reported by the backend): the delegate hears of it.
    void didActivateNotification(const UserNotification& notification);

    // Forgets the delegate.
    void resetForTesting();

private:
    UserNotificationCenter() = default;
    UserNotificationCenterDelegate* delegate_ = nullptr;
};

// The offer to move the application into the system's applications folder. This system has no such
// folder convention, so the offer is recorded and declined.
class MoveToApplications {
public:
    static void moveToApplicationsFolderIfNecessary();
    static int offerCount();
    static void resetForTesting();
};

}  // namespace platform
