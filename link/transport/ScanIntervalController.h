#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/support/EventTimestamp.h"
#include "platform/base/RunLoop.h"

namespace kestrune {

class ScanIntervalController;

// Implemented by the connection controller.
class ScanIntervalControllerDelegate {
public:
    virtual ~ScanIntervalControllerDelegate() = default;
    // Run one scan now.
    virtual void scanIntervalControllerExecuteScan(ScanIntervalController& controller) = 0;
    // True while the tracked phone is fully connected.
    virtual bool scanIntervalControllerShouldScanVeryIntensively(ScanIntervalController& controller) = 0;
};

// Runs the periodic scan at one of three intervals: very intense while the tracked phone is connected,
// intense for a while when asked, normal otherwise. Main thread only; the timer runs on the main loop.
class ScanIntervalController {
public:
    enum ScanInterval : uint32_t {
        kScanIntervalNone = 0,
        kScanIntervalNormal = 1,
        kScanIntervalIntense = 2,
        kScanIntervalVeryIntense = 3
    };

    // Starts at the normal interval, before it has a delegate: the first scan comes from the timer or
    // the next change.
    ScanIntervalController();
    ~ScanIntervalController();

    void updateScanTimerIntervalIfNeeded();
    void startIntenseScanTimerWithDurationInSeconds(int64_t seconds);
    void updateScanInterval(uint32_t interval);
    // Seconds; any value outside 1 to 3 gives the normal duration.
    static double durationForScanInterval(uint32_t interval);
    bool intenseScanIsActive() const;
    static std::string stringForScanInterval(uint32_t interval);
    // The delegate owns this controller.
    ScanIntervalControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanIntervalControllerDelegate* delegate) { delegate_ = delegate; }

    void scanTimerTriggered();
    uint32_t currentlyActiveScanInterval() const { return currentlyActiveScanInterval_; }
    const std::shared_ptr<platform::Timer>& scanTimer() const { return scanTimer_; }

    ScanIntervalController(const ScanIntervalController&) = delete;
    ScanIntervalController& operator=(const ScanIntervalController&) = delete;

private:
    uint32_t currentlyActiveScanInterval_ = kScanIntervalNone;
    std::shared_ptr<platform::Timer> scanTimer_;
    EventTimestamp intenseDurationTimestamp_;
    int64_t intenseDuration_ = 0;
    ScanIntervalControllerDelegate* delegate_ = nullptr;
};

}  // namespace kestrune
