#include "engine/session/LoginLogoutExecution.h"

#include <algorithm>

#include "app/shell/ThreadHelpers.h"
#include "engine/evidence/LaptopLidEvidenceSource.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/ScreenLockedController.h"
#include "engine/evidence/VersionSwitch.h"
#include "engine/session/KeyboardPressSimulator.h"
#include "engine/session/LockMacController.h"
#include "engine/session/LogoutExecution.h"
#include "engine/session/UserControl.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/system/ThreadPause.h"

namespace kestrune {

std::shared_ptr<LoginLogoutExecution> LoginLogoutExecution::init() {
    auto execution = std::make_shared<LoginLogoutExecution>();
    execution->registerForSleepAndWakeServices();
    return execution;
}

LoginLogoutExecution::~LoginLogoutExecution() {
    dropPassword();
}

void LoginLogoutExecution::registerForSleepAndWakeServices() {
    const char* const names[] = {
        MacDisplayControl::kLockOnScreenShownNotification, MacDisplayControl::kLockOnScreenHiddenNotification,
        MacDisplayControl::kScreenHasUnlockedNotification, MacDisplayControl::kScreenHasLockedNotification,
        "LaptopLidStateHasChanged",
        // The lock screen can be reported before the displays are: typing waits for both.
        MacDisplayControl::kScreenTurnedOnNotification};
    std::weak_ptr<LoginLogoutExecution> weak = weak_from_this();
    for (const char* name : names) {
        observations_.push_back(platform::NotificationCenter::defaultCenter().addObserver(
            name, nullptr, [weak](const platform::Notification&) {
                runOnMainThreadAsync([weak] {
                    if (auto self = weak.lock()) self->screenStateUpdated();
                });
            }));
    }
}

bool LoginLogoutExecution::lockScreenReadyForKeys() {
    // A screensaver or dark displays over the lock screen take keys too: typing there is typing blind.
    auto& display = MacDisplayControl::shared();
    return ScreenLockedController::screenIsLocked() && display.ifLockOnScreenShownAndDeviceLocked() &&
           !display.ifScreenSaverPresent() && !display.ifAllScreensTurnedOff();
}

void LoginLogoutExecution::dropPassword() {
    // Overwritten before release, so the text does not linger in freed memory.
    if (password_) std::fill(password_->begin(), password_->end(), '\0');
    password_.reset();
}

void LoginLogoutExecution::wakeComputerForCurrentUserWithPassword(const std::string& password) {
    runOnMainThreadSync([this, password] {
        dropPassword();
        password_ = password;
        auto& display = MacDisplayControl::shared();
        if (display.ifUserLoggedInAndActive())
            dropPassword();
        else if (lockScreenReadyForKeys())
            loginIfLockOnScreenShownAndDeviceLocked();
        else
            wakeComputerFromSleepToShowLockScreen();
    });
}

void LoginLogoutExecution::wakeComputerFromSleepToShowLockScreen() {
    auto& display = MacDisplayControl::shared();
    if (lockScreenReadyForKeys()) return;
    if (display.ifScreenSaverPresent())
        KeyboardPressSimulator::hideScreensaver();
    else
        KeyboardPressSimulator::wakeComputerFromSleep();
}

void LoginLogoutExecution::executeSleepCommand() {
    LogoutExecution::shared().executeSleep();
}
void LoginLogoutExecution::showScreenSaver() {
    LockMacController::screenSaverTest();
}
void LoginLogoutExecution::turnOfDisplay() {
    KeyboardPressSimulator::turnOffDisplay();
}

void LoginLogoutExecution::screenStateUpdated() {
    if (MacDisplayControl::shared().ifUserLoggedInAndActive()) {
        setCurrentDisplayState(0);
        dropPassword();
    } else {
        loginIfLockOnScreenShownAndDeviceLocked();
        setCurrentDisplayState(1);
    }
}

void LoginLogoutExecution::setCurrentDisplayState(int state) {
    if (state == currentDisplayState_) return;
    previousDisplayState_ = currentDisplayState_;
    currentDisplayState_ = state;
    if (delegate) delegate->loginLogoutCommands_didUpdateState(*this, state);
}

void LoginLogoutExecution::loginIfLockOnScreenShownAndDeviceLocked() {
    if (systemIsBelow("10.13")) {
        std::weak_ptr<LoginLogoutExecution> weak = weak_from_this();
        platform::RunLoop::main().performAfterDelay(0.2, [weak] {
            if (auto self = weak.lock()) self->executeLoginIfDeviceLocked();
        });
    } else {
        executeLoginIfDeviceLocked();
    }
}

void LoginLogoutExecution::executeLoginIfDeviceLocked() {
    platform::logLine("XXX: checking login if needed");
    if (lockScreenReadyForKeys()) loginIfEverythingReady();
}

void LoginLogoutExecution::loginIfEverythingReady() {
    std::optional<std::string> toType;
    bool wrongPassword = false;
    bool attempted = false;
    runInBackgroundSync([&] {
        if (!password_) return platform::logLine("Unknown user credentials");
        if (!lockScreenReadyForKeys()) return platform::logLine("Not ready to insert credentials");
        if (!passwordInsertionExecutionTimestamp_.moreSecondsElapsedSinceLastTrigger(2.0))
            return platform::logLine("Credentials inserted too recently");
        if (!ScreenLockedController::screenIsLocked())
            return platform::logLine("There was a wrong check for locked screen");
        if (!UserControl::checkIfPasswordValidForCurrentUser(*password_)) {
            platform::logLine("Credentials invalid for username");
            wrongPassword = true;
            return;
        }
        passwordInsertionExecutionTimestamp_.eventTriggered();
        attempted = true;
        // Each key of the clearing is sent only while the lock screen still shows over the locked
        // session: a session unlocked meanwhile must not receive a select-all or a delete.
        if (!lockScreenReadyForKeys()) return;
        KeyboardPressSimulator::simulateSelectAll();
        platform::sleepForTimeInterval(0.1);
        if (!lockScreenReadyForKeys()) return;
        KeyboardPressSimulator::simulateDelete();
        platform::sleepForTimeInterval(0.1);
        toType = *password_;
    });
    if (wrongPassword) {
        const std::string rejected = *password_;
        dropPassword();
        if (delegate) delegate->loginLogoutCommands_canNotLoginWithPassword(*this, rejected);
        return;
    }
    if (!attempted) return;
    dropPassword();
    if (!toType) {
        // The lock screen went away while the field was being cleared.
        if (delegate) delegate->loginLogoutCommandsCommandFailed(*this);
        return;
    }
    std::weak_ptr<LoginLogoutExecution> weak = weak_from_this();
    KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
        *toType, [] { return lockScreenReadyForKeys(); },
        [weak](bool finished, size_t) {
            auto self = weak.lock();
            if (!self) return;
            if (!finished) {
                if (self->delegate) self->delegate->loginLogoutCommandsCommandFailed(*self);
                return;
            }
            if (self->delegate) self->delegate->loginLogoutCommandsDidInsertPassword(*self);
            runOnMainThreadAsync([] {
                if (lockScreenReadyForKeys()) KeyboardPressSimulator::simulateEnter();
            });
        });
    std::fill(toType->begin(), toType->end(), '\0');
}

}  // namespace kestrune
