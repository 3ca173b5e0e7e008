#include "reporting/UsageKit/upload/USKBackoffTimer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"

namespace reporting {

USKBackoffTimer::USKBackoffTimer(double initialValue, double jitterCoefficient)
    : initialValue_(initialValue), jitterCoefficient_(jitterCoefficient) {
    if (!jitterCoefficientIsValid(jitterCoefficient)) {
        platform::logf("Invalid parameter not satisfying: %s",
                       "[USKBackoffTimer jitterCoefficientIsValid:jitterCoefficient]");
        jitterCoefficient_ = kDefaultJitterCoefficient;
    }
}

void USKBackoffTimer::executeBlockAfterNextInterval(std::function<void()> block) {
    const uint64_t count = ++retryCount_;
    const double delay = computeDelayForInitialValue_retryCount(initialValue_, count);
    const int64_t nanoseconds = delayInNanoseconds(delay);
    platform::RunLoop::main().performAfterDelay(static_cast<double>(nanoseconds) / 1e9, std::move(block));
}

double USKBackoffTimer::computeDelayForInitialValue_retryCount(double initialValue, uint64_t retryCount) {
    const double n = retryCount == 0 ? 1.0 : static_cast<double>(retryCount);
    return std::pow(std::max(2.0, initialValue), n) * generateRandomJitter();
}

double USKBackoffTimer::generateRandomJitter() {
    const double c =
        jitterCoefficientIsValid(jitterCoefficient_) ? jitterCoefficient_ : kDefaultJitterCoefficient;
    return randomDoubleWithMin_max(1.0 - c, 1.0 + c);
}

double USKBackoffTimer::randomDoubleWithMin_max(double min, double max) {
    static std::mutex mutex;  // drand48 keeps one hidden state
    std::lock_guard lock(mutex);
    return drand48() * (max - min) + min;
}

int64_t USKBackoffTimer::delayInNanoseconds(double seconds) {
    if (!(seconds > 0)) return 0;  // NaN and negatives
    if (seconds > kMaximumDelaySeconds) seconds = kMaximumDelaySeconds;
    return static_cast<int64_t>(seconds * 1e9);
}

}  // namespace reporting
