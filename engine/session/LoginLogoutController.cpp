#include "engine/session/LoginLogoutController.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/NumberFields.h"
#include "app/records/PairingInfo.h"
#include "app/store/DataManager.h"
#include "engine/evidence/KestruneEvent.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/LoginLogoutExecution.h"
#include "engine/session/SystemPreferences.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

std::shared_ptr<LoginLogoutController> LoginLogoutController::init() {
    auto controller = std::make_shared<LoginLogoutController>();
    controller->loginLogoutCommands_ = LoginLogoutExecution::init();
    controller->loginLogoutCommands_->delegate = controller.get();
    std::weak_ptr<LoginLogoutController> weak = controller;
    controller->lockShownObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        MacDisplayControl::kDeviceLockedAndLockOnScreenShownNotification, nullptr,
        [weak](const platform::Notification&) {
            if (auto self = weak.lock()) self->displayTurnedOnAndUserNotLoggedIn();
        });
    return controller;
}

LoginLogoutController::~LoginLogoutController() {
    for (auto* timer :
         {&safetyExecutionTimer_, &logoutSafetyTimer_, &loginSafetyTimer_, &timerToCheckIfLoginSucceded_})
        stop(*timer);
    if (loginLogoutCommands_) loginLogoutCommands_->delegate = nullptr;
}

std::shared_ptr<platform::Timer> LoginLogoutController::startTimer(double seconds,
                                                                   void (LoginLogoutController::*handler)()) {
    std::weak_ptr<LoginLogoutController> weak = weak_from_this();
    return platform::Timer::scheduledTimer(seconds, false, [weak, handler](platform::Timer&) {
        if (auto self = weak.lock()) ((*self).*handler)();
    });
}

void LoginLogoutController::stop(std::shared_ptr<platform::Timer>& timer) {
    if (timer) timer->invalidate();
    timer.reset();
}

bool LoginLogoutController::safetyExecutionTimerRunning() const {
    return safetyExecutionTimer_ && safetyExecutionTimer_->isValid();
}

void LoginLogoutController::loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>& device,
                                                                  int reason) {
    if (isExecutingLoginCommand()) return;
    auto command = LoginLogoutCommand::initLoginCommandWithDevice(device);
    command->setCommandReason(reason);
    executeCommandIfNeeded(command);
}

void LoginLogoutController::lockScreenFromMobileDevice_action_commandReason(
    const std::shared_ptr<MobileDevice>& device, int action, int reason) {
    if (isExecutingLogoutCommand()) return;
    auto command = LoginLogoutCommand::initLogoutCommandWithDevice_withLogoutAction(device, action);
    command->setCommandReason(reason);
    executeCommandIfNeeded(command);
}

// ---- Admission ----

void LoginLogoutController::executeCommandIfNeeded(const std::shared_ptr<LoginLogoutCommand>& command) {
    // Recursive: a waiting command released while a command ends comes back through this door.
    std::lock_guard lock(admission_);
    if (!command || !shouldExecuteCommand(*command)) return;
    if (shouldExecuteCommandimmediatelly())
        executeCommand(command);
    else
        setCommandToWaitInQueue(command);
}

bool LoginLogoutController::shouldExecuteCommand(const LoginLogoutCommand& command) {
    const bool active = MacDisplayControl::shared().ifUserLoggedInAndActive();
    if (command.command() == kCommandLogin) return !active && !isExecutingLoginCommand();
    if (command.command() == kCommandLogout) return active && !isExecutingLogoutCommand();
    return true;
}

bool LoginLogoutController::shouldExecuteCommandimmediatelly() const {
    return !commandInExecution_ ||
           commandTimestamp_.moreSecondsElapsedSinceLastTrigger(kImmediateAfterSeconds);
}

void LoginLogoutController::setCommandToWaitInQueue(const std::shared_ptr<LoginLogoutCommand>& command) {
    if (commandInExecution_ && command->command() == commandInExecution_->command()) {
        emptyQueue();
        return;
    }
    commandInQueue_ = command;
    stop(safetyExecutionTimer_);
    safetyExecutionTimer_ =
        startTimer(kSafetyExecutionSeconds, &LoginLogoutController::executeCommandInQueueIfAny);
}

void LoginLogoutController::emptyQueue() {
    commandInQueue_.reset();
    stop(safetyExecutionTimer_);
}

void LoginLogoutController::executeCommandInQueueIfAny() {
    stop(safetyExecutionTimer_);
    auto waiting = commandInQueue_;
    if (waiting) executeCommandIfNeeded(waiting);
}

void LoginLogoutController::executeCommand(const std::shared_ptr<LoginLogoutCommand>& command) {
    emptyQueue();
    commandInExecution_ = command;
    if (command->command() == kCommandLogin)
        executeLoginCommand(command);
    else
        executeLogotCommand(command);
}

bool LoginLogoutController::allConditionsForCommandExecutionMet(const LoginLogoutCommand& command) {
    if (command.command() == kCommandLogin && command.commandReason() == kCommandReasonTrustedWifi)
        return true;
    auto device = command.mobileDeviceResponsible();
    if (!device) return false;
    auto settings = DataManager::shared().settingsForDeviceId(device->unId());
    return settings && settings->pairingInfo() &&
           intValueOf(settings->pairingInfo()->connectionStatus()) == PairingInfo::kConnectionStatusPaired;
}

void LoginLogoutController::executeLoginCommand(const std::shared_ptr<LoginLogoutCommand>& command) {
    if (!allConditionsForCommandExecutionMet(*command)) {
        commandInExecution_.reset();
        executeCommandInQueueIfAny();
        return;
    }
    auto device = command->mobileDeviceResponsible();
    std::string password =
        device ? DataManager::shared().passwordClearTextForMobileDevice(device).value_or("") : "";
    commandTimestamp_.eventTriggered();
    loginLogoutCommands_->wakeComputerForCurrentUserWithPassword(password);
    std::fill(password.begin(), password.end(), '\0');
}

void LoginLogoutController::executeLogotCommand(const std::shared_ptr<LoginLogoutCommand>& command) {
    stop(logoutSafetyTimer_);
    logoutSafetyTimer_ = startTimer(kLogoutSafetySeconds, &LoginLogoutController::logoutSafetyTimerTriggered);
    commandTimestamp_.eventTriggered();
    const int action = command->actionOnLogout();
    if (action == kLogoutActionScreensaver && SystemPreferences::preconditionsToLockMacOnScreensaverAreSet())
        loginLogoutCommands_->showScreenSaver();
    else if (action == kLogoutActionDisplayOff)
        loginLogoutCommands_->turnOfDisplay();
    else
        loginLogoutCommands_->executeSleepCommand();
}

// ---- Outcome of a lock ----

void LoginLogoutController::logoutSafetyTimerTriggered() {
    stop(logoutSafetyTimer_);
    if (isExecutingLogoutCommand() && !MacDisplayControl::shared().ifScreenIsLockedOrScreensaverShown()) {
        commandInExecution_.reset();
        if (delegate) delegate->loginLogoutControllerUnableToLockMac(*this);
    }
}

void LoginLogoutController::userHasLoggedOut() {
    stop(logoutSafetyTimer_);
    if (isExecutingLogoutCommand()) {
        auto command = commandInExecution_;
        logoutSafetyTimerTriggered();
        // Success only for a command that the safety check left standing: one report per command.
        if (commandInExecution_ == command) {
            commandInExecution_.reset();
            if (delegate)
                delegate->loginLogoutController_didLogoutbyMobileDevice_commandReason(
                    *this, command->mobileDeviceResponsible(), command->commandReason());
        }
    } else if (delegate) {
        delegate->loginLogoutControllerDidLogoutManualyByUser(*this);
    }
    executeCommandInQueueIfAny();
    insertedPasswordTimestamp_.reset();
}

// ---- Outcome of an unlock ----

void LoginLogoutController::loginLogoutCommandsDidInsertPassword(LoginLogoutExecution&) {
    insertedPasswordTimestamp_.eventTriggered();
    stop(loginSafetyTimer_);
    loginSafetyTimer_ = startTimer(kLoginSafetySeconds, &LoginLogoutController::loginSafetyTimerTriggered);
    stop(timerToCheckIfLoginSucceded_);
    timerToCheckIfLoginSucceded_ =
        startTimer(kCheckLoginSeconds, &LoginLogoutController::checkIfLoginFailedAttempt);
}

void LoginLogoutController::checkIfLoginFailedAttempt() {
    stop(timerToCheckIfLoginSucceded_);
    if (!MacDisplayControl::shared().ifScreenIsLockedOrScreensaverShown()) return;
    stop(loginSafetyTimer_);
    commandInExecution_.reset();
    // The waiting place is emptied, and its timer with it: nothing is left for it to release.
    emptyQueue();
    if (delegate) delegate->loginLogoutControllerDidFailToLogin(*this);
}

void LoginLogoutController::loginSafetyTimerTriggered() {
    stop(loginSafetyTimer_);
    if (isExecutingLoginCommand() && MacDisplayControl::shared().ifScreenIsLockedOrScreensaverShown()) {
        commandInExecution_.reset();
        if (delegate) delegate->loginLogoutControllerUnableToUnlockMac(*this);
    }
}

void LoginLogoutController::userHasLoggedIn() {
    if (MacDisplayControl::shared().ifUserLoggedInAndActive()) {
        stop(loginSafetyTimer_);
        const bool credited = isExecutingLoginCommand() && insertedPasswordTimestamp_.isSet() &&
                              insertedPasswordTimestamp_.secondsElapsedFromLastEvent() < kCreditLoginSeconds;
        auto command = commandInExecution_;
        // A login still standing once the session is unlocked is over either way: left set, it would
        // turn away every later unlock.
        if (isExecutingLoginCommand()) commandInExecution_.reset();
        if (credited) {
            if (delegate)
                delegate->loginLogoutController_didLoginbyMobileDevice_commandReason(
                    *this, command->mobileDeviceResponsible(), command->commandReason());
        } else if (delegate) {
            delegate->loginLogoutControllerDidLoginManualyByUser(*this);
        }
    }
    executeCommandInQueueIfAny();
    insertedPasswordTimestamp_.reset();
}

void LoginLogoutController::loginLogoutCommands_didUpdateState(LoginLogoutExecution& execution, int state) {
    if (state == 1 && execution.previousDisplayState() == 0) {
        KestruneEvent::shared().kestruneLogoutTrigered();
        userHasLoggedOut();
    } else if (state == 0 && execution.previousDisplayState() != 0) {
        KestruneEvent::shared().kestruneLoginTrigered();
        userHasLoggedIn();
    }
}

void LoginLogoutController::loginLogoutCommands_canNotLoginWithPassword(LoginLogoutExecution&,
                                                                        const std::string&) {
    if (commandInExecution_ && commandInExecution_->command() != kCommandLogin) return;
    auto device = commandInExecution_ ? commandInExecution_->mobileDeviceResponsible() : nullptr;
    if (delegate) delegate->loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(*this, device);
    commandInExecution_.reset();
    executeCommandInQueueIfAny();
}

void LoginLogoutController::loginLogoutCommandsCommandFailed(LoginLogoutExecution&) {
    commandInExecution_.reset();
    executeCommandInQueueIfAny();
}

void LoginLogoutController::displayTurnedOnAndUserNotLoggedIn() {
    if (!MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked()) return;
    if (!isExecutingLoginCommand() && delegate)
        delegate->loginLogoutControllerDisplayOnButUserNotLoggedIn(*this);
}

}  // namespace kestrune
