#include "engine/evidence/MotionTracking.h"

#include "platform/base/SharedInstance.h"

namespace kestrune {

namespace {
platform::SharedInstance<MotionTracking> gMotion;
}  // namespace

MotionTracking& MotionTracking::shared() {
    return gMotion.get([] { return MotionTracking::make(); });
}

void MotionTracking::resetSharedForTesting() {
    gMotion.resetForTesting();
}

void MotionTracking::motionDetected() {
    eventTimestamp->eventTriggered();
}

double MotionTracking::secondsPassesSinceLastMotion() const {
    return eventTimestamp->secondsElapsedFromLastEvent();
}

}  // namespace kestrune
