#include "link/requests/MotionDetection.h"

#include <mutex>

namespace kestrune {

namespace {

// Nobody reads motion before the engine exists, so nothing is lost by dropping it.
class NoMotionTracking : public MotionDetection {
public:
    void motionDetected() override {}
};

std::mutex gMutex;
std::shared_ptr<MotionDetection> gInstalled;

}  // namespace

std::shared_ptr<MotionDetection> MotionDetection::current() {
    std::lock_guard lock(gMutex);
    if (!gInstalled) gInstalled = std::make_shared<NoMotionTracking>();
    return gInstalled;
}

void MotionDetection::install(std::shared_ptr<MotionDetection> tracker) {
    std::lock_guard lock(gMutex);
    gInstalled = std::move(tracker);
}

}  // namespace kestrune
