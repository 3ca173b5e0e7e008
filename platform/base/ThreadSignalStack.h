#pragma once

#include <cstddef>
#include <thread>
#include <utility>

namespace platform {

// An alternate signal stack for the calling thread while this object lives, so that a handler can still
// run when the thread has overflowed its own stack. Alternate stacks belong to one thread each: make it
// on the thread's own start function, before its work, and let it end when the work has returned. A
// thread that already has one keeps it, and this object leaves it alone. The stack is 64 KiB with an
// inaccessible guard page below it.
//
// It is given back by this object's end on the thread, not at the thread's exit: a thread-local with a
// destructor has the C++ runtime allocate for the registration, and that allocation is enough for the C
// library to give many more threads a malloc arena of their own (64 MiB of address space each). A thread
// ended by pthread_exit (or cancelled) unwinds through this object and gives the stack back as well. An
// exception leaving the thread's work ends the process with the stack still set up, so that the abort is
// recorded as any other crash.
class ThreadSignalStack {
public:
    static constexpr size_t kSize = 64 * 1024;

    ThreadSignalStack();
    ~ThreadSignalStack();
    ThreadSignalStack(const ThreadSignalStack&) = delete;
    ThreadSignalStack& operator=(const ThreadSignalStack&) = delete;

    // True when the thread has an alternate stack (its own, or the one set up here).
    bool active() const { return active_; }

private:
    void* mapping_ = nullptr;  // set only when the stack was set up here
    size_t length_ = 0;
    bool active_ = false;
};

// Starts a thread of the program's own: `body` runs with an alternate signal stack of the thread's, given
// back when `body` has returned, so that a crash on it is still recorded when it has overflowed its stack
// or its stack pointer has gone wild. Every thread the program starts is started here. One that a library
// starts has no such stack unless the library gives it one.
template <typename Body>
std::thread startThread(Body&& body) {
    return std::thread([body = std::forward<Body>(body)]() mutable {
        const ThreadSignalStack stack;
        // Moved out, so that what the body holds is released while the stack is still there.
        auto run = std::move(body);
        run();
    });
}

}  // namespace platform
