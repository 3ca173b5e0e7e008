#pragma once

#include <memory>

namespace kestrune {

// Where the link stamps that the phone moved (it reported motion, connected, or changed its tracking).
// The engine's motion tracker installs itself here; until then the stamp is dropped.
class MotionDetection {
public:
    virtual ~MotionDetection() = default;

    virtual void motionDetected() = 0;

    static std::shared_ptr<MotionDetection> current();
    // Null restores the default.
    static void install(std::shared_ptr<MotionDetection> tracker);
};

}  // namespace kestrune
