#include "link/requests/MotionDetection.h"
#include "platform/base/BackendSlot.h"

namespace kestrune {

namespace {

// Nobody reads motion before the engine exists, so nothing is lost by dropping it.
class NoMotionTracking : public MotionDetection {
public:
    void motionDetected() override {}
};

}  // namespace

std::shared_ptr<MotionDetection> MotionDetection::current() {
    return platform::backendSlot<MotionDetection>().getOr<NoMotionTracking>();
}

void MotionDetection::install(std::shared_ptr<MotionDetection> tracker) {
    platform::backendSlot<MotionDetection>().set(std::move(tracker));
}

}  // namespace kestrune
