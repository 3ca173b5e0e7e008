#pragma once

#include <memory>

namespace platform {
class Timer;
}

namespace kestrune {

class PeriodicNotifierController;

class PeriodicNotifierControllerDelegate {
public:
    virtual ~PeriodicNotifierControllerDelegate() = default;
    virtual void periodicNotifierControllerDidTrigger(PeriodicNotifierController& controller) = 0;
};

// A regular tick on the main run loop, reported to its delegate.
class PeriodicNotifierController {
public:
    PeriodicNotifierController() = default;
    ~PeriodicNotifierController();
    PeriodicNotifierController(const PeriodicNotifierController&) = delete;
    PeriodicNotifierController& operator=(const PeriodicNotifierController&) = delete;

    // The owner is the delegate and outlives the controller.
    PeriodicNotifierControllerDelegate* delegate = nullptr;

    void startPeriodicTimerWithIntervalInSeconds(long seconds);
    void stopPeriodicTimer();
    void triggerPeriodicNotifier();
    bool isRunning() const { return periodicTimer_ != nullptr; }

private:
    std::shared_ptr<platform::Timer> periodicTimer_;
};

}  // namespace kestrune
