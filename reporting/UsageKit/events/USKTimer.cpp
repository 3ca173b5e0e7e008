#include "reporting/UsageKit/events/USKTimer.h"

#include "platform/base/RunLoop.h"
#include "reporting/core/OperationQueue.h"

namespace reporting {

std::shared_ptr<USKTimer> USKTimer::timerWithTimeInterval_onQueue_timerIdentifier_block(
    double timeInterval, std::shared_ptr<OperationQueue> queue, std::string timerIdentifier,
    std::function<void()> block) {
    auto timer = std::make_shared<USKTimer>(timeInterval, std::move(queue), std::move(timerIdentifier),
                                            std::move(block));
    timer->scheduleTimer();
    return timer;
}

USKTimer::USKTimer(double timeInterval, std::shared_ptr<OperationQueue> queue, std::string timerIdentifier,
                   std::function<void()> block)
    : timeInterval_(timeInterval),
      queue_(std::move(queue)),
      timerIdentifier_(std::move(timerIdentifier)),
      timerBlock_(std::move(block)) {}

USKTimer::~USKTimer() {
    if (timerSource_) timerSource_->invalidate();
}

void USKTimer::scheduleTimer() {
    // This system has no background activity scheduler: the plain repeating timer serves.
    scheduleDispatchTimer();
}

void USKTimer::scheduleDispatchTimer() {
    if (timerSource_) timerSource_->invalidate();
    std::weak_ptr<USKTimer> weak = weak_from_this();
    timerSource_ = platform::Timer::create(timeInterval_, true, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->executeBlock();
    });
    platform::RunLoop::main().addTimer(timerSource_);
}

void USKTimer::executeBlock() {
    if (queue_ && timerBlock_) queue_->addOperationWithBlock(timerBlock_);
}

}  // namespace reporting
