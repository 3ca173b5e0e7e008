#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/support/EventTimestamp.h"
#include "engine/session/LoginLogoutCommandsDelegate.h"
#include "platform/base/NotificationCenter.h"

namespace kestrune {

// Carries out the controller's commands: the lock actions, and for an unlock keeping the password, waking
// the display until the lock screen shows, checking the password and typing it. It follows every change
// of the screen and reports whether the user is logged in and active. Main thread, except the checks and
// the select-all and delete keys, which run on a worker while the main thread waits.
class LoginLogoutExecution : public std::enable_shared_from_this<LoginLogoutExecution> {
public:
    static std::shared_ptr<LoginLogoutExecution> init();
    ~LoginLogoutExecution();

    // The controller owns this object and is its delegate.
    LoginLogoutCommandsDelegate* delegate = nullptr;

    void wakeComputerForCurrentUserWithPassword(const std::string& password);
    void executeSleepCommand();
    void showScreenSaver();
    void turnOfDisplay();
    int previousDisplayState() const { return previousDisplayState_; }
    int currentDisplayState() const { return currentDisplayState_; }

    void registerForSleepAndWakeServices();
    void screenStateUpdated();
    void setCurrentDisplayState(int state);
    void wakeComputerFromSleepToShowLockScreen();
    void loginIfLockOnScreenShownAndDeviceLocked();
    void executeLoginIfDeviceLocked();
    void loginIfEverythingReady();

    bool hasPassword() const { return password_.has_value(); }
    // Asked before every key of an unlock: the session is locked (asked of the session itself) and the
    // lock screen shows over it.
    static bool lockScreenReadyForKeys();

private:
    void dropPassword();

    std::optional<std::string> password_;
    int currentDisplayState_ = 0;
    int previousDisplayState_ = 0;
    EventTimestamp passwordInsertionExecutionTimestamp_;
    std::vector<platform::NotificationCenter::Observation> observations_;
};

}  // namespace kestrune
