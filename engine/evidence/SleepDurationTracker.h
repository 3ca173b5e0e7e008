#pragma once

#include <memory>

#include "app/support/EventTimestamp.h"

namespace kestrune {

// How long the Mac slept: stamps going to sleep and waking, and announces a wake after a long sleep
// ("applicationDidWakeAfterLongSleep").
class SleepDurationTracker {
public:
    static constexpr const char* kApplicationDidWakeAfterLongSleep = "applicationDidWakeAfterLongSleep";

    static SleepDurationTracker& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<SleepDurationTracker> make();
    SleepDurationTracker();
    ~SleepDurationTracker();

    std::shared_ptr<EventTimestamp> sleepTimestamp = std::make_shared<EventTimestamp>();
    std::shared_ptr<EventTimestamp> wakeTimestamp = std::make_shared<EventTimestamp>();
    std::shared_ptr<EventTimestamp> longSleepWakeTimestamp = std::make_shared<EventTimestamp>();

    double secondsSinceLastWakeNotification() const;
    double secondsSinceLastLongWakeNotification() const;
    double durationInSecondsForLongSleepNotification() const { return 300.0; }

    void applicationWillSleep();
    void applicationDidWake();
};

}  // namespace kestrune
