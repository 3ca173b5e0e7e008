#include "platform/base/Clock.h"

#include <atomic>
#include <chrono>

#include "platform/base/Date.h"

namespace platform {

namespace {
std::atomic<bool> gVirtual{false};
std::atomic<double> gVirtualNow{0};
}  // namespace

double Clock::now() {
    if (gVirtual.load(std::memory_order_acquire)) return gVirtualNow.load(std::memory_order_acquire);
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

void Clock::useVirtualTime(double startSeconds) {
    gVirtualNow.store(startSeconds, std::memory_order_release);
    gVirtual.store(true, std::memory_order_release);
}

void Clock::useRealTime() {
    gVirtual.store(false, std::memory_order_release);
}

bool Clock::isVirtual() {
    return gVirtual.load(std::memory_order_acquire);
}

void Clock::setVirtualNow(double seconds) {
    gVirtualNow.store(seconds, std::memory_order_release);
}

Date Date::now() {
    return Date(Clock::now());
}

double Date::timeIntervalSinceNow() const {
    return seconds_ - Clock::now();
}

}  // namespace platform
