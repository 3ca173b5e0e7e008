#include "link/transport/ScanningIndicator.h"

#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

ScanningIndicator& ScanningIndicator::shared() {
    static platform::SharedInstance<ScanningIndicator> instance;
    return instance.get([] { return new ScanningIndicator; });
}

void ScanningIndicator::resetSharedForTesting() {
    auto& indicator = shared();
    indicator.dropTimer();
    indicator.timerDuration_ = kTimerDuration;
    indicator.timerIsActive_ = true;
    indicator.timerIsEnabled_ = false;
}

void ScanningIndicator::post() {
    platform::NotificationCenter::defaultCenter().post(kDidUpdateScanningNotification, this);
}

void ScanningIndicator::dropTimer() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void ScanningIndicator::startTimer() {
    if (!timerIsEnabled_ || timerIsActive_) return;
    timerIsActive_ = true;
    dropTimer();
    timer_ = platform::RunLoop::main().performAfterDelay(timerDuration_, [this] { stopTimer(); });
    post();
}

void ScanningIndicator::stopTimer() {
    timerIsActive_ = false;
    timerIsEnabled_ = false;
    if (!timer_) return;
    post();
    dropTimer();
}

void ScanningIndicator::restartTimer() {
    dropTimer();
    timerIsEnabled_ = true;
    timerIsActive_ = false;
    startTimer();
}

}  // namespace kestrune
