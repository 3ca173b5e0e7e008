#pragma once

#include <memory>

#include "app/support/EventTimestamp.h"

namespace kestrune {

// When the phone last reported movement. Stamped and read on the main thread.
class MotionTracking {
public:
    static MotionTracking& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<MotionTracking> make() { return std::make_shared<MotionTracking>(); }

    std::shared_ptr<EventTimestamp> eventTimestamp = std::make_shared<EventTimestamp>();

    void motionDetected();
    double secondsPassesSinceLastMotion() const;
};

}  // namespace kestrune
