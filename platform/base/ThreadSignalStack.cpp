#include "platform/base/ThreadSignalStack.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {

// Gives the mapping back when the thread ends; the stack is switched off first, as a signal could
// otherwise be delivered onto unmapped memory.
struct OwnedStack {
    void* mapping = nullptr;
    size_t length = 0;
    ~OwnedStack() {
        if (!mapping) return;
        stack_t off = {};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        munmap(mapping, length);
    }
};

thread_local OwnedStack tStack;

}  // namespace

bool ThreadSignalStack::ensureForCurrentThread() {
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) && current.ss_sp) return true;
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t length = kSize + page;
    void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return false;
    // The lowest page is the guard: a handler that runs past the stack faults instead of writing over
    // whatever lies below.
    mprotect(mapping, page, PROT_NONE);
    stack_t stack = {};
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = kSize;
    if (sigaltstack(&stack, nullptr) != 0) {
        munmap(mapping, length);
        return false;
    }
    tStack.mapping = mapping;
    tStack.length = length;
    return true;
}

}  // namespace platform
