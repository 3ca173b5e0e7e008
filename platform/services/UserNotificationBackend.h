#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct UserNotification;

// What shows the user notifications the centre delivers: a desktop notification service, or a plain
// recorder (UserNotificationRecorder) where there is none. The program's entry (or a test) installs it;
// until then deliveries are logged and dropped. A backend reports a click through the centre's
// didActivateNotification; it is called on the thread that delivers.
class UserNotificationBackend {
public:
    virtual ~UserNotificationBackend() = default;

    // The backend the centre uses: the one installed, else one that shows nothing.
    static std::shared_ptr<UserNotificationBackend> current();
    // Installs the backend (null: none).
    static void install(std::shared_ptr<UserNotificationBackend> backend);

    // Shows the notification; `presented` says whether the centre's delegate asked for it to be shown.
    virtual void deliver(const UserNotification& notification) = 0;
    virtual void remove(const std::string& identifier) = 0;
    // Removes the one delivered notification with that delivery number, if it is still shown.
    virtual void removeDelivered(uint64_t deliveryNumber) = 0;
    virtual void removeAll() = 0;
    // The notifications still shown, oldest first.
    virtual std::vector<UserNotification> delivered() const = 0;
};

}  // namespace platform
