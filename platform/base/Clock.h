#pragma once

namespace platform {

// Wall-clock time in seconds since 1970. Tests switch to virtual time, which moves only when the main
// run loop is advanced (RunLoop::advance) or a test sets it.
class Clock {
public:
    static double now();

    static void useVirtualTime(double startSeconds = 1800000000.0);
    static void useRealTime();
    static bool isVirtual();
    // Virtual time only: moves the clock to the given moment (never backwards unless a test asks).
    static void setVirtualNow(double seconds);
};

}  // namespace platform
