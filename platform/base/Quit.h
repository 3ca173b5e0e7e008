#pragma once

#include <atomic>

namespace platform {

// The process's quit as a state, not only an event: once a quit has begun (a quit signal taken, or a
// terminate the application agreed to) it stays begun for the rest of the process. Work that begins
// later asks it, whoever made that work and whenever: an uploader made after the quit's notifications
// went out would otherwise start sends that the quit only cuts short, and take the cut for a failure.
class Quit {
public:
    static bool hasBegun() { return begun_.load(); }
    // Any thread, any number of times; for good.
    static void begin() { begun_.store(true); }
    // Tests: a process whose quit has not begun.
    static void resetForTesting() { begun_.store(false); }

private:
    static inline std::atomic<bool> begun_{false};
};

}  // namespace platform
