#include "link/transport/ScanIntervalController.h"

#include "link/transport/DeviceSpecificConfig.h"

namespace kestrune {

ScanIntervalController::ScanIntervalController() {
    updateScanInterval(kScanIntervalNone);
    updateScanInterval(kScanIntervalNormal);
}

ScanIntervalController::~ScanIntervalController() {
    // The timer calls back into this object; it must not outlive it.
    if (scanTimer_) scanTimer_->invalidate();
}

void ScanIntervalController::updateScanTimerIntervalIfNeeded() {
    if (delegate_ && delegate_->scanIntervalControllerShouldScanVeryIntensively(*this)) {
        updateScanInterval(kScanIntervalVeryIntense);
    } else if (intenseScanIsActive()) {
        updateScanInterval(kScanIntervalIntense);
    } else {
        updateScanInterval(kScanIntervalNormal);
    }
}

void ScanIntervalController::startIntenseScanTimerWithDurationInSeconds(int64_t seconds) {
    intenseDuration_ = seconds;
    intenseDurationTimestamp_.eventTriggered();
    updateScanInterval(kScanIntervalIntense);
}

void ScanIntervalController::updateScanInterval(uint32_t interval) {
    if (interval == currentlyActiveScanInterval_) return;
    currentlyActiveScanInterval_ = interval;
    if (scanTimer_) scanTimer_->invalidate();
    scanTimer_ = platform::Timer::create(durationForScanInterval(interval), true,
                                         [this](platform::Timer&) { scanTimerTriggered(); });
    platform::RunLoop::main().addTimer(scanTimer_);
    if (delegate_) delegate_->scanIntervalControllerExecuteScan(*this);
}

double ScanIntervalController::durationForScanInterval(uint32_t interval) {
    switch (interval) {
        case kScanIntervalIntense:
            return DeviceSpecificConfig::scanIntervalIntense();
        case kScanIntervalVeryIntense:
            return DeviceSpecificConfig::scanIntervalVeryIntense();
        default:
            return DeviceSpecificConfig::scanIntervalNormal();
    }
}

bool ScanIntervalController::intenseScanIsActive() const {
    return static_cast<double>(intenseDuration_) >= intenseDurationTimestamp_.secondsElapsedFromLastEvent();
}

std::string ScanIntervalController::stringForScanInterval(uint32_t interval) {
    switch (interval) {
        case kScanIntervalIntense:
            return "ScanIntervalIntense";
        case kScanIntervalVeryIntense:
            return "ScanIntervalVeryIntense";
        default:
            return "ScanIntervalNormal";
    }
}

void ScanIntervalController::scanTimerTriggered() {
    if (delegate_) delegate_->scanIntervalControllerExecuteScan(*this);
    updateScanTimerIntervalIfNeeded();
}

}  // namespace kestrune
