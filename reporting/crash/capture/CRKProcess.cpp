#include "reporting/crash/capture/CRKProcess.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/base/DispatchQueue.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKBinaryImage.h"

namespace reporting {

namespace {

enum SlotState : uint32_t { SlotIdle = 0, SlotRequested = 1, SlotSuspended = 2 };

// One per thread of the list being recorded, at the thread's index. Filled by the stopped thread
// itself: only it can read its own registers, name and current queue without the kernel's help.
struct ThreadSlot {
    std::atomic<int32_t> tid{0};
    std::atomic<uint32_t> state{SlotIdle};
    ucontext_t context{};
    char name[64]{};
    char queueLabel[128]{};
    bool onQueue = false;
};

// The slots (some 600 KB) and the unwind state below are all zeros until a crash and so are initialised
// at compile time (constinit): they stay in untouched zero pages instead of being written, page by
// page, by a start-up initialiser in every run.
constinit ThreadSlot gSlots[CRKProcessMaximumThreads]{};
constinit CRKThread gThreads[CRKProcessMaximumThreads]{};
constinit std::atomic<uint32_t> gSlotCount{0};
constinit std::atomic<uint32_t> gResumeGeneration{0};

// How long the recorder waits for all threads to stop, and how long a stopped thread waits to be let go.
constexpr int64_t kSuspendBudgetNanoseconds = 500'000'000;
constexpr int64_t kStoppedLimitNanoseconds = 10'000'000'000;
// How long the recorder waits, once the threads go on, for an image record another thread was writing.
constexpr int64_t kAwaitRecordsNanoseconds = 1'000'000'000;

int64_t monotonicNanoseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void futexWait(std::atomic<uint32_t>* word, uint32_t expected, int64_t nanoseconds) {
    if (nanoseconds <= 0) return;
    struct timespec timeout = {time_t(nanoseconds / 1'000'000'000), long(nanoseconds % 1'000'000'000)};
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, &timeout, nullptr, 0);
}

void futexWakeAll(std::atomic<uint32_t>* word) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr, nullptr, 0);
}

// Copies at most size - 1 readable bytes of a string; false (and an empty result) when unreadable.
bool copyReadableString(const char* source, char* destination, size_t size) {
    destination[0] = '\0';
    const char* checked = nullptr;
    if (!source || !CRKReadString(reinterpret_cast<uintptr_t>(source), &checked, size - 1)) return false;
    size_t length = 0;
    while (length < size - 1 && checked[length] != '\0') length++;
    memcpy(destination, checked, length);
    destination[length] = '\0';
    return true;
}

void copyCurrentQueueLabel(char* destination, size_t size, bool* onQueue) {
    const platform::DispatchQueue* queue = platform::DispatchQueue::current();
    *onQueue = queue != nullptr;
    destination[0] = '\0';
    if (queue) copyReadableString(queue->label().c_str(), destination, size);
}

void suspendHandler(int, siginfo_t*, void* ucontext) {
    const int savedErrno = errno;
    const int32_t self = int32_t(syscall(SYS_gettid));
    const uint32_t count = gSlotCount.load(std::memory_order_acquire);
    ThreadSlot* slot = nullptr;
    for (uint32_t i = 0; i < count && i < CRKProcessMaximumThreads; i++) {
        if (gSlots[i].tid.load(std::memory_order_acquire) == self) {
            slot = &gSlots[i];
            break;
        }
    }
    if (slot) {
        const uint32_t generation = gResumeGeneration.load(std::memory_order_acquire);
        memcpy(&slot->context, ucontext, sizeof(ucontext_t));
        memset(slot->name, 0, sizeof slot->name);
        prctl(PR_GET_NAME, slot->name, 0, 0, 0);
        copyCurrentQueueLabel(slot->queueLabel, sizeof slot->queueLabel, &slot->onQueue);
        uint32_t expected = SlotRequested;
        // A request the recorder already gave up on is not answered: the thread just goes on.
        if (slot->state.compare_exchange_strong(expected, SlotSuspended, std::memory_order_acq_rel)) {
            futexWakeAll(&slot->state);
            const int64_t limit = monotonicNanoseconds() + kStoppedLimitNanoseconds;
            while (gResumeGeneration.load(std::memory_order_acquire) == generation) {
                const int64_t left = limit - monotonicNanoseconds();
                if (left <= 0) break;
                futexWait(&gResumeGeneration, generation, left);
            }
        }
    }
    errno = savedErrno;
}

ThreadSlot* slotForThread(const CRKProcess* process, CRKThread thread) {
    for (uint32_t i = 0; i < process->threadCount; i++) {
        if (process->threads[i] == thread) return &gSlots[i];
    }
    return nullptr;
}

bool threadAnswered(const CRKProcess* process, CRKThread thread) {
    const ThreadSlot* slot = slotForThread(process, thread);
    return slot && slot->state.load(std::memory_order_acquire) == SlotSuspended;
}

// Parses an unsigned decimal number; advances the cursor past it.
uint64_t parseNumber(const char** cursor) {
    const char* p = *cursor;
    while (*p == ' ' || *p == '\t') p++;
    uint64_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10 + uint64_t(*p++ - '0');
    *cursor = p;
    return value;
}

// Reads a small /proc file into the buffer, zero-terminated.
bool readSmallFile(const char* path, char* buffer, size_t size) {
    const int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    size_t length = 0;
    while (length < size - 1) {
        const ssize_t got = read(descriptor, buffer + length, size - 1 - length);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        length += size_t(got);
    }
    close(descriptor);
    buffer[length] = '\0';
    return length > 0;
}

// The value after "<field>" at the start of a line, or false.
bool fieldValue(const char* text, const char* field, uint64_t* value) {
    const size_t length = strlen(field);
    for (const char* line = text; line && *line;) {
        if (strncmp(line, field, length) == 0) {
            const char* cursor = line + length;
            *value = parseNumber(&cursor);
            return true;
        }
        line = strchr(line, '\n');
        if (line) line++;
    }
    return false;
}

// "/proc/self/task/<tid>/comm" into the buffer.
void commPath(CRKThread thread, char* buffer) {
    char digits[21];
    const char* number = CRKFileFormatUInt64(digits, uint64_t(thread), false);
    strcpy(buffer, "/proc/self/task/");
    strcat(buffer, number);
    strcat(buffer, "/comm");
}

void writeRegisters(CRKFile* file, const CRKThreadState64& s) {
    CRKFileWriteHashKey(file, "registers");
    CRKFileWriteHashStart(file);
    const struct {
        const char* name;
        uint64_t value;
    } registers[] = {{"rax", s.rax}, {"rbx", s.rbx}, {"rcx", s.rcx},       {"rdx", s.rdx}, {"rdi", s.rdi},
                     {"rsi", s.rsi}, {"rbp", s.rbp}, {"rsp", s.rsp},       {"r8", s.r8},   {"r9", s.r9},
                     {"r10", s.r10}, {"r11", s.r11}, {"r12", s.r12},       {"r13", s.r13}, {"r14", s.r14},
                     {"r15", s.r15}, {"rip", s.rip}, {"rflags", s.rflags}, {"cs", s.cs},   {"fs", s.fs},
                     {"gs", s.gs}};
    for (const auto& entry : registers) CRKFileWriteHashEntryUInt64(file, entry.name, entry.value);
    CRKFileWriteHashEnd(file);
}

// The walk's state is large (its page cache); one walk runs at a time, so it lives here, not on the
// alternate signal stack.
constinit CRKUnwindContext gUnwindContext{};
// Signal frames nest only as deep as handlers interrupt handlers.
constexpr uint32_t kMaxInterruptedFrames = 16;

// Whether CRKProcessGetThreadState makes the thread's state up (the current thread without a signal's
// context): its PC is then a return address, not an instruction the thread was stopped at.
bool stateIsMadeUp(const CRKProcess* process, CRKThread thread) {
    if (thread == process->crashedThread && process->machineContext) return false;
    return thread == process->currentThread;
}

}  // namespace

int CRKProcessSuspendSignal() {
    return SIGRTMAX - 5;
}

bool CRKProcessInstallSuspendHandler() {
    struct sigaction action = {};
    action.sa_sigaction = suspendHandler;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(CRKProcessSuspendSignal(), &action, nullptr) != 0) {
        CRKSDKLOG_WARN("Unable to install the thread suspension handler (%s)\n", CRKErrorText(errno));
        return false;
    }
    return true;
}

CRKThread CRKProcessCurrentThread() {
    return CRKThread(syscall(SYS_gettid));
}

bool CRKProcessInit(CRKProcess* process, CRKThread crashedThread, const ucontext_t* machineContext) {
    if (!process) return false;
    process->task = getpid();
    process->currentThread = CRKProcessCurrentThread();
    process->crashedThread = crashedThread;
    process->machineContext =
        reinterpret_cast<uintptr_t>(machineContext) < CRKFirstValidAddress ? nullptr : machineContext;
    process->threads = gThreads;
    process->threadCount = 0;

    const int directory = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        CRKSDKLOG_WARN("Error: unable to get task threads\n");
        return true;
    }
    alignas(8) char buffer[4096];
    for (;;) {
        const long length = syscall(SYS_getdents64, directory, buffer, sizeof buffer);
        if (length < 0) {
            CRKSDKLOG_WARN("Error: unable to get task threads\n");
            process->threadCount = 0;
            break;
        }
        if (length == 0) break;
        for (long offset = 0; offset < length;) {
            // struct linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
            uint16_t recordLength = 0;
            memcpy(&recordLength, buffer + offset + 16, sizeof recordLength);
            const char* name = buffer + offset + 19;
            offset += recordLength;
            if (recordLength == 0) break;
            if (name[0] < '0' || name[0] > '9') continue;
            const char* cursor = name;
            const CRKThread thread = CRKThread(parseNumber(&cursor));
            if (process->threadCount < CRKProcessMaximumThreads)
                process->threads[process->threadCount++] = thread;
        }
    }
    close(directory);
    return true;
}

void CRKProcessDestroy(CRKProcess*) {}

bool CRKProcessSuspendAllOtherThreads(CRKProcess* process) {
    if (!process) return false;
    for (uint32_t i = 0; i < process->threadCount; i++) {
        gSlots[i].state.store(SlotIdle, std::memory_order_relaxed);
        gSlots[i].tid.store(process->threads[i] == process->currentThread ? 0 : process->threads[i],
                            std::memory_order_relaxed);
        gSlots[i].onQueue = false;
        gSlots[i].name[0] = '\0';
        gSlots[i].queueLabel[0] = '\0';
    }
    gSlotCount.store(process->threadCount, std::memory_order_release);
    const int signal = CRKProcessSuspendSignal();
    for (uint32_t i = 0; i < process->threadCount; i++) {
        if (process->threads[i] == process->currentThread) continue;
        gSlots[i].state.store(SlotRequested, std::memory_order_release);
        // A thread that exited since the list was read simply never answers.
        syscall(SYS_tgkill, process->task, process->threads[i], signal);
    }
    bool all = true;
    const int64_t deadline = monotonicNanoseconds() + kSuspendBudgetNanoseconds;
    for (uint32_t i = 0; i < process->threadCount; i++) {
        if (process->threads[i] == process->currentThread) continue;
        for (;;) {
            const uint32_t state = gSlots[i].state.load(std::memory_order_acquire);
            if (state == SlotSuspended) break;
            const int64_t left = deadline - monotonicNanoseconds();
            if (left <= 0) {
                CRKSDKLOG_WARN("Thread %d did not stop in time\n", process->threads[i]);
                all = false;
                break;
            }
            futexWait(&gSlots[i].state, state, left);
        }
    }
    return all;
}

bool CRKProcessResumeAllOtherThreads(CRKProcess* process) {
    if (!process) return false;
    bool all = true;
    for (uint32_t i = 0; i < process->threadCount; i++) {
        if (process->threads[i] == process->currentThread) continue;
        // A thread that never answered must not stop later on a request nobody waits for any more.
        if (gSlots[i].state.exchange(SlotIdle, std::memory_order_acq_rel) != SlotSuspended) all = false;
    }
    gResumeGeneration.fetch_add(1, std::memory_order_acq_rel);
    futexWakeAll(&gResumeGeneration);
    gSlotCount.store(0, std::memory_order_release);
    return all;
}

bool CRKProcessDebuggerAttachedInStatus(const char* statusText) {
    uint64_t tracer = 0;
    if (!statusText || !fieldValue(statusText, "TracerPid:", &tracer)) {
        CRKSDKLOG_WARN("sysctl failed while trying to get kinfo_proc\n");
        return false;
    }
    return tracer != 0;
}

bool CRKProcessDebuggerAttached() {
    char status[4096];
    if (!readSmallFile("/proc/self/status", status, sizeof status))
        return CRKProcessDebuggerAttachedInStatus(nullptr);
    return CRKProcessDebuggerAttachedInStatus(status);
}

__attribute__((noinline)) bool CRKProcessGetThreadState(const CRKProcess* process, CRKThread thread,
                                                        CRKMachineContext* context) {
    if (!context) {
        CRKSDKLOG_ERROR("invalid context supplied");
        return false;
    }
    if (!process) return false;
    if (thread == process->crashedThread && process->machineContext) {
        return CRKMachineContextFromUContext(process->machineContext, context);
    }
    if (thread != process->currentThread) {
        const ThreadSlot* slot = slotForThread(process, thread);
        if (!slot || slot->state.load(std::memory_order_acquire) != SlotSuspended) {
            CRKSDKLOG_ERROR("failed to get thread state\n");
            return false;
        }
        return CRKMachineContextFromUContext(&slot->context, context);
    }
    // The current thread without a signal's context: made up as the caller's state just after this
    // call returns, so that the walk starts in the caller (whose frame stays live while it walks) and
    // goes up through whatever called it. Asking for the frame address gives this function a frame.
    CRKSDKLOG_WARN("Faking current thread\n");
    memset(context, 0, sizeof *context);
    const auto* frame = static_cast<const uint64_t*>(__builtin_frame_address(0));
    context->ss.rip = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    context->ss.rsp = reinterpret_cast<uintptr_t>(frame) + 16;
    context->ss.rbp = frame[0];
    return true;
}

void CRKProcessRecordAllThreads(CRKProcess* process, CRKFile* file) {
    CRKFileWriteSectionStart(file, "threads");
    CRKFileWriteArrayStart(file);
    CRKWritableContext* writable = CRKSharedContext().writable;
    for (uint32_t i = 0; process && i < process->threadCount; i++) {
        const CRKThread thread = process->threads[i];
        CRKSDKLOG_INFO("recording thread %d data\n", int(i));
        const bool crashed = thread == process->crashedThread;
        CRKMachineContext state;
        bool usable = CRKProcessGetThreadState(process, thread, &state);
        if (!usable) {
            CRKSDKLOG_ERROR("unable to get thread state");
        } else if (!CRKUnwindInit(&gUnwindContext, state)) {
            CRKSDKLOG_WARN("unable to init unwind context\n");
            usable = false;
        } else {
            gUnwindContext.firstPCIsReturnAddress = stateIsMadeUp(process, thread);
            // The walker traces each step in the diagnostic log, which writes a byte per call: for the
            // threads of a busy process that took ten times longer than the whole rest of the record
            // (275 KB for 17 threads). The walks' outcomes are still logged here.
            gCRKUnwindLogging.store(false, std::memory_order_relaxed);
        }
        CRKFileWriteHashStart(file);
        if (!usable) {
            // Skipped, but still one entry with its collections closed, so every per-thread section
            // keeps one entry per thread.
            CRKFileWriteHashKey(file, "stacktrace");
            CRKFileWriteArrayStart(file);
            CRKFileWriteArrayEnd(file);
            if (crashed) CRKFileWriteHashEntryBoolean(file, "crashed", true);
            CRKFileWriteHashEnd(file);
            continue;
        }
        writeRegisters(file, state.ss);
        CRKFileWriteHashKey(file, "stacktrace");
        CRKFileWriteArrayStart(file);
        const int32_t savedLevel = writable ? writable->logLevel : 0;
        uint64_t repeatedPC = 0;
        bool repeated = false;
        uint32_t repeatCount = 0;
        uint32_t written = 0;
        // Frames after the first that a signal interrupted (below a signal trampoline): their PCs are
        // instructions, not return addresses, and the symbolicator must name them as they are.
        uint32_t interrupted[kMaxInterruptedFrames];
        uint32_t interruptedCount = 0;
        while (CRKUnwindNextFrame(&gUnwindContext)) {
            const uint64_t pc = CRKUnwindGetPC(&gUnwindContext);
            const uint32_t count = CRKUnwindGetRepeatCount(&gUnwindContext);
            if (repeated && repeatedPC == pc) {
                repeatCount = count;
                continue;
            }
            if (!repeated && count >= 10) {
                CRKSDKLOG_WARN("Possible infinite recursion - suppressing logging\n");
                if (writable) writable->logLevel = CRKSDKLogLevelWarn;
                repeatedPC = pc;
                repeated = true;
                continue;
            }
            if (repeated && writable) writable->logLevel = savedLevel;
            if (written > 0 && CRKUnwindFrameIsInterrupted(&gUnwindContext) &&
                interruptedCount < kMaxInterruptedFrames)
                interrupted[interruptedCount++] = written;
            CRKFileWriteArrayEntryUInt64(file, pc);
            written++;
        }
        CRKFileWriteArrayEnd(file);
        if (interruptedCount > 0) {
            CRKFileWriteHashKey(file, "interrupted_frames");
            CRKFileWriteArrayStart(file);
            for (uint32_t k = 0; k < interruptedCount; k++)
                CRKFileWriteArrayEntryUInt64(file, interrupted[k]);
            CRKFileWriteArrayEnd(file);
        }
        if (crashed) CRKFileWriteHashEntryBoolean(file, "crashed", true);
        if (repeated) {
            CRKFileWriteHashEntryUInt64(file, "repeated_pc", repeatedPC);
            CRKFileWriteHashEntryUInt64(file, "repeat_count", repeatCount);
        }
        if (writable) writable->logLevel = savedLevel;
        CRKSDKLOG_INFO("recorded %u frames\n", written);
        CRKFileWriteHashEnd(file);
    }
    CRKFileWriteArrayEnd(file);
    CRKFileWriteSectionEnd(file);
    CRKSDKLOG_INFO("completed recording all thread data\n");
}

void CRKProcessRecordRuntimeInfo(CRKProcess* process, CRKFile* file) {
    CRKFileWriteSectionStart(file, "runtime");
    CRKFileWriteHashStart(file);
    CRKMachineContext state;
    if (!process || !CRKProcessGetThreadState(process, process->crashedThread, &state)) {
        CRKSDKLOG_ERROR("unable to get crashed thread state");
    }
    // No message-sending runtime is loaded on this system, so no crash is ever inside one.
    CRKFileWriteHashEntryString(file, "objc_selector", "");
    CRKFileWriteHashKey(file, "crash_info_entries");
    CRKFileWriteArrayStart(file);
    const CRKWritableContext* writable = CRKSharedContext().writable;
    for (size_t i = 0; writable && i < CRKBinaryImageSlotCount; i++) {
        const uintptr_t address = writable->binaryImages[i].crashInfo;
        if (!address) continue;
        struct {
            uint64_t version;
            uint64_t message;
            uint8_t rest[40];
        } annotation;
        if (!CRKReadMemory(address, &annotation, sizeof annotation)) continue;
        CRKSDKLOG_DEBUG("Found crash info with version %d\n", int(annotation.version));
        if (annotation.version >= 6 || !annotation.message) continue;
        CRKSDKLOG_DEBUG("attempting to read crash info string\n");
        const char* message = nullptr;
        if (CRKReadString(uintptr_t(annotation.message), &message, 256)) {
            CRKFileWriteArrayEntryHexEncodedString(file, message);
        } else {
            CRKSDKLOG_ERROR("Failed to copy crash info string\n");
        }
    }
    CRKFileWriteArrayEnd(file);
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

void CRKProcessRecordDispatchQueueNames(CRKProcess* process, CRKFile* file) {
    CRKFileWriteSectionStart(file, "dispatch_queue_names");
    CRKFileWriteArrayStart(file);
    for (uint32_t i = 0; process && i < process->threadCount; i++) {
        const CRKThread thread = process->threads[i];
        if (thread == process->currentThread) {
            char label[128];
            bool onQueue = false;
            copyCurrentQueueLabel(label, sizeof label, &onQueue);
            CRKFileWriteArrayEntryString(file, label);
        } else if (!threadAnswered(process, thread)) {
            CRKSDKLOG_WARN("unable to get thread info\n");
            CRKFileWriteArrayEntryString(file, nullptr);
        } else {
            CRKFileWriteArrayEntryString(file, gSlots[i].queueLabel);
        }
    }
    CRKFileWriteArrayEnd(file);
    CRKFileWriteSectionEnd(file);
}

void CRKProcessRecordThreadNames(CRKProcess* process, CRKFile* file) {
    CRKFileWriteSectionStart(file, "thread_names");
    CRKFileWriteArrayStart(file);
    for (uint32_t i = 0; process && i < process->threadCount; i++) {
        const CRKThread thread = process->threads[i];
        char name[64] = {};
        if (thread == process->currentThread) {
            prctl(PR_GET_NAME, name, 0, 0, 0);
        } else if (threadAnswered(process, thread)) {
            memcpy(name, gSlots[i].name, sizeof name);
            name[sizeof name - 1] = '\0';
        } else {
            char path[64];
            commPath(thread, path);
            if (readSmallFile(path, name, sizeof name)) {
                char* newline = strchr(name, '\n');
                if (newline) *newline = '\0';
            }
        }
        CRKFileWriteArrayEntryString(file, name);
    }
    CRKFileWriteArrayEnd(file);
    CRKFileWriteSectionEnd(file);
}

bool CRKProcessGetMemoryUsage(uint64_t* active, uint64_t* inactive, uint64_t* wired, uint64_t* freeMemory) {
    if (!active || !inactive || !wired || !freeMemory) {
        CRKSDKLOG_WARN("Invalid pointers\n");
        return false;
    }
    char text[4096];
    uint64_t activeKiB = 0, inactiveKiB = 0, wiredKiB = 0, freeKiB = 0;
    if (!readSmallFile("/proc/meminfo", text, sizeof text) || !fieldValue(text, "Active:", &activeKiB) ||
        !fieldValue(text, "Inactive:", &inactiveKiB) || !fieldValue(text, "Unevictable:", &wiredKiB) ||
        !fieldValue(text, "MemFree:", &freeKiB)) {
        CRKSDKLOG_WARN("Failed to get vm statistics\n");
        return false;
    }
    *active = activeKiB * 1024;
    *inactive = inactiveKiB * 1024;
    *wired = wiredKiB * 1024;
    *freeMemory = freeKiB * 1024;
    return true;
}

bool CRKProcessGetInfo(CRKProcess* process, uint64_t* virtualSize, uint64_t* residentSize, uint64_t* userTime,
                       uint64_t* systemTime) {
    if (!process || !virtualSize || !residentSize || !userTime || !systemTime) {
        CRKSDKLOG_WARN("Invalid pointers\n");
        return false;
    }
    char text[256];
    struct rusage usage;
    if (!readSmallFile("/proc/self/statm", text, sizeof text) || getrusage(RUSAGE_SELF, &usage) != 0) {
        CRKSDKLOG_WARN("Failed to get task info\n");
        return false;
    }
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    const uint64_t page = readonly && readonly->pageSize ? readonly->pageSize : 4096;
    const char* cursor = text;
    *virtualSize = parseNumber(&cursor) * page;
    *residentSize = parseNumber(&cursor) * page;
    *userTime = uint64_t(usage.ru_utime.tv_sec) * 1'000'000 + uint64_t(usage.ru_utime.tv_usec);
    *systemTime = uint64_t(usage.ru_stime.tv_sec) * 1'000'000 + uint64_t(usage.ru_stime.tv_usec);
    return true;
}

void CRKProcessRecordStats(CRKProcess* process, CRKFile* file) {
    uint64_t active = 0, inactive = 0, wired = 0, freeMemory = 0;
    uint64_t virtualSize = 0, residentSize = 0, userTime = 0, systemTime = 0;
    if (!CRKProcessGetMemoryUsage(&active, &inactive, &wired, &freeMemory)) {
        CRKSDKLOG_WARN("Unable to get process memory usage\n");
        return;
    }
    if (!CRKProcessGetInfo(process, &virtualSize, &residentSize, &userTime, &systemTime)) {
        CRKSDKLOG_WARN("Unable to get process stats\n");
        return;
    }
    CRKFileWriteSectionStart(file, "process_stats");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryUInt64(file, "active", active);
    CRKFileWriteHashEntryUInt64(file, "inactive", inactive);
    CRKFileWriteHashEntryUInt64(file, "wired", wired);
    CRKFileWriteHashEntryUInt64(file, "freeMem", freeMemory);
    CRKFileWriteHashEntryUInt64(file, "free_mem", freeMemory);
    CRKFileWriteHashEntryUInt64(file, "virtual", virtualSize);
    CRKFileWriteHashEntryUInt64(file, "resident", residentSize);
    CRKFileWriteHashEntryUInt64(file, "user_time", userTime);
    CRKFileWriteHashEntryUInt64(file, "sys_time", systemTime);
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

void CRKProcessRecord(CRKFile* file, uint64_t crashedThread, const void* machineContext) {
    CRKProcess process;
    CRKProcessInit(&process, CRKThread(crashedThread), static_cast<const ucontext_t*>(machineContext));
    if (!CRKProcessSuspendAllOtherThreads(&process)) CRKSDKLOG_WARN("Not every thread could be stopped\n");
    // Libraries loaded since the image table last heard, a moment ago by another thread say: the stacks
    // below are walked through their call-frame sections, and the report must list them.
    CRKBinaryImageSafeSyncWithLoader();
    CRKProcessRecordAllThreads(&process, file);
    CRKProcessRecordRuntimeInfo(&process, file);
    CRKProcessRecordDispatchQueueNames(&process, file);
    CRKProcessRecordThreadNames(&process, file);
    CRKProcessRecordStats(&process, file);
    CRKProcessResumeAllOtherThreads(&process);
    // A record the binary-images queue was writing when its thread was stopped is the queue's to finish
    // (the sync above left it alone, so that it is not written twice); the process must not end first.
    CRKBinaryImageSafeAwaitRecordsBeingWritten(kAwaitRecordsNanoseconds);
    CRKProcessDestroy(&process);
}

}  // namespace reporting
