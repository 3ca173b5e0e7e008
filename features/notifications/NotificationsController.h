#pragma once

namespace kestrune {

// The one notification preference: whether a notification is shown after each unlock by the phone
// (user default "NotificationOnLogin", registered YES).
class NotificationsController {
public:
    static constexpr const char* kNotificationOnLoginKey = "NotificationOnLogin";

    static NotificationsController& shared();

    bool notificationOnLogin();
    // Stored and written at once.
    void setNotificationOnLogin(bool on);
    void setDefaultValues();

private:
    NotificationsController() = default;
};

}  // namespace kestrune
