#include "features/updates/EventAutomaticTriggerer.h"

#include "app/store/MainThreadCheck.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/evidence/SleepDurationTracker.h"

namespace kestrune {

std::shared_ptr<EventAutomaticTriggerer> EventAutomaticTriggerer::create(
    std::weak_ptr<EventAutomaticTriggererDelegate> delegate) {
    std::shared_ptr<EventAutomaticTriggerer> triggerer(new EventAutomaticTriggerer());
    triggerer->delegate = std::move(delegate);
    triggerer->internetNotifier_ = std::make_unique<InternetNotifier>();
    triggerer->internetNotifier_->delegate = triggerer;
    triggerer->internetNotifier_->setUpRechability();
    return triggerer;
}

EventAutomaticTriggerer::~EventAutomaticTriggerer() {
    if (updateTimer_) updateTimer_->invalidate();
}

std::optional<double> EventAutomaticTriggerer::updateTimerFireDate() const {
    if (!updateTimer_ || !updateTimer_->isValid()) return std::nullopt;
    return updateTimer_->fireDate();
}

void EventAutomaticTriggerer::checkVersionWhenPossible() {
    shouldCheckVersionWhenPossible_ = true;
    checkVersionIfNeeded();
}

void EventAutomaticTriggerer::checkVersionIfNeeded() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (!shouldCheckVersionForMacCurrentState()) return;
    if (!internetNotifier_->hasInet()) return;
    if (!shouldCheckVersionWhenPossible_) return;
    if (lastUpdateCheckTimeStamp_.isSet() &&
        !lastUpdateCheckTimeStamp_.moreSecondsElapsedSinceLastTrigger(minimalCheckInterval_))
        return;
    executeCheckVersion();
}

bool EventAutomaticTriggerer::shouldCheckVersionForMacCurrentState() {
    return !MacDisplayControl::shared().macIsSleeping() &&
           SleepDurationTracker::shared().secondsSinceLastLongWakeNotification() >= kSecondsAfterLongWake;
}

void EventAutomaticTriggerer::executeCheckVersion() {
    restartUpdateTimer();
    if (auto listener = delegate.lock()) listener->eventAutomaticTriggererShouldCheckUpdate(*this);
}

void EventAutomaticTriggerer::restartUpdateTimer() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (updateTimer_) updateTimer_->invalidate();
    std::weak_ptr<EventAutomaticTriggerer> weak = weak_from_this();
    updateTimer_ = platform::RunLoop::main().performAfterDelay(checkIntervalInSeconds_, [weak] {
        if (auto triggerer = weak.lock()) triggerer->updateTimerTriggered();
    });
}

void EventAutomaticTriggerer::updateTimerTriggered() {
    checkVersionWhenPossible();
    shouldCheckVersionWhenPossible_ = true;
    checkVersionIfNeeded();
}

void EventAutomaticTriggerer::setCheckIntervalInSeconds(int32_t seconds) {
    checkIntervalInSeconds_ = seconds;
    checkVersionIfNeeded();
    restartUpdateTimer();
}

void EventAutomaticTriggerer::didCheckUpdateSuccessfully() {
    shouldCheckVersionWhenPossible_ = false;
    lastUpdateCheckTimeStamp_.eventTriggered();
    restartUpdateTimer();
}

void EventAutomaticTriggerer::internetNotifier_hasAccesToInternet(InternetNotifier&, bool) {
    checkVersionIfNeeded();
}

}  // namespace kestrune
