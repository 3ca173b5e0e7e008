#pragma once

namespace kestrune {

class NotificationViewController;

// What the panel's notice reports: its main button and its info button were pressed. The receiver reads
// the notice's state.
class NotificationViewControllerDelegate {
public:
    virtual ~NotificationViewControllerDelegate() = default;
    virtual void notificationViewControllerDidToggleMainButton(NotificationViewController& controller) = 0;
    virtual void notificationViewControllerDidToggleInfoButton(NotificationViewController& controller) = 0;
};

}  // namespace kestrune
