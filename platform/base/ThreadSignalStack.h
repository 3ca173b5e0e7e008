#pragma once

#include <cstddef>
#include <thread>
#include <utility>

namespace platform {

// An alternate signal stack for the calling thread, so that a handler can still run when the thread
// has overflowed its own stack. Alternate stacks belong to one thread each; the platform's own threads
// set theirs up as they start. A thread that already has one keeps it. The stack is 64 KiB with an
// inaccessible guard page below it, and is given back when the thread ends.
class ThreadSignalStack {
public:
    static constexpr size_t kSize = 64 * 1024;
    // True when the thread has an alternate stack afterwards (its own, or the one set up here).
    static bool ensureForCurrentThread();
};

// Starts a thread of the program's own: `body` runs with an alternate signal stack of the thread's, given
// back when the thread ends, so that a crash on it is still recorded when it has overflowed its stack or
// its stack pointer has gone wild. Every thread the program starts is started here. One that a library
// starts has no such stack unless the library gives it one.
template <typename Body>
std::thread startThread(Body&& body) {
    return std::thread([body = std::forward<Body>(body)]() mutable {
        ThreadSignalStack::ensureForCurrentThread();
        body();
    });
}

}  // namespace platform
