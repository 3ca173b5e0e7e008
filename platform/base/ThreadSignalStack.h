#pragma once

#include <cstddef>

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

}  // namespace platform
