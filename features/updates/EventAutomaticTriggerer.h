#pragma once

#include <cstdint>
#include <memory>

#include "app/remote/InternetNotifier.h"
#include "app/support/EventTimestamp.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

class EventAutomaticTriggerer;

class EventAutomaticTriggererDelegate {
public:
    virtual ~EventAutomaticTriggererDelegate() = default;
    // A check should run now.
    virtual void eventAutomaticTriggererShouldCheckUpdate(EventAutomaticTriggerer& triggerer) = 0;
};

// Decides when a check may run: asked for, the Mac awake and 10 s past a wake from a long sleep, the
// internet reachable, and more than the minimal interval since the last successful check. Each check
// it lets run re-arms a one-shot timer that asks again after the check interval; a refused check
// re-arms nothing, the next reachability change or request starts again. Main thread only.
class EventAutomaticTriggerer : public InternetNotifierDelegate,
                                public std::enable_shared_from_this<EventAutomaticTriggerer> {
public:
    static constexpr int32_t kCheckIntervalInSeconds = 3600;
    static constexpr int32_t kMinimalCheckInterval = 1800;
    static constexpr double kSecondsAfterLongWake = 10.0;

    // Watching reachability from the start.
    static std::shared_ptr<EventAutomaticTriggerer> create(
        std::weak_ptr<EventAutomaticTriggererDelegate> delegate);
    ~EventAutomaticTriggerer() override;
    EventAutomaticTriggerer(const EventAutomaticTriggerer&) = delete;
    EventAutomaticTriggerer& operator=(const EventAutomaticTriggerer&) = delete;

    std::weak_ptr<EventAutomaticTriggererDelegate> delegate;

    int32_t checkIntervalInSeconds() const { return checkIntervalInSeconds_; }
    int32_t minimalCheckInterval() const { return minimalCheckInterval_; }
    const EventTimestamp& lastUpdateCheckTimeStamp() const { return lastUpdateCheckTimeStamp_; }
    bool shouldCheckVersionWhenPossible() const { return shouldCheckVersionWhenPossible_; }
    const InternetNotifier& internetNotifier() const { return *internetNotifier_; }
    // When the timer fires next; none while none is armed.
    std::optional<double> updateTimerFireDate() const;

    void checkVersionWhenPossible();
    void checkVersionIfNeeded();
    bool shouldCheckVersionForMacCurrentState();
    void executeCheckVersion();
    void restartUpdateTimer();
    void updateTimerTriggered();
    void setCheckIntervalInSeconds(int32_t seconds);
    void didCheckUpdateSuccessfully();

    // InternetNotifierDelegate
    void internetNotifier_hasAccesToInternet(InternetNotifier& notifier, bool hasInet) override;

private:
    EventAutomaticTriggerer() = default;

    int32_t checkIntervalInSeconds_ = kCheckIntervalInSeconds;
    int32_t minimalCheckInterval_ = kMinimalCheckInterval;
    EventTimestamp lastUpdateCheckTimeStamp_;
    bool shouldCheckVersionWhenPossible_ = false;
    std::shared_ptr<platform::Timer> updateTimer_;
    std::unique_ptr<InternetNotifier> internetNotifier_;
};

}  // namespace kestrune
