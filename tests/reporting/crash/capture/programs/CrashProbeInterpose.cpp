// The interposing variant of the crash probe: the allocator's four entry points and the mutex lock are
// replaced by versions that first check whether the calling thread runs on its alternate signal stack.
// Nothing the kit does inside a signal handler may allocate or lock, so such a call ends the process
// at once with an exit status of its own, which the tests tell apart from every expected ending.
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstddef>

#include "tests/reporting/crash/capture/programs/CrashProbeKinds.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void __libc_free(void* pointer);
}

namespace {

void refuseOnSignalStack() {
    stack_t current;
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_ONSTACK)) {
        _exit(crashprobe::kAllocationOnSignalStackExit);
    }
}

using MutexLock = int (*)(pthread_mutex_t*);
MutexLock gNextMutexLock = nullptr;

__attribute__((constructor)) void findNextMutexLock() {
    gNextMutexLock = reinterpret_cast<MutexLock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
    refuseOnSignalStack();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    refuseOnSignalStack();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
    refuseOnSignalStack();
    return __libc_realloc(pointer, size);
}

void free(void* pointer) {
    refuseOnSignalStack();
    __libc_free(pointer);
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    refuseOnSignalStack();
    if (!gNextMutexLock) findNextMutexLock();
    return gNextMutexLock ? gNextMutexLock(mutex) : 0;
}

}  // extern "C"
