#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {
class Timer;
}

namespace reporting {

class OperationQueue;

// Fires a block repeatedly, always as an operation on the given queue. The repeating timer lives on
// the main run loop (so it follows virtual time in tests) and holds the timer object weakly.
class USKTimer : public std::enable_shared_from_this<USKTimer> {
public:
    // initWithTimeInterval:onQueue:timerIdentifier:block: (schedules at once).
    static std::shared_ptr<USKTimer> timerWithTimeInterval_onQueue_timerIdentifier_block(
        double timeInterval, std::shared_ptr<OperationQueue> queue, std::string timerIdentifier,
        std::function<void()> block);
    ~USKTimer();
    USKTimer(const USKTimer&) = delete;
    USKTimer& operator=(const USKTimer&) = delete;

    void scheduleTimer();
    void scheduleDispatchTimer();
    void executeBlock();
    double tolerance() const { return timeInterval_ / 10.0; }
    double timeInterval() const { return timeInterval_; }
    const std::string& timerIdentifier() const { return timerIdentifier_; }
    const std::shared_ptr<OperationQueue>& queue() const { return queue_; }

    USKTimer(double timeInterval, std::shared_ptr<OperationQueue> queue, std::string timerIdentifier,
             std::function<void()> block);

private:
    const double timeInterval_;
    const std::shared_ptr<OperationQueue> queue_;
    const std::string timerIdentifier_;
    const std::function<void()> timerBlock_;
    std::shared_ptr<platform::Timer> timerSource_;
};

}  // namespace reporting
