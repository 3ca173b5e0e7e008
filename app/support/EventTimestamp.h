#pragma once

namespace kestrune {

// A time stamp in wall-clock seconds since 1970; 0 means not set. Every spacing rule ("at least so
// many seconds since the last event of a kind") rests on one of these. A stamp that is not set is
// infinitely old: every "long enough" test passes. No lock: each owner uses a stamp from one thread.
class EventTimestamp {
public:
    EventTimestamp() { reset(); }

    void eventTriggered();
    void reset();
    bool isSet() const;
    double secondsElapsedFromLastEvent() const;
    // True when now is strictly later than the stamp plus the seconds.
    bool moreSecondsElapsedSinceLastTrigger(double seconds) const;
    double eventTimeSince1970() const { return eventTimeSince1970_; }
    void setEventTimeSince1970(double seconds) { eventTimeSince1970_ = seconds; }

private:
    double eventTimeSince1970_ = 0;
};

}  // namespace kestrune
