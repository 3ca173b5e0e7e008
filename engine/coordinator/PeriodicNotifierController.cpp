#include "engine/coordinator/PeriodicNotifierController.h"

#include "platform/base/RunLoop.h"

namespace kestrune {

PeriodicNotifierController::~PeriodicNotifierController() {
    stopPeriodicTimer();
}

void PeriodicNotifierController::startPeriodicTimerWithIntervalInSeconds(long seconds) {
    stopPeriodicTimer();
    periodicTimer_ = platform::Timer::scheduledTimer(static_cast<double>(seconds), true,
                                                     [this](platform::Timer&) { triggerPeriodicNotifier(); });
}

void PeriodicNotifierController::stopPeriodicTimer() {
    if (periodicTimer_) periodicTimer_->invalidate();
    periodicTimer_.reset();
}

void PeriodicNotifierController::triggerPeriodicNotifier() {
    if (delegate) delegate->periodicNotifierControllerDidTrigger(*this);
}

}  // namespace kestrune
