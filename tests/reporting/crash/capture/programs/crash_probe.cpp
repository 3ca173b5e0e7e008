// The crash probe: a program that starts the crash kit as the application does and then crashes in
// one of many hostile ways, so that tests (and the benchmark) can check what the kit leaves on disk.
// It is built without sanitizers: they bring signal handlers and allocators of their own.
//
//   crash_probe <kind> <report folder> [idle threads]
//
// Before it crashes it writes "<report folder>.facts": one line "fn <start> <end>" per crash function,
// one line "stack <low> <high>" per thread about to crash and, for the kinds that crash as the kit starts,
// one line "image <path>" per object the loader had mapped before the kit started, so that a test can
// check that the record has the crashed thread's stack pointer inside its stack and a frame inside a crash
// function. The benchmark kind writes the monotonic time (nanoseconds) to standard output just before its
// fault.
#include <dirent.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <iconv.h>
#include <link.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Exception.h"
#include "platform/base/ThreadSignalStack.h"
#include "platform/mach/ImageLoader.h"
#include "platform/mach/Mach.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Application.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKSignal.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/symbolication/CRKProcessReportOperation.h"
#include "tests/reporting/crash/capture/programs/CrashProbeKinds.h"
#include "tests/reporting/crash/capture/programs/ProbeWithoutUnwindInfo.h"

namespace {

std::string gFactsPath;
std::mutex gFactsMutex;

void writeFact(const std::string& line) {
    std::lock_guard<std::mutex> lock(gFactsMutex);
    FILE* facts = fopen(gFactsPath.c_str(), "a");
    if (!facts) return;
    fprintf(facts, "%s\n", line.c_str());
    fclose(facts);
}

void writeFunctionRange(const void* function) {
    Dl_info info;
    void* entry = nullptr;
    if (!dladdr1(function, &info, &entry, RTLD_DL_SYMENT) || !entry) return;
    const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
    const uintptr_t start = reinterpret_cast<uintptr_t>(info.dli_saddr);
    writeFact("fn " + std::to_string(start) + " " + std::to_string(start + symbol->st_size));
}

void writeOwnStack() {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return;
    void* low = nullptr;
    size_t size = 0;
    pthread_attr_getstack(&attributes, &low, &size);
    pthread_attr_destroy(&attributes);
    const uintptr_t start = reinterpret_cast<uintptr_t>(low);
    writeFact("stack " + std::to_string(start) + " " + std::to_string(start + size));
}

std::atomic<uint32_t> gForever{0};

void idleForever() {
    for (;;) pause();
}

void* volatile gNull = nullptr;
void (*volatile gNullFunction)() = nullptr;
// Read at run time, so that the compiler sees neither endless recursion nor a fixed overflow.
volatile int gDepthLimit = 1 << 30;
volatile size_t gOverrun = 16;

// The compiler cannot see through an empty assembly statement: what passes through it may have been
// read, written or replaced, so allocations and stores around it stay as written.
inline void* opaqueBlock(void* pointer) {
    asm volatile("" : "+r"(pointer) : : "memory");
    return pointer;
}

// Work left after the crashing call, so that the call is not turned into a jump (a tail call) that
// would leave the crash function's frame off the stack.
inline void keepFrame() {
    asm volatile("" : : : "memory");
}

}  // namespace

// The crash functions are extern "C" and exported, so that their extent can be looked up by name. The
// optimised build must keep each one whole under its own name: not inlined into its caller, and not
// cloned for a constant argument (a clone has a name of its own, outside the extent the test checks).
#if defined(__clang__)
#define PROBE_CRASH_FUNCTION __attribute__((noinline))
#else
#define PROBE_CRASH_FUNCTION __attribute__((noinline, noclone))
#endif

extern "C" {

PROBE_CRASH_FUNCTION void probe_crash_null() {
    *static_cast<volatile int*>(gNull) = 1;
}

PROBE_CRASH_FUNCTION void probe_crash_null_call() {
    gNullFunction();
    keepFrame();
}

PROBE_CRASH_FUNCTION void probe_crash_abort() {
    abort();
}

// The start routine of the thread that aborts, named so that the report can be checked to walk from
// the crash into it.
PROBE_CRASH_FUNCTION void* probe_crash_thread_main(void*) {
    writeOwnStack();
    probe_crash_abort();
    keepFrame();
    return nullptr;
}

PROBE_CRASH_FUNCTION int probe_crash_recurse(int depth) {
    volatile char frame[256];
    frame[0] = char(depth);
    if (depth > gDepthLimit) return 0;
    return probe_crash_recurse(depth + 1) + frame[0];
}

PROBE_CRASH_FUNCTION void probe_crash_heap() {
    // A block of the arena (not the per-thread cache, not its own mapping) whose neighbour's size field
    // is overwritten: freeing it makes the allocator abort while it holds the arena's lock. An optimiser
    // that sees a malloc, a write and a free of the same block drops all three; the pointers pass through
    // opaqueBlock, so it no longer knows where the blocks came from.
    char* block = static_cast<char*>(opaqueBlock(malloc(4000)));
    void* neighbour = opaqueBlock(malloc(4000));
    memset(block, 0x41, 4000 + gOverrun);
    free(opaqueBlock(block));
    free(opaqueBlock(neighbour));
    keepFrame();
}

PROBE_CRASH_FUNCTION void probe_crash_sigbus(const char* folder) {
    const std::string path = std::string(folder) + ".mapped";
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (ftruncate(descriptor, 2 * 4096) != 0) _exit(3);
    auto* mapping = static_cast<volatile char*>(
        mmap(nullptr, 2 * 4096, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0));
    if (ftruncate(descriptor, 0) != 0) _exit(3);
    mapping[4096] = 1;
}

PROBE_CRASH_FUNCTION int probe_crash_fpe(int divisor) {
    volatile int zero = divisor;
    return 100 / zero;
}

PROBE_CRASH_FUNCTION void probe_crash_ill() {
    __builtin_trap();
}

PROBE_CRASH_FUNCTION void probe_crash_raise_bus() {
    raise(SIGBUS);
    keepFrame();
}

class ProbeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

PROBE_CRASH_FUNCTION void probe_crash_throw(int what) {
    switch (what) {
        case 0:
            throw "probe C string";
        case 1:
            throw std::string("probe std::string");
        case 2:
            throw ProbeError("probe runtime error");
        case 4:
            throw static_cast<std::exception*>(new ProbeError("probe error by pointer"));
        default:
            throw 42;
    }
}

PROBE_CRASH_FUNCTION void probe_crash_platform_exception() {
    // The application object's top level: what reaches it is reported through reportException.
    try {
        throw platform::Exception("ProbeException", "probe reason");
    } catch (const platform::Exception& exception) {
        platform::Application::shared().reportException(exception);
    }
}

// Sends the exception server a message about this task's main thread (or, with otherTask, about a
// task that is not this one), as the kernel would for a bad access, and exits with a status of its own
// once the expected reply (success, or failure for another task) has come back.
PROBE_CRASH_FUNCTION int probe_crash_mach(bool otherTask) {
    namespace mach = platform::mach;
    mach::ExceptionPorts current = {};
    if (mach::taskGetExceptionPorts(mach::taskSelf(), mach::kMaskBadAccess, &current) != mach::kSuccess ||
        current.count != 1 || current.ports[0] == mach::kNullPort)
        return 8;
    mach::Port replyPort = mach::kNullPort;
    if (mach::portAllocate(&replyPort) != mach::kSuccess) return 8;
    mach::ExceptionRequest request = {};
    request.header.bits = mach::kCopySend | mach::kMakeSendOnce << 8 | mach::kMessageComplex;
    request.header.size = sizeof request - 8;
    request.header.remotePort = current.ports[0];
    request.header.localPort = replyPort;
    request.header.id = mach::kExceptionRaiseId;
    request.descriptorCount = 2;
    request.thread.name = uint32_t(mach::threadSelf());
    request.task.name = uint32_t(mach::taskSelf() + (otherTask ? 1 : 0));
    request.exception = 1;
    request.codeCount = 2;
    request.codes[0] = 1;
    request.codes[1] = 0x10;
    if (mach::send(&request.header, sizeof request - 8) != mach::kSuccess) return 8;
    mach::ExceptionReply reply = {};
    if (mach::receive(replyPort, &reply, sizeof reply, 5'000'000'000) != mach::kSuccess) return 9;
    if (reply.header.id != mach::kExceptionRaiseId + 100 || reply.header.remotePort != mach::kNullPort)
        return 10;
    if (otherTask) return reply.returnCode == mach::kFailure ? crashprobe::kMachFailureReplyExit : 11;
    if (reply.returnCode != mach::kSuccess) return 11;
    // The server put back what was registered before it (nothing) before it recorded.
    if (mach::taskGetExceptionPorts(mach::taskSelf(), mach::kMaskBadAccess, &current) != mach::kSuccess ||
        current.ports[0] != mach::kNullPort)
        return 12;
    return crashprobe::kMachReplyExit;
}

}  // extern "C"

// The crash handler never faulting itself: the loader's list damaged before the crash, a crash the
// instant the handler is installed, an overflow on a thread the program started.
namespace {

// Taken when the program is loaded, so that calling it later does not go through lazy binding: after
// the damage below only the handler's own calls may meet the loader's state.
void (*volatile gAbortFunction)() = abort;

// The damage comes only once the kit's start-up is over and the workers that ran it have ended. A
// worker finishing a start-up block still makes calls of its own (the block's group destroyed, the
// worker parked again), and the system's libraries bind their calls lazily: one of them resolved
// through the damaged entry faults on that worker, and the report then rightly names that crash, the
// first, instead of the program's abort. Waiting for all queued work to finish and for the workers to
// be joined is an event, not a time: afterwards no worker is left to make a call. The queues are then
// opened again, as the kit left them.
bool endTheKitsStartUpWork() {
    if (!platform::DispatchQueue::finishAllWork(30)) return false;
    platform::DispatchQueue::reopenForTesting();
    return true;
}

// The kit's Mach exception server, a thread of its own started with the kit, makes calls of its own
// until it waits for its first message: under a heavy load it may not even have started by the time the
// start-up work is over. Its wait's lazily bound call into the C library (the condition variable's
// pthread_cond_wait, in the C++ library), made after the damage, resolves through the damaged entry and
// faults on that thread (moved by a page, it lands in pthread_create), and that fault is then the crash
// recorded, not the abort (unless someone else's wait bound that call first). So the damage waits for
// the thread to be parked in that wait: named (its name is set just before it first receives) and asleep
// in a futex wait, which the uncontended lock before it never makes.
bool theMachServerIsParked() {
    const reporting::CRKReadOnlyContext* readonly = reporting::CRKSharedContext().readonly;
    if (!readonly || !readonly->mach.thread) return true;  // no server was started
    const std::string name =
        (std::string(reporting::CRKReverseDomainPrefix) + ".crashkit.mac.MachExceptionServer").substr(0, 15);
    const auto readLine = [](const std::string& path) {
        char line[256] = {};
        const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const ssize_t length = file >= 0 ? read(file, line, sizeof line - 1) : -1;
        if (file >= 0) close(file);
        return std::string(line, length > 0 ? size_t(length) : 0);
    };
    const struct timespec pause = {0, 1'000'000};
    for (int polls = 0; polls < 30'000; polls++, nanosleep(&pause, nullptr)) {
        DIR* tasks = opendir("/proc/self/task");
        if (!tasks) return false;
        bool parked = false;
        while (const dirent* task = readdir(tasks)) {
            const std::string folder = std::string("/proc/self/task/") + task->d_name;
            if (task->d_name[0] == '.' || readLine(folder + "/comm") != name + "\n") continue;
            parked = atol(readLine(folder + "/syscall").c_str()) == SYS_futex;
        }
        closedir(tasks);
        if (parked) return true;
    }
    return false;
}

}  // namespace

extern "C" {

// A wild write moves the C library's entry in the loader's list (by a page, or its load address to 0),
// then the program aborts. The loader resolves a lazily bound call from that entry: it would land in
// the wrong code.
PROBE_CRASH_FUNCTION void probe_crash_damaged_libc_entry(bool zero) {
    Dl_info info;
    link_map* entry = nullptr;
    if (!dladdr1(reinterpret_cast<void*>(&abort), &info, reinterpret_cast<void**>(&entry), RTLD_DL_LINKMAP) ||
        !entry)
        _exit(8);
    entry->l_addr = zero ? 0 : entry->l_addr + 4096;
    gAbortFunction();
    keepFrame();
}

// Polls until the kit's SIGSEGV handler is in place, then faults at once: the kit is still starting.
PROBE_CRASH_FUNCTION void* probe_crash_at_handler_install(void*) {
    writeOwnStack();
    struct sigaction current = {};
    while (sigaction(SIGSEGV, nullptr, &current) != 0 || !(current.sa_flags & SA_SIGINFO) ||
           current.sa_sigaction != reporting::CRKSignalHandler) {
    }
    probe_crash_null();
    keepFrame();
    return nullptr;
}

// 4 KB a frame, each of its pages written: a frame larger than the guard page below the stack would
// otherwise step over it.
PROBE_CRASH_FUNCTION int probe_crash_recurse_pages(int depth) {
    volatile char frame[4096];
    for (size_t at = 0; at < sizeof frame; at += 512) frame[at] = char(depth);
    if (depth > gDepthLimit) return 0;
    return probe_crash_recurse_pages(depth + 1) + frame[0];
}

}  // extern "C"

namespace {

class FaultingCallback : public reporting::CRKCrashCallbackTarget {
public:
    void deliverCrashDelegateCallback() override { probe_crash_null(); }
};

class AllocatingCallback : public reporting::CRKCrashCallbackTarget {
public:
    void deliverCrashDelegateCallback() override {
        void* volatile block = malloc(32);
        free(block);
    }
};

void recordFunctions() {
    for (const void* function :
         {reinterpret_cast<const void*>(probe_crash_null), reinterpret_cast<const void*>(probe_crash_recurse),
          reinterpret_cast<const void*>(probe_crash_heap), reinterpret_cast<const void*>(probe_crash_sigbus),
          reinterpret_cast<const void*>(probe_crash_fpe), reinterpret_cast<const void*>(probe_crash_ill),
          reinterpret_cast<const void*>(probe_crash_raise_bus),
          reinterpret_cast<const void*>(probe_crash_throw),
          reinterpret_cast<const void*>(probe_crash_platform_exception),
          reinterpret_cast<const void*>(probe_crash_mach),
          reinterpret_cast<const void*>(probe_crash_null_call),
          reinterpret_cast<const void*>(probe_crash_abort),
          reinterpret_cast<const void*>(probe_crash_thread_main),
          reinterpret_cast<const void*>(probe_crash_damaged_libc_entry),
          reinterpret_cast<const void*>(probe_crash_at_handler_install),
          reinterpret_cast<const void*>(probe_crash_recurse_pages)}) {
        writeFunctionRange(function);
    }
}

// The loader's test libraries, loaded only now that the kit runs: the outer one loads the inner one
// with its own dlopen and calls into it with a null pointer. The extents of both crash functions go to
// the facts file once they are loaded.
int crashInLoadedLibrary() {
#if defined(KESTRUNE_LOADER_OUTER) && defined(KESTRUNE_LOADER_INNER)
    void* outer = dlopen(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    if (!outer) return 8;
    auto load = reinterpret_cast<void* (*)(const char*)>(dlsym(outer, "kestrune_loader_outer_load"));
    auto crash = reinterpret_cast<void (*)(void*)>(dlsym(outer, "kestrune_loader_outer_crash"));
    void* inner = load ? load(KESTRUNE_LOADER_INNER) : nullptr;
    void* fault = inner ? dlsym(inner, "kestrune_loader_inner_fault") : nullptr;
    if (!crash || !fault) return 8;
    writeFunctionRange(fault);
    writeFunctionRange(reinterpret_cast<const void*>(crash));
    crash(inner);
#endif
    return 7;
}

// The outer test library is loaded as the application loads its own (and so read at once); the inner
// one, which it loads itself, and the converter that the C library loads for iconv_open are not read by
// anyone before the fault, which comes at once, in the program.
int crashJustAfterLoads() {
#if defined(KESTRUNE_LOADER_OUTER) && defined(KESTRUNE_LOADER_INNER)
    void* outer = platform::mach::ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    auto load = outer ? reinterpret_cast<void* (*)(const char*)>(dlsym(outer, "kestrune_loader_outer_load"))
                      : nullptr;
    void* inner = load ? load(KESTRUNE_LOADER_INNER) : nullptr;
    void* fault = inner ? dlsym(inner, "kestrune_loader_inner_fault") : nullptr;
    void* crash = dlsym(outer, "kestrune_loader_outer_crash");
    if (!fault || !crash) return 8;
    writeFunctionRange(fault);
    writeFunctionRange(crash);
    if (iconv_open(crashprobe::kConverterCharset, "UTF-8") == iconv_t(-1)) return 9;
    probe_crash_null();
#endif
    return 7;
}

// Every object the loader has mapped, by path (the program's own by its file).
void writeMappedImages() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) -> int {
            if (info->dlpi_name && info->dlpi_name[0] == '/')
                writeFact(std::string("image ") + info->dlpi_name);
            return 0;
        },
        nullptr);
}

// A wild write into the loader's list of objects, as memory corruption would make: everything after the
// program's own entry is cut off. Then a thread of the probe's aborts.
int crashAfterCuttingTheLoadersList() {
    r_debug* debug = nullptr;
    for (const ElfW(Dyn)* entry = _DYNAMIC; entry->d_tag != DT_NULL; entry++) {
        if (entry->d_tag == DT_DEBUG) debug = reinterpret_cast<r_debug*>(entry->d_un.d_ptr);
    }
    if (!debug || !debug->r_map) return 8;
    debug->r_map->l_next = nullptr;
    pthread_t thread;
    if (pthread_create(&thread, nullptr, probe_crash_thread_main, nullptr) != 0) return 9;
    pthread_join(thread, nullptr);
    return 7;
}

// The preloaded library throws on a thread of its own; its two functions' extents go to the facts.
int throwOnThePreloadedLibrarysThread() {
    auto start = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "kestrune_preload_throw_on_thread"));
    void* thrower = dlsym(RTLD_DEFAULT, "kestrune_preload_throw");
    void* body = dlsym(RTLD_DEFAULT, "kestrune_preload_thread_main");
    if (!start || !thrower || !body) return 8;
    writeFunctionRange(thrower);
    writeFunctionRange(body);
    start();
    return 7;
}

sem_t gServerAnswered;
volatile int gServerStackFlags = -1;
volatile size_t gServerStackSize = 0;

// Run on the exception server's thread: what alternate stack the thread has, as the handler finds it.
void tellServerStack(int) {
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0) {
        gServerStackFlags = current.ss_flags;
        gServerStackSize = current.ss_size;
    }
    sem_post(&gServerAnswered);
}

// Asks the exception server's thread what alternate stack it has, with a signal whose handler asks for
// one, once the server has answered a message (it is past its start and waiting for the next), and
// writes "<flags> <size>" as the handler found them.
int tellTheServersSignalStack() {
    if (probe_crash_mach(true) != crashprobe::kMachFailureReplyExit) return 8;
    const reporting::CRKReadOnlyContext* readonly = reporting::CRKSharedContext().readonly;
    if (!readonly || sem_init(&gServerAnswered, 0, 0) != 0) return 8;
    struct sigaction action = {};
    action.sa_handler = tellServerStack;
    action.sa_flags = SA_ONSTACK | SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGUSR2, &action, nullptr) != 0) return 8;
    if (pthread_kill(readonly->mach.thread, SIGUSR2) != 0) return 9;
    while (sem_wait(&gServerAnswered) != 0)
        if (errno != EINTR) return 9;
    printf("%d %zu\n", gServerStackFlags, gServerStackSize);
    return crashprobe::kMachServerStackExit;
}

int loadOriginSibling() {
#if defined(KESTRUNE_ORIGIN_LOADER)
    void* loader = dlopen(KESTRUNE_ORIGIN_LOADER, RTLD_NOW | RTLD_LOCAL);
    auto byName =
        loader ? reinterpret_cast<void* (*)()>(dlsym(loader, "kestrune_origin_load_by_name")) : nullptr;
    auto fromOrigin =
        loader ? reinterpret_cast<void* (*)()>(dlsym(loader, "kestrune_origin_load_from_origin")) : nullptr;
    if (!byName || !fromOrigin) return 8;
    const bool named = byName() != nullptr;
    const bool found = fromOrigin() != nullptr;
    if (named && found) return crashprobe::kOriginSiblingLoadedExit;
    fprintf(stderr, "sibling by name: %s, through $ORIGIN: %s\n", named ? "loaded" : "not loaded",
            found ? "loaded" : "not loaded");
    return 9;
#else
    return 7;
#endif
}

}  // namespace

// Crashes the handler itself used to fault on, or walked from made-up callers.

// Functions whose every instruction matters, in assembly with their call-frame rules:
// - probe_crash_wild_call(target) calls `target` with rbp = 0, as optimised code often leaves it;
// - probe_crash_smashed_return returns through a return address overwritten with 0, with a pointer to
//   probe_never_called (which nothing calls; the bytes before it are no call) just above it;
// - probe_interrupted_at_entry faults on its first byte, right after probe_before_interrupted ends.
asm(R"(
    .pushsection .text
    .globl probe_crash_wild_call
    .type probe_crash_wild_call, @function
probe_crash_wild_call:
    .cfi_startproc
    push %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    xor %ebp, %ebp
    call *%rdi
    pop %rbp
    .cfi_def_cfa_offset 8
    ret
    .cfi_endproc
    .size probe_crash_wild_call, .-probe_crash_wild_call

    .globl probe_crash_smashed_return
    .type probe_crash_smashed_return, @function
probe_crash_smashed_return:
    .cfi_startproc
    lea probe_never_called(%rip), %rax
    push %rax
    .cfi_def_cfa_offset 16
    push $0
    .cfi_def_cfa_offset 24
    ret
    .cfi_endproc
    .size probe_crash_smashed_return, .-probe_crash_smashed_return
    .byte 0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0xcc, 0xcc
    .globl probe_never_called
    .type probe_never_called, @function
probe_never_called:
    .cfi_startproc
    ret
    .cfi_endproc
    .size probe_never_called, .-probe_never_called

    .globl probe_before_interrupted
    .type probe_before_interrupted, @function
probe_before_interrupted:
    .cfi_startproc
    ret
    .cfi_endproc
    .size probe_before_interrupted, .-probe_before_interrupted
    .globl probe_interrupted_at_entry
    .type probe_interrupted_at_entry, @function
probe_interrupted_at_entry:
    .cfi_startproc
    ud2
    ret
    .cfi_endproc
    .size probe_interrupted_at_entry, .-probe_interrupted_at_entry
    .popsection
)");

namespace {

// The write of the plugin's "load" record that the binary-images queue makes is held (for kind
// kRecordBeingWritten) through the crash, until the crashed thread sleeps in the handler's wait for
// records being written, once the handler has let the other threads go again: a handler that did not
// wait ends the process before the write, whatever the scheduler does. Everything else is written at
// once.
std::atomic<bool> gHoldPluginRecord{false};
std::atomic<bool> gPluginRecordHeld{false};
std::atomic<pid_t> gCrashingThread{0};
constexpr char kPluginRecordStart[] = "{\"load\":{\"path\":\"";
constexpr char kPluginFile[] = "libkestrune_loader_inner.so";

bool isPluginRecord(const void* bytes, size_t length) {
    const size_t start = sizeof kPluginRecordStart - 1;
    return length > start && memcmp(bytes, kPluginRecordStart, start) == 0 &&
           memmem(bytes, length, kPluginFile, sizeof kPluginFile - 1) != nullptr;
}

// Whether the thread sleeps in nanosleep (the crash handler's wait polls with it), as the kernel says.
bool asleepInNanosleep(pid_t thread) {
    char path[64];
    snprintf(path, sizeof path, "/proc/self/task/%d/syscall", int(thread));
    const int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    char text[32] = {};
    const ssize_t length = read(descriptor, text, sizeof text - 1);
    close(descriptor);
    if (length <= 0) return false;  // a thread on a processor reads "running", no number
    const long number = strtol(text, nullptr, 10);
    return number == SYS_nanosleep || number == SYS_clock_nanosleep;
}

void holdThePluginRecord() {
    gPluginRecordHeld.store(true, std::memory_order_release);
    // Nothing of the crash handler sleeps but that wait, and the crashing thread sleeps no more once it
    // is named. Bounded: a run that never crashes writes after 30 s; one whose handler never waits has
    // ended by then.
    for (int i = 0; i < 30000; i++) {
        const pid_t crashing = gCrashingThread.load();
        if (crashing != 0 && asleepInNanosleep(crashing)) return;
        usleep(1000);
    }
}

}  // namespace

extern "C" {

void probe_crash_wild_call(void (*target)());
void probe_crash_smashed_return();
void probe_interrupted_at_entry();

ssize_t write(int descriptor, const void* bytes, size_t length) {
    if (gHoldPluginRecord.load(std::memory_order_acquire) && isPluginRecord(bytes, length) &&
        gHoldPluginRecord.exchange(false)) {
        holdThePluginRecord();
    }
    return syscall(SYS_write, descriptor, bytes, length);
}

PROBE_CRASH_FUNCTION int probe_crash_unloaded_call(int (*function)()) {
    const int value = function();
    keepFrame();
    return value;
}

// Where the wild call is made from: the frame above the one that made it.
PROBE_CRASH_FUNCTION void probe_crash_wild_call_site() {
    probe_crash_wild_call(reinterpret_cast<void (*)()>(uintptr_t(0xdead0000)));
    keepFrame();
}

PROBE_CRASH_FUNCTION void probe_crash_signal_handler(int) {
    probe_crash_null();
    keepFrame();
}

PROBE_CRASH_FUNCTION void probe_crash_in_signal_handler() {
    struct sigaction action = {};
    action.sa_handler = probe_crash_signal_handler;
    sigaction(SIGILL, &action, nullptr);
    probe_interrupted_at_entry();
    keepFrame();
}

PROBE_CRASH_FUNCTION void probe_crash_throw_nested() {
    std::throw_with_nested(std::logic_error("probe nested"));
}

}  // extern "C"

namespace {

void recordUnwindKindFunctions() {
    for (const void* function : {reinterpret_cast<const void*>(probe_crash_unloaded_call),
                                 reinterpret_cast<const void*>(probe_crash_wild_call),
                                 reinterpret_cast<const void*>(probe_crash_in_signal_handler),
                                 reinterpret_cast<const void*>(probe_crash_throw_nested)}) {
        writeFunctionRange(function);
    }
}

// The plugin, loaded the program's way (so the table knows it at once), is closed again: its memory is
// gone, and the table has not heard of it. Then the pointer kept to its function is called.
int callIntoAnUnloadedPlugin() {
#if defined(KESTRUNE_LOADER_INNER)
    void* plugin = platform::mach::ImageLoader::load(KESTRUNE_LOADER_INNER, RTLD_NOW | RTLD_LOCAL);
    auto function =
        plugin ? reinterpret_cast<int (*)()>(dlsym(plugin, "kestrune_loader_inner_value")) : nullptr;
    if (!function || dlclose(plugin) != 0) return 8;
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(function), &info) != 0) return 9;  // still mapped
    return probe_crash_unloaded_call(function);
#else
    return 7;
#endif
}

// The plugin is loaded the program's way; the queue's write of its record is held, and the program
// crashes meanwhile.
int crashWhileTheQueueWritesARecord() {
#if defined(KESTRUNE_LOADER_INNER)
    gHoldPluginRecord.store(true, std::memory_order_release);
    if (!platform::mach::ImageLoader::load(KESTRUNE_LOADER_INNER, RTLD_NOW | RTLD_LOCAL)) return 8;
    for (int i = 0; i < 5000 && !gPluginRecordHeld.load(std::memory_order_acquire); i++) usleep(1000);
    if (!gPluginRecordHeld.load(std::memory_order_acquire)) return 9;
    gCrashingThread.store(pid_t(syscall(SYS_gettid)));
    probe_crash_null();
#endif
    return 7;
}

// Whether the file holds a record naming `path` yet, asked again for at most 5 s.
bool awaitRecordOf(const std::string& file, const char* path) {
    for (int i = 0; i < 5000; i++) {
        FILE* records = fopen(file.c_str(), "r");
        std::string text;
        char buffer[4096];
        for (size_t n; records && (n = fread(buffer, 1, sizeof buffer, records)) > 0;) text.append(buffer, n);
        if (records) fclose(records);
        if (text.find(path) != std::string::npos) return true;
        usleep(1000);
    }
    return false;
}

// Plugin A is loaded the program's way, called, and its record waited for; then closed, and plugin B,
// of the same layout, opened with the loader alone where A lay. Nothing reads the loader's list again
// (no main run loop turns here), so the table still holds A there. The pointer kept to A's function
// runs B's, which faults in B.
int callIntoAPluginOpenedWhereAnotherWasClosed(const std::string& root) {
#if defined(SAME_LAYOUT_PLUGIN_A)
    using Write = int (*)(volatile int*);
    void* first = platform::mach::ImageLoader::load(SAME_LAYOUT_PLUGIN_A, RTLD_NOW | RTLD_LOCAL);
    const auto write = first ? reinterpret_cast<Write>(dlsym(first, "kestrune_same_layout_write")) : nullptr;
    volatile int target = 0;
    if (!write || write(&target) != 1) return 8;
    if (!awaitRecordOf(root + "/binary_images.crkrecord", SAME_LAYOUT_PLUGIN_A)) return 9;
    if (dlclose(first) != 0) return 8;
    void* second = dlopen(SAME_LAYOUT_PLUGIN_B, RTLD_NOW | RTLD_LOCAL);
    if (!second || reinterpret_cast<Write>(dlsym(second, "kestrune_same_layout_write")) != write)
        return 10;  // not opened where the first lay
    write(nullptr);
#endif
    return 7;
}

// How many times the record file names `text` so far.
int recordsNaming(const std::string& file, const std::string& text) {
    FILE* records = fopen(file.c_str(), "r");
    std::string all;
    char buffer[4096];
    for (size_t n; records && (n = fread(buffer, 1, sizeof buffer, records)) > 0;) all.append(buffer, n);
    if (records) fclose(records);
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size())) count++;
    return count;
}

// How a build is written over the plugin's path: as a build or an update writes it, a new file renamed
// over it; or into the old file, truncated (as cp does); or as a new file, the old one removed first (as
// install and the linker do).
enum class Rewrite { RenamedOver, InPlace, Anew };

bool copyFile(const char* build, const std::string& path) {
    FILE* from = fopen(build, "rb");
    FILE* to = fopen(path.c_str(), "wb");
    bool copied = from && to;
    char buffer[65536];
    for (size_t n; copied && (n = fread(buffer, 1, sizeof buffer, from)) > 0;)
        copied = fwrite(buffer, 1, n, to) == n;
    if (from) fclose(from);
    if (to) copied = fclose(to) == 0 && copied;
    return copied;
}

bool writeBuild(const char* build, const std::string& path, Rewrite how = Rewrite::RenamedOver) {
    switch (how) {
        case Rewrite::RenamedOver:
            return copyFile(build, path + ".next") && rename((path + ".next").c_str(), path.c_str()) == 0;
        case Rewrite::InPlace:
            return copyFile(build, path);
        case Rewrite::Anew:
            return unlink(path.c_str()) == 0 && copyFile(build, path);
    }
    return false;
}

// Plugin A is copied to a path of its own beside the report folder, loaded the program's way, called and
// its record waited for; then closed, another build written over its file (renamed over it, in place or
// anew, as the kind says), and the file opened again with the loader alone, where A lay. For the reading kind
// the loader's list is then read again, as the main run loop would at its next pass, and the new build's
// record waited for. Then a call into the new build faults: through the pointer kept to A's function, or, for
// the longer build, through its own function, which lies past the end of A's code.
int callIntoARebuiltPluginOpenedWhereItLay(const std::string& kind, const std::string& root) {
#if defined(SAME_LAYOUT_PLUGIN_A)
    using Write = int (*)(volatile int*);
    const bool longer = kind == crashprobe::kLongerRebuildReopened;
    const Rewrite how = kind == crashprobe::kRebuiltInPlaceReopened ? Rewrite::InPlace
                        : kind == crashprobe::kRebuiltAnewReopened  ? Rewrite::Anew
                                                                    : Rewrite::RenamedOver;
    const std::string path = root + ".plugin.so";
    const std::string records = root + "/binary_images.crkrecord";
    if (!writeBuild(SAME_LAYOUT_PLUGIN_A, path)) return 11;
    void* first = platform::mach::ImageLoader::load(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto write = first ? reinterpret_cast<Write>(dlsym(first, "kestrune_same_layout_write")) : nullptr;
    volatile int target = 0;
    if (!write || write(&target) != 1) return 8;
    if (!awaitRecordOf(records, path.c_str())) return 9;
    if (dlclose(first) != 0) return 8;
    if (!writeBuild(longer ? SAME_LAYOUT_PLUGIN_C : SAME_LAYOUT_PLUGIN_B, path, how)) return 11;
    void* second = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto own = second ? reinterpret_cast<Write>(dlsym(second, "kestrune_same_layout_write")) : nullptr;
    Dl_info before, now;
    if (!own || !dladdr(reinterpret_cast<void*>(write), &before) ||
        !dladdr(reinterpret_cast<void*>(own), &now) || before.dli_fbase != now.dli_fbase)
        return 10;  // not opened where the first lay
    if (kind == crashprobe::kRebuiltReopenedRead) {
        platform::mach::ImageLoader::noticeChanges();
        // The first build's load, its unload and the new build's load.
        for (int i = 0; i < 5000 && recordsNaming(records, path) < 3; i++) usleep(1000);
        if (recordsNaming(records, path) < 3) return 9;
    }
    (longer ? own : write)(nullptr);
#else
    (void)kind;
    (void)root;
#endif
    return 7;
}

// The walk the crash handler makes of the loader's list, timed with every listed object in the image
// table: copies of the loader's small test library, each a file of its own, are loaded the program's way
// until the list holds `objects` objects; one walk writes what records the table's queue has not yet, and
// the mean of the walks after it is printed in nanoseconds.
int timeTheLoaderWalk(const std::string& root, int objects) {
#if defined(KESTRUNE_LOADER_INNER)
    const auto listed = [] {
        int count = 0;
        dl_iterate_phdr([](dl_phdr_info*, size_t, void* data) { return ++*static_cast<int*>(data), 0; },
                        &count);
        return count;
    };
    const std::string folder = root + ".walk";
    mkdir(folder.c_str(), 0700);
    std::vector<void*> copies;
    for (int i = 0; listed() < objects; i++) {
        const std::string path = folder + "/libwalk-" + std::to_string(i) + ".so";
        if (!writeBuild(KESTRUNE_LOADER_INNER, path)) return 11;
        void* copy = platform::mach::ImageLoader::load(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!copy) return 8;
        copies.push_back(copy);
    }
    if (listed() != objects) return 10;
    reporting::CRKBinaryImageSafeSyncWithLoader();
    constexpr int kWalks = 2000;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int i = 0; i < kWalks; i++) reporting::CRKBinaryImageSafeSyncWithLoader();
    clock_gettime(CLOCK_MONOTONIC, &end);
    const int64_t nanoseconds =
        (int64_t(end.tv_sec) - start.tv_sec) * 1'000'000'000 + end.tv_nsec - start.tv_nsec;
    printf("%lld\n", static_cast<long long>(nanoseconds / kWalks));
    fflush(stdout);
    for (void* copy : copies) dlclose(copy);
    return 0;
#else
    (void)root;
    (void)objects;
    return 7;
#endif
}

// Dispatches the kinds above; -1 for any other kind.
int crashOfTheUnwindKinds(const std::string& kind, const std::string& root) {
    if (kind == crashprobe::kUnloadedCall) return callIntoAnUnloadedPlugin();
    if (kind == crashprobe::kOpenedWhereClosed) return callIntoAPluginOpenedWhereAnotherWasClosed(root);
    if (kind == crashprobe::kRebuiltReopened || kind == crashprobe::kRebuiltReopenedRead ||
        kind == crashprobe::kLongerRebuildReopened || kind == crashprobe::kRebuiltInPlaceReopened ||
        kind == crashprobe::kRebuiltAnewReopened)
        return callIntoARebuiltPluginOpenedWhereItLay(kind, root);
    if (kind == crashprobe::kWildCall) probe_crash_wild_call_site();
    if (kind == crashprobe::kSmashedReturn) probe_crash_smashed_return();
    if (kind == crashprobe::kRecordBeingWritten) return crashWhileTheQueueWritesARecord();
    if (kind == crashprobe::kCrashInSignalHandler) probe_crash_in_signal_handler();
    if (kind == crashprobe::kThrowNested) probe_crash_throw_nested();
    return -1;
}

}  // namespace

// Code without unwind information, walked by its frame pointers alone.

extern "C" {

// The start routine of the thread that recurses: the frame above the recursion's, with unwind information.
PROBE_CRASH_FUNCTION void* probe_crash_fp_recursion_thread(void*) {
    writeOwnStack();
    probe_fp_recursion(crashprobe::kFramePointerRecursionCalls);
    keepFrame();
    return nullptr;
}

}  // extern "C"

namespace {

void writeNamedRange(const std::string& name, uint64_t low, uint64_t high) {
    writeFact("named " + name + " " + std::to_string(low) + " " + std::to_string(high));
}

void writeNamedFunction(const std::string& name, const void* function) {
    Dl_info info;
    void* entry = nullptr;
    if (!dladdr1(function, &info, &entry, RTLD_DL_SYMENT) || !entry) return;
    const uintptr_t start = reinterpret_cast<uintptr_t>(info.dli_saddr);
    writeNamedRange(name, start, start + static_cast<const ElfW(Sym)*>(entry)->st_size);
}

int crashInADeepFramePointerRecursion() {
    writeNamedFunction("recurse", reinterpret_cast<const void*>(probe_fp_recurse));
    writeNamedFunction("recursion", reinterpret_cast<const void*>(probe_fp_recursion));
    writeNamedFunction("recursion-thread", reinterpret_cast<const void*>(probe_crash_fp_recursion_thread));
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, size_t(64) << 20);
    pthread_t thread;
    const int started = pthread_create(&thread, &attributes, probe_crash_fp_recursion_thread, nullptr);
    pthread_attr_destroy(&attributes);
    if (started != 0) return 9;
    pthread_join(thread, nullptr);
    return 7;
}

volatile int gParkedOnRing = 0;

// Eight heap words, each naming the next and the last the first: a linked structure that a frame-pointer
// walk would go round. The word after them names one of them too, as in a larger structure, so that every
// "return address" such a walk reads there is one of the eight. From the main thread's heap, below every
// thread's stack: the parked thread's first step scans its stack from its stack pointer up to its frame
// pointer, and so reads only the zero at its stack pointer.
int crashBesideAThreadParkedOnARing() {
    auto* ring = static_cast<uint64_t*>(malloc(9 * sizeof(uint64_t)));
    if (!ring) return 8;
    for (int i = 0; i < 8; i++) ring[i] = reinterpret_cast<uintptr_t>(&ring[(i + 1) % 8]);
    ring[8] = reinterpret_cast<uintptr_t>(&ring[1]);
    writeNamedRange("ring", reinterpret_cast<uintptr_t>(ring), reinterpret_cast<uintptr_t>(ring + 9));
    writeNamedFunction("park", reinterpret_cast<const void*>(probe_fp_park_on_ring));
    std::thread([ring] {
        pthread_attr_t attributes;
        void* low = nullptr;
        size_t size = 0;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstack(&attributes, &low, &size);
            pthread_attr_destroy(&attributes);
        }
        if (reinterpret_cast<uintptr_t>(ring + 9) > reinterpret_cast<uintptr_t>(low)) {
            gParkedOnRing = 2;
            return;
        }
        probe_fp_park_on_ring(ring, &gParkedOnRing);
    }).detach();
    for (int i = 0; i < 5000 && gParkedOnRing == 0; i++) usleep(1000);
    if (gParkedOnRing != 1) return 12;
    probe_crash_null();
    return 7;
}

// Dispatches the kinds above; -1 for any other kind.
int crashOfTheFramePointerKinds(const std::string& kind) {
    if (kind == crashprobe::kFramePointerRecursion) return crashInADeepFramePointerRecursion();
    if (kind == crashprobe::kFramePointerRing) return crashBesideAThreadParkedOnARing();
    return -1;
}

bool startKit(const std::string& root, reporting::CRKCrashCallbackTarget* callback) {
    reporting::CRKContextSetHooks(reporting::CRKCaptureHooks());
    reporting::CRKContextInitData data;
    data.apiKey = "probe-api-key";
    data.rootPath = root.c_str();
    data.sessionId = "probe-session";
    data.installId = "probe-install";
    data.customExceptionsEnabled = true;
    data.maxCustomExceptions = 8;
    data.logBufferSize = 65536;
    data.maxCustomKeys = 16;
    data.crashCallbackTarget = callback;
    return reporting::CRKContextInitialize(&data) && reporting::CRKContextIsInitialized();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr,
                "usage: crash_probe <kind> <report folder> [idle threads, or objects for walk-bench]\n");
        return 2;
    }
    const struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const std::string kind = argv[1];
    const std::string root = argv[2];
    const int idleThreads = argc > 3 ? atoi(argv[3]) : 0;
    if (kind == crashprobe::kSymbolicate) {
        auto report = reporting::CRKInternalReport::reportWithPath(root);
        if (!report) return 7;
        reporting::CRKProcessReportOperation(report, std::make_shared<reporting::CRKSymbolResolver>())
            .start();
        return 0;
    }
    gFactsPath = root + ".facts";
    unlink(gFactsPath.c_str());
    recordFunctions();
    recordUnwindKindFunctions();

    if (kind == crashprobe::kHostHandler) {
        // The host's own handler, installed before the kit: it must get the repeated fault.
        struct sigaction host = {};
        host.sa_handler = [](int) { _exit(crashprobe::kHostHandlerExit); };
        sigaction(SIGSEGV, &host, nullptr);
    }
    if (kind == crashprobe::kPlatformException) {
        platform::UserDefaults::standard()->setBool_forKey(true, "NSApplicationCrashOnExceptions");
    }
    if (kind == crashprobe::kThrowNoPrevious) std::set_terminate(reporting::CRKTerminateHandler);
    static FaultingCallback faulting;
    static AllocatingCallback allocating;
    reporting::CRKCrashCallbackTarget* callback = nullptr;
    if (kind == crashprobe::kHandlerCrash) callback = &faulting;
    if (kind == crashprobe::kHandlerAllocates) callback = &allocating;
    if (kind == crashprobe::kAtStart) writeMappedImages();
    // The handler never faulting itself: a crash the instant its handler is installed.
    if (kind == crashprobe::kAtHandlerInstall) {
        writeMappedImages();
        pthread_t thread;
        if (pthread_create(&thread, nullptr, probe_crash_at_handler_install, nullptr) != 0) return 9;
        startKit(root, callback);
        pthread_join(thread, nullptr);
        return 7;
    }
    if (!startKit(root, callback)) return 4;
    if (kind == crashprobe::kWalkBench) return timeTheLoaderWalk(root, idleThreads);
    if (kind == crashprobe::kAtStart) probe_crash_null();
    for (int i = 0; i < idleThreads; i++) std::thread(idleForever).detach();

    if (kind == crashprobe::kStdoutLock) {
        std::atomic<bool> held{false};
        std::thread([&held] {
            flockfile(stdout);
            held = true;
            idleForever();
        }).detach();
        while (!held) std::this_thread::yield();
    }

    if (kind == crashprobe::kEightThreads) {
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; i++) {
            threads.emplace_back([&ready] {
                writeOwnStack();
                ready++;
                while (ready < 8) {
                }
                probe_crash_null();
            });
        }
        for (auto& thread : threads) thread.join();
        return 5;
    }
    if (kind == crashprobe::kOverflowPlatform) {
        platform::DispatchQueue::global().async([] {
            writeOwnStack();
            probe_crash_recurse(0);
        });
        idleForever();
    }

    // The handler never faulting itself: an overflow on a thread the program started.
    if (kind == crashprobe::kOverflowProgramThread) {
        platform::startThread([] {
            writeOwnStack();
            probe_crash_recurse_pages(0);
        }).detach();
        idleForever();
    }

    writeOwnStack();
    if (kind == crashprobe::kBench) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::string stamp = std::to_string(int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec) + "\n";
        if (write(1, stamp.data(), stamp.size()) < 0) return 6;
        probe_crash_null();
    }
    if (kind == crashprobe::kNull || kind == crashprobe::kStdoutLock || kind == crashprobe::kHandlerCrash ||
        kind == crashprobe::kHostHandler || kind == crashprobe::kHandlerAllocates)
        probe_crash_null();
    if (kind == crashprobe::kOverflowMain) probe_crash_recurse(0);
    if (kind == crashprobe::kHeapAbort) probe_crash_heap();
    if (kind == crashprobe::kSigbus) probe_crash_sigbus(root.c_str());
    if (kind == crashprobe::kSigfpe) return probe_crash_fpe(0);
    if (kind == crashprobe::kSigill) probe_crash_ill();
    if (kind == crashprobe::kRaiseSigbus) probe_crash_raise_bus();
    if (kind == crashprobe::kThrowCString) probe_crash_throw(0);
    if (kind == crashprobe::kThrowString) probe_crash_throw(1);
    if (kind == crashprobe::kThrowRuntimeError) probe_crash_throw(2);
    if (kind == crashprobe::kThrowExceptionPointer) probe_crash_throw(4);
    if (kind == crashprobe::kThrowInt || kind == crashprobe::kThrowNoPrevious) probe_crash_throw(3);
    if (kind == crashprobe::kPlatformException) probe_crash_platform_exception();
    if (kind == crashprobe::kNullCall) probe_crash_null_call();
    if (kind == crashprobe::kCutLoaderList) return crashAfterCuttingTheLoadersList();
    if (kind == crashprobe::kThrowOnPreloadedThread) return throwOnThePreloadedLibrarysThread();
    if (kind == crashprobe::kLoadedLibrary) return crashInLoadedLibrary();
    if (kind == crashprobe::kLoadedJustBefore) return crashJustAfterLoads();
    if (const int status = crashOfTheUnwindKinds(kind, root); status >= 0) return status;
    if (const int status = crashOfTheFramePointerKinds(kind); status >= 0) return status;
    if (kind == crashprobe::kOriginSibling) return loadOriginSibling();
    if (kind == crashprobe::kMachOwnTask) return probe_crash_mach(false);
    if (kind == crashprobe::kMachOtherTask) return probe_crash_mach(true);
    if (kind == crashprobe::kMachServerSignalStack) return tellTheServersSignalStack();
    // The handler never faulting itself: the loader's list damaged before the crash.
    if ((kind == crashprobe::kLibcEntryMoved || kind == crashprobe::kLibcEntryZeroed) &&
        (!endTheKitsStartUpWork() || !theMachServerIsParked()))
        return 9;
    if (kind == crashprobe::kLibcEntryMoved) probe_crash_damaged_libc_entry(false);
    if (kind == crashprobe::kLibcEntryZeroed) probe_crash_damaged_libc_entry(true);
    return 7;
}
