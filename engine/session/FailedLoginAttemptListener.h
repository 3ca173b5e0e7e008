#pragma once

#include <memory>
#include <string>

namespace platform {
class Timer;
}

namespace kestrune {

class FailedLoginAttemptListener;

// What the failed-login watch tells the coordinator.
class FailedLoginAttemptListenerDelegate {
public:
    virtual ~FailedLoginAttemptListenerDelegate() = default;
    virtual void failedloginAttemptListenerDidDetectFailedLogin(FailedLoginAttemptListener& listener) = 0;
};

// Tells that someone typed a wrong password at the lock screen. The system's account-policy log
// changes on each attempt; the content is not read. A change counts when the lock screen is up over the
// locked session, the application did not lock the Mac itself in the last 3.5 s and someone is typing
// right now; if the session is still locked with the lock screen up 1.0 s later, the attempt failed (a
// right password unlocks within that second). Main thread, except the file events, which come to the
// main thread at once.
class FailedLoginAttemptListener : public std::enable_shared_from_this<FailedLoginAttemptListener> {
public:
    static constexpr double kOwnLockSeconds = 3.5;
    static constexpr double kTypingSeconds = 0.1;
    static constexpr double kCheckSeconds = 1.0;

    // Starts watching at once.
    static std::shared_ptr<FailedLoginAttemptListener> init();
    ~FailedLoginAttemptListener();

    // The coordinator owns the listener and is its delegate.
    FailedLoginAttemptListenerDelegate* delegate = nullptr;

    void startObservingFailedLoginAttempts();
    // The log's place on the system this application was made for, on every version.
    static std::string fileLocationForLoginAttempt();
    void didDetectLoginFileChanges();
    void startLoginCheckTimer();
    void checkIfLoginFailedAttempt();

    bool checkTimerRunning() const;

private:
    std::shared_ptr<platform::Timer> timerToCheckIfLoginSucceded_;
};

}  // namespace kestrune
