// A library the crash probe is started with preloaded (LD_PRELOAD): asked to, it starts a thread of its
// own on which a standard exception is thrown that nobody catches. The report must name that thread as
// the crashed one, and walk its stack through the library's own functions.
#include <pthread.h>

#include <stdexcept>

#if defined(__clang__)
#define KEEP __attribute__((noinline, used, visibility("default")))
#else
#define KEEP __attribute__((noinline, noclone, used, visibility("default")))
#endif

extern "C" {

KEEP void kestrune_preload_throw() {
    throw std::runtime_error("thrown on the preloaded library's thread");
}

KEEP void* kestrune_preload_thread_main(void*) {
    kestrune_preload_throw();
    __asm__ volatile("" ::: "memory");
    return nullptr;
}

// Starts the thread and waits for it; it never comes back, the uncaught exception ends the process.
KEEP int kestrune_preload_throw_on_thread() {
    pthread_t thread;
    if (pthread_create(&thread, nullptr, kestrune_preload_thread_main, nullptr) != 0) return -1;
    return pthread_join(thread, nullptr);
}

}  // extern "C"
