#pragma once

#include <memory>

#include "platform/base/RunLoop.h"

namespace kestrune {

// Tells the interface, for at most 20 seconds, that the Mac is looking for its phone. It is created
// active but disabled, so only a restartTimer (the coordinator's, while the tracked phone is away) makes
// it show; a completed connection or the end of the time ends it. Main thread only.
class ScanningIndicator {
public:
    static constexpr const char* kDidUpdateScanningNotification = "NOTIFICATION_DID_UPDATE_SCANNING";
    static constexpr double kTimerDuration = 20.0;

    static ScanningIndicator& shared();

    void startTimer();
    void restartTimer();
    void stopTimer();
    bool timerIsActive() const { return timerIsActive_; }
    bool timerIsEnabled() const { return timerIsEnabled_; }
    double timerDuration() const { return timerDuration_; }

    // Tests: as created.
    static void resetSharedForTesting();

private:
    ScanningIndicator() = default;
    void post();
    void dropTimer();

    std::shared_ptr<platform::Timer> timer_;
    double timerDuration_ = kTimerDuration;
    bool timerIsActive_ = true;
    bool timerIsEnabled_ = false;
};

}  // namespace kestrune
