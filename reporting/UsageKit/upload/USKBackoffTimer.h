#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace reporting {

// Waits an exponentially growing, jittered delay before a retry: max(2, initial)^n × [1-c, 1+c).
class USKBackoffTimer {
public:
    static constexpr double kDefaultJitterCoefficient = static_cast<double>(0.1f);
    // The longest wait: far beyond any useful retry, and small enough to stay exact as whole
    // nanoseconds (a Retry-After of 30 overflows 64-bit nanoseconds by the seventh retry).
    static constexpr double kMaximumDelaySeconds = 1.0e9;

    USKBackoffTimer() : USKBackoffTimer(0.0) {}
    explicit USKBackoffTimer(double initialValue)
        : USKBackoffTimer(initialValue, kDefaultJitterCoefficient) {}
    // An invalid coefficient is a programming error: it is reported and the default is used instead.
    USKBackoffTimer(double initialValue, double jitterCoefficient);

    static bool jitterCoefficientIsValid(double coefficient) { return coefficient >= 0 && coefficient < 1; }
    // Counts the retry and runs the block once on the main run loop after the delay.
    void executeBlockAfterNextInterval(std::function<void()> block);
    double computeDelayForInitialValue_retryCount(double initialValue, uint64_t retryCount);
    double generateRandomJitter();
    static double randomDoubleWithMin_max(double min, double max);
    // The delay as the whole nanoseconds the run loop waits: clamped first, so it never wraps.
    static int64_t delayInNanoseconds(double seconds);

    uint64_t retryCount() const { return retryCount_.load(); }
    void setRetryCount(uint64_t count) { retryCount_.store(count); }
    double initialValue() const { return initialValue_; }
    void setInitialValue(double value) { initialValue_ = value; }
    double jitterCoefficient() const { return jitterCoefficient_; }

private:
    double initialValue_;
    double jitterCoefficient_;
    std::atomic<uint64_t> retryCount_{0};
};

}  // namespace reporting
