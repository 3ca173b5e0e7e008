#pragma once

#include <string>
#include <vector>

namespace platform {

struct UserNotification {
    std::string identifier;
    std::string title;
    std::string informativeText;
    std::string soundName;
    bool presented = false;  // whether the centre showed it (the delegate may decline)
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

    void deliverNotification(UserNotification notification);
    void removeDeliveredNotification(const std::string& identifier);
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
