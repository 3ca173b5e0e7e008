#include "engine/evidence/SleepDurationTracker.h"

#include "platform/base/NotificationCenter.h"
#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<SleepDurationTracker> gTracker;
}  // namespace

SleepDurationTracker& SleepDurationTracker::shared() {
    return gTracker.get([] { return SleepDurationTracker::make(); });
}

void SleepDurationTracker::resetSharedForTesting() {
    gTracker.resetForTesting();
}

std::shared_ptr<SleepDurationTracker> SleepDurationTracker::make() {
    return std::make_shared<SleepDurationTracker>();
}

SleepDurationTracker::SleepDurationTracker() {
    sleepTimestamp->eventTriggered();
    wakeTimestamp->eventTriggered();
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, "applicationWillSleepNotification", nullptr,
                       [this](const platform::Notification&) { applicationWillSleep(); });
    center.addObserver(this, "applicationDidWakeUpPreActionNotification", nullptr,
                       [this](const platform::Notification&) { applicationDidWake(); });
}

SleepDurationTracker::~SleepDurationTracker() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

double SleepDurationTracker::secondsSinceLastWakeNotification() const {
    return wakeTimestamp->secondsElapsedFromLastEvent();
}

double SleepDurationTracker::secondsSinceLastLongWakeNotification() const {
    return longSleepWakeTimestamp->secondsElapsedFromLastEvent();
}

void SleepDurationTracker::applicationWillSleep() {
    sleepTimestamp->eventTriggered();
}

void SleepDurationTracker::applicationDidWake() {
    wakeTimestamp->eventTriggered();
    if (sleepTimestamp->secondsElapsedFromLastEvent() > durationInSecondsForLongSleepNotification()) {
        sleepTimestamp->eventTriggered();
        longSleepWakeTimestamp->eventTriggered();
        platform::NotificationCenter::defaultCenter().post(kApplicationDidWakeAfterLongSleep);
    }
}

}  // namespace kestrune
