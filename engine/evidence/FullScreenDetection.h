#pragma once

#include <memory>

#include "platform/base/NotificationCenter.h"

namespace kestrune {

// A diagnostic aid: on each change of space it lists the windows on screen and logs whether the space is
// full screen (no menu bar window). Nothing in the system starts it.
class FullScreenDetection {
public:
    static FullScreenDetection& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<FullScreenDetection> make() { return std::make_shared<FullScreenDetection>(); }

    void startMonitoring();
    void test();
    // Logs the windows on screen and answers whether the space is full screen (no menu bar window).
    static bool logOnScreenWindowsAndAnswerFullScreen();

private:
    platform::NotificationCenter::Observation spaceObservation_;
};

}  // namespace kestrune
