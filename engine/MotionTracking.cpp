#include "engine/MotionTracking.h"

#include "engine/SharedInstance.h"

namespace kestrune {

namespace {
SharedInstance<MotionTracking> gMotion;
}  // namespace

MotionTracking& MotionTracking::shared() {
    return gMotion.get();
}

void MotionTracking::resetSharedForTesting() {
    gMotion.reset();
}

void MotionTracking::motionDetected() {
    eventTimestamp->eventTriggered();
}

double MotionTracking::secondsPassesSinceLastMotion() const {
    return eventTimestamp->secondsElapsedFromLastEvent();
}

}  // namespace kestrune
