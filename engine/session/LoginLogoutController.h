#pragma once

#include <memory>
#include <mutex>

#include "app/support/EventTimestamp.h"
#include "engine/session/LoginLogoutCommand.h"
#include "engine/session/LoginLogoutCommandsDelegate.h"
#include "platform/base/NotificationCenter.h"

namespace platform {
class Timer;
}

namespace kestrune {

class LoginLogoutController;
class LoginLogoutExecution;

// What the command controller tells the coordinator.
class LoginLogoutControllerDelegate {
public:
    virtual ~LoginLogoutControllerDelegate() = default;
    virtual void loginLogoutController_didLoginbyMobileDevice_commandReason(
        LoginLogoutController& controller, const std::shared_ptr<MobileDevice>& device, int reason) = 0;
    virtual void loginLogoutControllerDidLoginManualyByUser(LoginLogoutController& controller) = 0;
    virtual void loginLogoutControllerDidFailToLogin(LoginLogoutController& controller) = 0;
    virtual void loginLogoutController_didLogoutbyMobileDevice_commandReason(
        LoginLogoutController& controller, const std::shared_ptr<MobileDevice>& device, int reason) = 0;
    virtual void loginLogoutControllerDidLogoutManualyByUser(LoginLogoutController& controller) = 0;
    virtual void loginLogoutControllerUnableToUnlockMac(LoginLogoutController& controller) = 0;
    virtual void loginLogoutControllerUnableToLockMac(LoginLogoutController& controller) = 0;
    virtual void loginLogoutControllerDisplayOnButUserNotLoggedIn(LoginLogoutController& controller) = 0;
    virtual void loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(
        LoginLogoutController& controller, const std::shared_ptr<MobileDevice>& device) = 0;
};

// The single door through which the Mac is locked and unlocked: one command runs, at most one more waits,
// timers watch whether the lock or unlock really happened, and each outcome is reported once.
class LoginLogoutController : public LoginLogoutCommandsDelegate,
                              public std::enable_shared_from_this<LoginLogoutController> {
public:
    static constexpr double kSafetyExecutionSeconds = 3.1;
    static constexpr double kLogoutSafetySeconds = 4.0;
    static constexpr double kLoginSafetySeconds = 6.0;
    static constexpr double kCheckLoginSeconds = 1.0;
    static constexpr double kImmediateAfterSeconds = 3.0;
    static constexpr double kCreditLoginSeconds = 5.0;

    static std::shared_ptr<LoginLogoutController> init();
    ~LoginLogoutController() override;

    // The coordinator owns the controller and is its delegate.
    LoginLogoutControllerDelegate* delegate = nullptr;

    void loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>& device, int reason);
    void lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>& device,
                                                         int action, int reason);
    bool isAnyCommandInExecution() const { return commandInExecution_ != nullptr; }
    bool isExecutingLoginCommand() const {
        return commandInExecution_ && commandInExecution_->command() == kCommandLogin;
    }
    bool isExecutingLogoutCommand() const {
        return commandInExecution_ && commandInExecution_->command() == kCommandLogout;
    }

    void executeCommandIfNeeded(const std::shared_ptr<LoginLogoutCommand>& command);
    void executeCommandInQueueIfAny();

    const std::shared_ptr<LoginLogoutExecution>& loginLogoutCommands() const { return loginLogoutCommands_; }
    const std::shared_ptr<LoginLogoutCommand>& commandInExecution() const { return commandInExecution_; }
    const std::shared_ptr<LoginLogoutCommand>& commandInQueue() const { return commandInQueue_; }
    bool safetyExecutionTimerRunning() const;

    // LoginLogoutCommandsDelegate
    void loginLogoutCommands_didUpdateState(LoginLogoutExecution& execution, int state) override;
    void loginLogoutCommands_canNotLoginWithPassword(LoginLogoutExecution& execution,
                                                     const std::string& password) override;
    void loginLogoutCommandsCommandFailed(LoginLogoutExecution& execution) override;
    void loginLogoutCommandsDidInsertPassword(LoginLogoutExecution& execution) override;

private:
    bool shouldExecuteCommand(const LoginLogoutCommand& command);
    bool shouldExecuteCommandimmediatelly() const;
    void setCommandToWaitInQueue(const std::shared_ptr<LoginLogoutCommand>& command);
    void emptyQueue();
    void executeCommand(const std::shared_ptr<LoginLogoutCommand>& command);
    void executeLoginCommand(const std::shared_ptr<LoginLogoutCommand>& command);
    void executeLogotCommand(const std::shared_ptr<LoginLogoutCommand>& command);
    bool allConditionsForCommandExecutionMet(const LoginLogoutCommand& command);
    void logoutSafetyTimerTriggered();
    void loginSafetyTimerTriggered();
    void checkIfLoginFailedAttempt();
    void userHasLoggedOut();
    void userHasLoggedIn();
    void displayTurnedOnAndUserNotLoggedIn();
    std::shared_ptr<platform::Timer> startTimer(double seconds, void (LoginLogoutController::*handler)());
    static void stop(std::shared_ptr<platform::Timer>& timer);

    std::recursive_mutex admission_;
    std::shared_ptr<LoginLogoutExecution> loginLogoutCommands_;
    std::shared_ptr<LoginLogoutCommand> commandInExecution_;
    std::shared_ptr<LoginLogoutCommand> commandInQueue_;
    EventTimestamp commandTimestamp_;
    EventTimestamp insertedPasswordTimestamp_;
    std::shared_ptr<platform::Timer> safetyExecutionTimer_, logoutSafetyTimer_, loginSafetyTimer_,
        timerToCheckIfLoginSucceded_;
    platform::NotificationCenter::Observation lockShownObservation_;
};

}  // namespace kestrune
