#include "engine/evidence/IdleTimer.h"

#include "platform/system/KeyboardEvents.h"

namespace kestrune {

int64_t IdleTimer::userNotActiveForSeconds() {
    auto nanoseconds = platform::KeyboardEvents::current()->hidIdleTimeNanoseconds();
    if (!nanoseconds) return -1;
    return *nanoseconds >> 30;
}

}  // namespace kestrune
