#pragma once

#include <functional>
#include <memory>

#include "app/support/EventTimestamp.h"

namespace platform {
class Timer;
}

namespace kestrune {

class LogoutOnDIsconnectManager;

class LogoutOnDIsconnectManagerDelegate {
public:
    virtual ~LogoutOnDIsconnectManagerDelegate() = default;
    virtual void logoutOnDisconnectManagerShouldLogout(LogoutOnDIsconnectManager& manager) = 0;
};

// Turns a lost link into a lock request 8.0 s later, unless the link comes back first. Main thread.
class LogoutOnDIsconnectManager : public std::enable_shared_from_this<LogoutOnDIsconnectManager> {
public:
    static constexpr double kDelaySeconds = 8.0;
    ~LogoutOnDIsconnectManager();

    // The coordinator owns the manager and is its delegate.
    LogoutOnDIsconnectManagerDelegate* delegate = nullptr;

    void startLogoutOnDisconnectProcess();
    void cancelLogoutOnDisconnectProces();
    void logoutOnDisconnectTimerTriggered(platform::Timer& timer);
    bool isPending() const;

private:
    std::shared_ptr<platform::Timer> logoutOnDisconnectTimer_;
};

// Lets the knock animation on screen finish before an unlock confirmed on the phone proceeds.
class CustomAnimationHelper {
public:
    void knockDetected() { knockTimestamp_.eventTriggered(); }
    void finishKnockAnimation(std::function<void()> block);

private:
    EventTimestamp knockTimestamp_;
};

}  // namespace kestrune
