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

// The desktop's user notifications. Nothing is drawn here: a delivered notification is logged and kept
// in the delivered list until removed, and a click is simulated with activate().
class UserNotificationCenter {
public:
    static UserNotificationCenter& defaultCenter();

    void setDelegate(UserNotificationCenterDelegate* delegate) { delegate_ = delegate; }
    UserNotificationCenterDelegate* delegate() const { return delegate_; }

    void deliverNotification(UserNotification notification);
    void removeDeliveredNotification(const std::string& identifier);
    void removeAllDeliveredNotifications();
    std::vector<UserNotification> deliveredNotifications() const;
    // A click on the delivered notification with that identifier (or on a new one when none is
    // delivered): the delegate hears of it.
    void activate(const std::string& identifier);

    void resetForTesting();

private:
    UserNotificationCenter() = default;
    UserNotificationCenterDelegate* delegate_ = nullptr;
    std::vector<UserNotification> delivered_;
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
