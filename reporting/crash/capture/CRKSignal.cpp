#include "reporting/crash/capture/CRKSignal.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/capture/CRKHandler.h"
#include "reporting/crash/capture/CRKProcess.h"

namespace reporting {

namespace {

const int kHandledSignals[CRKSignalHandledCount] = {SIGABRT, SIGBUS, SIGFPE, SIGILL,
                                                    SIGSEGV, SIGSYS, SIGTRAP};

enum Phase : uint32_t { PhaseIdle = 0, PhaseRecording = 1, PhaseFinished = 2 };

std::atomic<int32_t> gRecordingThread{0};
std::atomic<uint32_t> gPhase{PhaseIdle};
// Never changed: waiting on it is a bounded pause that needs no clock loop of its own.
std::atomic<uint32_t> gNeverWoken{0};

// A thread that faults while another records waits this long for the process to end.
constexpr int64_t kWaitForRecorderNanoseconds = 8'000'000'000;
// After the recorder has finished, a late thread gives its repeated fault a moment to end the process.
constexpr int64_t kWaitAfterRecorderNanoseconds = 200'000'000;

int64_t signalClockNanoseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void pause(int64_t nanoseconds) {
    const int64_t deadline = signalClockNanoseconds() + nanoseconds;
    for (;;) {
        const int64_t left = deadline - signalClockNanoseconds();
        if (left <= 0) return;
        struct timespec timeout = {time_t(left / 1'000'000'000), long(left % 1'000'000'000)};
        syscall(SYS_futex, reinterpret_cast<uint32_t*>(&gNeverWoken), FUTEX_WAIT_PRIVATE, 0, &timeout,
                nullptr, 0);
    }
}

bool isKitHandler(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) && action.sa_sigaction == CRKSignalHandler;
}

bool hasHandler(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) ? action.sa_sigaction != nullptr : action.sa_handler != SIG_DFL;
}

}  // namespace

uint32_t CRKSignalRecordNumber(int signal) {
    switch (signal) {
        case SIGILL:
            return 4;
        case SIGTRAP:
            return 5;
        case SIGABRT:
            return 6;
        case SIGFPE:
            return 8;
        case SIGBUS:
            return 10;
        case SIGSEGV:
            return 11;
        case SIGSYS:
            return 12;
        default:
            return 0;
    }
}

int CRKSignalFromRecordNumber(uint32_t number) {
    for (int signal : kHandledSignals) {
        if (CRKSignalRecordNumber(signal) == number) return signal;
    }
    return 0;
}

void CRKSignalNameLookup(uint32_t signal, int, const char** name, const char** codeName) {
    static const char* const kNames[] = {"SIGILL",  "SIGTRAP", "SIGABRT", "UNKNOWN", "SIGFPE",
                                         "UNKNOWN", "SIGBUS",  "SIGSEGV", "SIGSYS"};
    const char* found = "UNKNOWN";
    const char* code = nullptr;
    if (signal >= 4 && signal <= 12) found = kNames[signal - 4];
    if (signal == 6) code = "ABORT";
    if (name) *name = found;
    if (codeName) *codeName = code;
}

uint32_t CRKMachExceptionMaskForSignal(uint32_t signal) {
    switch (signal) {
        case 4:
            return 4;
        case 5:
            return 64;
        case 6:
            return 1024;
        case 8:
            return 8;
        case 10:
            return 2;
        case 11:
            return 2;
        case 12:
            return 1024;
        default:
            return 0;
    }
}

void CRKSignalEnumerateHandledSignals(const std::function<void(int index, int signal)>& block) {
    for (int i = 0; i < CRKSignalHandledCount; i++) block(i, kHandledSignals[i]);
}

bool CRKSignalInstallThreadStack(CRKReadOnlyContext* readonly) {
    if (!readonly) return false;
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) && current.ss_sp) {
        readonly->signal.originalStack = current;
        return true;
    }
    memset(&readonly->signal.originalStack, 0, sizeof readonly->signal.originalStack);
    stack_t stack = {};
    stack.ss_sp = readonly->signalStack.start;
    stack.ss_size = readonly->signalStack.size;
    if (sigaltstack(&stack, nullptr) != 0) {
        CRKSDKLOG_WARN("Unable to setup stack %s\n", CRKErrorText(errno));
        return false;
    }
    return true;
}

bool CRKSignalInitialize(CRKSignalState* state) {
    if (!state) return false;
    if (state->path && !CRKUnlinkIfExists(state->path)) {
        CRKSDKLOG_WARN("Unable to reset the signal log file %s\n", CRKErrorText(errno));
    }
    CRKProcessInstallSuspendHandler();
    bool all = true;
    for (int i = 0; i < CRKSignalHandledCount; i++) {
        struct sigaction action = {};
        action.sa_sigaction = CRKSignalHandler;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        struct sigaction previous = {};
        memset(&state->originalActions[i], 0, sizeof state->originalActions[i]);
        if (sigaction(kHandledSignals[i], &action, &previous) != 0) {
            CRKSDKLOG_WARN("Unable to install handler for %d (%s)\n",
                           int(CRKSignalRecordNumber(kHandledSignals[i])), CRKErrorText(errno));
            all = false;
            continue;
        }
        // Installing twice must not make the kit its own previous handler: the repeated fault would
        // come straight back here.
        if (hasHandler(previous) && !isKitHandler(previous)) state->originalActions[i] = previous;
    }
    return all;
}

void CRKSignalSafeRemoveHandlers(bool includeAbort) {
    for (int signal : kHandledSignals) {
        if (signal == SIGABRT && !includeAbort) continue;
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        if (sigaction(signal, &fallback, nullptr) != 0) {
            CRKSDKLOG_WARN("Unable to set default handler for %d (%s)\n", int(CRKSignalRecordNumber(signal)),
                           CRKErrorText(errno));
        }
    }
}

bool CRKSignalSafeInstallPreexistingHandlers(const CRKSignalState* state) {
    CRKSignalSafeRemoveHandlers(true);
    if (!state) return false;
    bool all = true;
    for (int i = 0; i < CRKSignalHandledCount; i++) {
        const struct sigaction& saved = state->originalActions[i];
        if (!hasHandler(saved)) continue;
        if (sigaction(kHandledSignals[i], &saved, nullptr) != 0) {
            CRKSDKLOG_WARN("Unable to install handler for %d (%s)\n",
                           int(CRKSignalRecordNumber(kHandledSignals[i])), CRKErrorText(errno));
            all = false;
        }
    }
    return all;
}

void CRKSignalWriteRecord(CRKFile* file, int signal, const siginfo_t* information, int savedErrno) {
    CRKFileWriteSectionStart(file, "signal");
    CRKFileWriteHashStart(file);
    if (reinterpret_cast<uintptr_t>(information) >= CRKFirstValidAddress) {
        const uint32_t number = CRKSignalRecordNumber(signal);
        const char* name = nullptr;
        const char* codeName = nullptr;
        CRKSignalNameLookup(number, information->si_code, &name, &codeName);
        CRKFileWriteHashEntryUInt64(file, "number", number);
        CRKFileWriteHashEntryUInt64(file, "code", uint64_t(int64_t(information->si_code)));
        CRKFileWriteHashEntryUInt64(file, "address", reinterpret_cast<uintptr_t>(information->si_addr));
        CRKFileWriteHashEntryString(file, "name", name);
        CRKFileWriteHashEntryString(file, "code_name", codeName);
    }
    CRKFileWriteHashEntryUInt64(file, "errno", uint64_t(int64_t(savedErrno)));
    CRKFileWriteHashEntryUInt64(file, "time", uint64_t(time(nullptr)));
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

void CRKSignalHandler(int signal, siginfo_t* information, void* machineContext) {
    const int savedErrno = errno;
    errno = 0;
    CRKSDKLOG_WARN("Signal: %d\n", int(CRKSignalRecordNumber(signal)));
    // Unblocked, so that a fault inside this handler comes back here (and ends the process with status
    // 1) instead of being forced to the default action, and so that the suspension signal gets through.
    sigset_t none;
    sigemptyset(&none);
    if (pthread_sigmask(SIG_SETMASK, &none, nullptr) != 0) {
        CRKSDKLOG_WARN("Unable to unmask signals - we risk infinite recursion here\n");
    }
    const int32_t self = int32_t(syscall(SYS_gettid));
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    if (CRKContextMarkAndCheckIfCrashed()) {
        if (gRecordingThread.load(std::memory_order_acquire) == self) {
            CRKSDKLOG_WARN("Error: aborting signal handler because crash has already occurred");
            _exit(1);
        }
        // Another thread is recording (or the exception server is): the process ends when it is done.
        pause(gPhase.load(std::memory_order_acquire) == PhaseFinished ? kWaitAfterRecorderNanoseconds
                                                                      : kWaitForRecorderNanoseconds);
        CRKSDKLOG_WARN("Error: aborting signal handler because crash has already occurred");
        _exit(1);
    }
    gRecordingThread.store(self, std::memory_order_release);
    gPhase.store(PhaseRecording, std::memory_order_release);

    const bool validContext = reinterpret_cast<uintptr_t>(machineContext) >= CRKFirstValidAddress;
    if (readonly && readonly->signal.path) {
        CRKFile file;
        if (CRKFileInitWithPath(&file, readonly->signal.path, false)) {
            CRKSignalWriteRecord(&file, signal, information, savedErrno);
            CRKHandler(&file, uint64_t(self), validContext ? machineContext : nullptr);
            fdatasync(file.descriptor);
            CRKFileClose(&file);
        } else {
            CRKSDKLOG_WARN("Unable to open signal file\n");
        }
    }
    if (readonly) {
        CRKSignalSafeInstallPreexistingHandlers(&readonly->signal);
    } else {
        CRKSignalSafeRemoveHandlers(true);
    }
    gPhase.store(PhaseFinished, std::memory_order_release);
    errno = savedErrno;
    // A fault happens again when the handler returns; a signal that was sent, or one the instruction
    // will not raise again, has to be raised.
    const bool sent =
        reinterpret_cast<uintptr_t>(information) < CRKFirstValidAddress || information->si_code <= 0;
    if (sent || signal == SIGTRAP || signal == SIGSYS || signal == SIGABRT) raise(signal);
}

void CRKSignalCheckHandlers() {
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    if (readonly && readonly->debuggerAttached) return;
    for (int signal : kHandledSignals) {
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) != 0) {
            fprintf(stderr, "Unable to read signal handler\n");
            continue;
        }
        if (isKitHandler(current)) continue;
        const uintptr_t address = (current.sa_flags & SA_SIGINFO)
                                      ? reinterpret_cast<uintptr_t>(current.sa_sigaction)
                                      : reinterpret_cast<uintptr_t>(current.sa_handler);
        const char* name = nullptr;
        CRKSignalNameLookup(CRKSignalRecordNumber(signal), 0, &name, nullptr);
        std::string symbol = "(null)";
        CRKDladdrWithBlock(address, [&](const char* found, const char*) {
            if (found) symbol = found;
        });
        fprintf(stderr,
                "[CrashKit] The signal %s has a non-CrashKit handler (%s).  This will interfere with "
                "reporting.\n",
                name, symbol.c_str());
    }
}

bool CRKContextDebuggerAttachedFlag() {
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    return readonly && readonly->debuggerAttached;
}

void CRKSignalResetForTesting() {
    gRecordingThread.store(0);
    gPhase.store(PhaseIdle);
}

}  // namespace reporting
