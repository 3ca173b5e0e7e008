#include "app/support/EventTimestamp.h"

#include "platform/base/Clock.h"

namespace kestrune {

void EventTimestamp::eventTriggered() {
    eventTimeSince1970_ = platform::Clock::now();
}

void EventTimestamp::reset() {
    eventTimeSince1970_ = 0;
}

bool EventTimestamp::isSet() const {
    return eventTimeSince1970_ != 0;
}

double EventTimestamp::secondsElapsedFromLastEvent() const {
    return platform::Clock::now() - eventTimeSince1970_;
}

bool EventTimestamp::moreSecondsElapsedSinceLastTrigger(double seconds) const {
    return platform::Clock::now() > eventTimeSince1970_ + seconds;
}

}  // namespace kestrune
