#include "main/StopSignals.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace kestrune {

namespace {

std::atomic<int> gReceived{0};

sigset_t stopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void StopSignals::block() {
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void StopSignals::keepAsRequest() {
    static std::once_flag once;
    std::call_once(once, [] {
        block();
        // Detached and never joined: it waits until the process ends. A later signal changes nothing,
        // the first one is already being acted on.
        std::thread([set = stopSet()] {
            for (;;) {
                int signal = 0;
                if (sigwait(&set, &signal) != 0) continue;
                int none = 0;
                gReceived.compare_exchange_strong(none, signal);
            }
        }).detach();
    });
}

int StopSignals::received() {
    return gReceived.load();
}

const char* StopSignals::name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        default:
            return "a signal";
    }
}

}  // namespace kestrune
