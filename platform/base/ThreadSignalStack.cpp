#include "platform/base/ThreadSignalStack.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

ThreadSignalStack::ThreadSignalStack() {
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) && current.ss_sp) {
        active_ = true;
        return;
    }
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t length = kSize + page;
    void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return;
    // The lowest page is the guard: a handler that runs past the stack faults instead of writing over
    // whatever lies below.
    mprotect(mapping, page, PROT_NONE);
    stack_t stack = {};
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = kSize;
    if (sigaltstack(&stack, nullptr) != 0) {
        munmap(mapping, length);
        return;
    }
    mapping_ = mapping;
    length_ = length;
    active_ = true;
}

ThreadSignalStack::~ThreadSignalStack() {
    if (!mapping_) return;
    // Switched off before the mapping goes, as a signal could otherwise be delivered onto unmapped
    // memory. The thread's work may have put a stack of its own in place since: that one stays, and
    // ours, no longer in use, goes.
    const char* ours = static_cast<const char*>(mapping_) + (length_ - kSize);
    stack_t current = {};
    if (sigaltstack(nullptr, &current) != 0) return;
    if (current.ss_sp == ours && !(current.ss_flags & SS_DISABLE)) {
        stack_t off = {};
        off.ss_flags = SS_DISABLE;
        // Refused while a handler runs on it (the thread leaving from a handler): kept rather than
        // pulled from under the handler.
        if (sigaltstack(&off, nullptr) != 0) return;
    }
    munmap(mapping_, length_);
}

}  // namespace platform
