#include "engine/session/FailedLoginAttemptListener.h"

#include "app/shell/ThreadHelpers.h"
#include "engine/evidence/FileListener.h"
#include "engine/evidence/KestruneIdleManager.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/LogoutExecution.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/system/SystemFiles.h"

namespace kestrune {

std::shared_ptr<FailedLoginAttemptListener> FailedLoginAttemptListener::init() {
    auto listener = std::make_shared<FailedLoginAttemptListener>();
    listener->startObservingFailedLoginAttempts();
    return listener;
}

FailedLoginAttemptListener::~FailedLoginAttemptListener() {
    if (timerToCheckIfLoginSucceded_) timerToCheckIfLoginSucceded_->invalidate();
}

std::string FailedLoginAttemptListener::fileLocationForLoginAttempt() {
    return "/var/log/accountpolicy.log";
}

void FailedLoginAttemptListener::startObservingFailedLoginAttempts() {
    std::weak_ptr<FailedLoginAttemptListener> weak = weak_from_this();
    FileListener::monitorFile_withCompletion(platform::SystemFiles::pathFor(fileLocationForLoginAttempt()),
                                             [weak] {
                                                 runOnMainThreadSync([weak] {
                                                     if (auto self = weak.lock())
                                                         self->didDetectLoginFileChanges();
                                                 });
                                             });
}

void FailedLoginAttemptListener::didDetectLoginFileChanges() {
    platform::logLine("File change detected");
    // In this order: the cheap facts first, the idle time last.
    if (!MacDisplayControl::shared().ifLockOnScreenShownAndDeviceLocked()) return;
    if (!(LogoutExecution::shared().secondsSinceLastSleepCommandExecution() > kOwnLockSeconds)) return;
    if (!KestruneIdleManager::shared().userWasActiveInTheLastSeconds(kTypingSeconds)) return;
    startLoginCheckTimer();
}

void FailedLoginAttemptListener::startLoginCheckTimer() {
    if (timerToCheckIfLoginSucceded_) timerToCheckIfLoginSucceded_->invalidate();
    std::weak_ptr<FailedLoginAttemptListener> weak = weak_from_this();
    timerToCheckIfLoginSucceded_ = platform::Timer::create(kCheckSeconds, false, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->checkIfLoginFailedAttempt();
    });
    platform::RunLoop::main().addTimer(timerToCheckIfLoginSucceded_);
}

void FailedLoginAttemptListener::checkIfLoginFailedAttempt() {
    if (timerToCheckIfLoginSucceded_) timerToCheckIfLoginSucceded_->invalidate();
    timerToCheckIfLoginSucceded_.reset();
    auto& display = MacDisplayControl::shared();
    if (display.ifScreenIsLockedOrScreensaverShown() && display.ifLockOnScreenShown() && delegate)
        delegate->failedloginAttemptListenerDidDetectFailedLogin(*this);
}

bool FailedLoginAttemptListener::checkTimerRunning() const {
    return timerToCheckIfLoginSucceded_ && timerToCheckIfLoginSucceded_->isValid();
}

}  // namespace kestrune
