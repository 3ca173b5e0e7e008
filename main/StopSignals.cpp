#include "main/StopSignals.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/base/Log.h"
#include "platform/base/ThreadSignalStack.h"
#include "platform/system/Application.h"
#include "platform/system/Shell.h"

#if defined(__SANITIZE_ADDRESS__)
#define KESTRUNE_STOP_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRUNE_STOP_LEAK_CHECK 1
#endif
#endif
#ifdef KESTRUNE_STOP_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace kestrune {

namespace {

std::atomic<int> gStopReceived{0};
std::atomic<int> gEndBySignal{0};
std::atomic<bool> gPipeIgnoredAtStart{false};

bool ignoredNow(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
           current.sa_handler == SIG_IGN;
}

void keepStop(int signal) {
    int none = 0;
    gStopReceived.compare_exchange_strong(none, signal);
}

// A thread that waits until the standard output's reader has gone (a pipe or a socket: a terminal that
// goes away sends SIGHUP, a file never closes) and then calls `closed`, once. It asks poll for no event
// at all: the error and hang-up it waits for are reported whatever is asked, and nothing else wakes it.
void watchOutput(std::function<void()> closed) {
    struct stat output {};
    if (fstat(STDOUT_FILENO, &output) != 0 || !(S_ISFIFO(output.st_mode) || S_ISSOCK(output.st_mode))) return;
    // Detached and never joined: on a pipe that stays open it waits until the process ends.
    platform::startThread([closed = std::move(closed)] {
        for (;;) {
            pollfd watched{STDOUT_FILENO, 0, 0};
            if (poll(&watched, 1, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (watched.revents & (POLLERR | POLLHUP)) break;
        }
        platform::logf("The output was closed: stopping as if by SIGPIPE");
        closed();
    }).detach();
}

// Default action back, the signal let through on this thread, then raised: the process ends by it.
[[noreturn]] void endBy(int signal) {
    // Standard output is buffered when it is not a terminal; std::cout writes through the same buffer.
    std::fflush(nullptr);
#ifdef KESTRUNE_STOP_LEAK_CHECK
    // The leak check of the sanitizer runs at exit after this; a process ended by a signal would skip it.
    __lsan_do_leak_check();
#endif
    // A SIGPIPE the parent ignored: ending by it would go against that, the status says it.
    if (signal == SIGPIPE && gPipeIgnoredAtStart.load()) _exit(StopSignals::exitStatus(signal));
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(StopSignals::exitStatus(signal));
}

// Run by the loader as the process exits, after its static destructors and exit handlers (the throwaway
// home's removal among them): the last thing the process does. A stop kept as a request is acted on even
// when it came too late for the run to read it.
__attribute__((destructor)) void endByTheSignalAskedFor() {
    const int asked = gEndBySignal.load();
    if (const int signal = asked ? asked : gStopReceived.load()) endBy(signal);
}

}  // namespace

void StopSignals::noteStart() {
    static std::once_flag once;
    std::call_once(once, [] {
        sigset_t ignored;
        sigemptyset(&ignored);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            if (ignoredNow(signal)) sigaddset(&ignored, signal);
        gPipeIgnoredAtStart = sigismember(&ignored, SIGPIPE) == 1;
        platform::Shell::setSignalsIgnoredAtStart(ignored);
        platform::Application::terminationSignals();
    });
}

void StopSignals::ignoreClosedPipes() {
    noteStart();
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

void StopSignals::block() {
    static std::once_flag once;
    std::call_once(once, [] {
        noteStart();
        const sigset_t set = platform::Application::terminationSignals();
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        ignoreClosedPipes();
    });
}

void StopSignals::keepAsRequest() {
    static std::once_flag once;
    std::call_once(once, [] {
        block();
        // Detached and never joined: it waits until the process ends. A later signal changes nothing,
        // the first one is already being acted on.
        if (const sigset_t set = platform::Application::terminationSignals(); !sigisemptyset(&set)) {
            platform::startThread([set] {
                for (;;) {
                    int signal = 0;
                    if (sigwait(&set, &signal) == 0) keepStop(signal);
                }
            }).detach();
        }
        watchOutput([] { keepStop(SIGPIPE); });
    });
}

void StopSignals::quitApplicationWhenOutputCloses() {
    watchOutput([] { platform::Application::shared().terminateForSignal(SIGPIPE); });
}

int StopSignals::received() {
    return gStopReceived.load();
}

const char* StopSignals::name(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        case SIGPIPE:
            return "SIGPIPE";
        default:
            return "a signal";
    }
}

void StopSignals::endBySignalAtExit(int signal) {
    int none = 0;
    gEndBySignal.compare_exchange_strong(none, signal);
}

void StopSignals::endNow(int status) {
    if (const int signal = gEndBySignal.load()) endBy(signal);
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace kestrune
