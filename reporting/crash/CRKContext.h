#pragma once

#include <pthread.h>
#include <signal.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/base/DispatchQueue.h"
#include "reporting/crash/CRKAllocator.h"
#include "reporting/crash/CRKFile.h"

namespace platform {
class Application;
class Exception;
}  // namespace platform

namespace reporting {

// The crash kit's context: everything crash-time code needs, reserved at start in the guarded mapping
// (CRKAllocator) so that a crash neither allocates nor depends on memory the crash may have corrupted.
// The read-only half (paths, limits, saved handlers, the capture hooks) is protected once start-up has
// finished; the writable half holds descriptors, counters, the binary-image table and the two stacks.

// Receives potentiallySubmittableCrashOccurred after a crash was written (optional).
class CRKDeliveryDelegate {
public:
    virtual ~CRKDeliveryDelegate() = default;
    virtual void potentiallySubmittableCrashOccurred() {}
};

// The controller, called synchronously on the crashing thread when its delegate asked for it.
class CRKCrashCallbackTarget {
public:
    virtual ~CRKCrashCallbackTarget() = default;
    virtual void deliverCrashDelegateCallback() = 0;
};

// Start-up data, filled by the crash reporting controller. Strings are zero-terminated UTF-8; the
// context copies what it keeps, so the data need not outlive CRKContextInitialize.
struct CRKContextInitData {
    const char* apiKey = nullptr;
    CRKDeliveryDelegate* deliveryDelegate = nullptr;
    bool firstInstall = false;
    CRKCrashCallbackTarget* crashCallbackTarget = nullptr;
    const char* customBundleId = nullptr;
    const char* rootPath = nullptr;  // the current run's report folder
    const char* sessionId = nullptr;
    const char* installId = nullptr;
    const char* betaToken = nullptr;
    uint32_t machExceptionMask = 0;
    bool errorReportingEnabled = false;
    bool customExceptionsEnabled = false;
    uint32_t maxCustomExceptions = 0;
    uint32_t errorLogBufferSize = 0;
    uint32_t logBufferSize = 0;
    uint32_t maxCustomKeys = 0;
};

// Key-value storage descriptor (passed by value to the user-logging code).
struct CRKUserLoggingKVStorage {
    const char* incrementalPath;
    const char* compactedPath;
    uint32_t maxIncrementalCount;
    uint32_t maxCount;
};

// A pair of alternating bounded files (log lines, errors, recorded exceptions).
struct CRKUserLoggingABStorage {
    const char* aPath;
    const char* bPath;
    uint32_t maxSize;
    uint32_t maxEntries;
    bool restrictBySize;
    uint32_t* entryCount;
};

// One slot of the binary-image table (40 bytes; 512 in the writable context, searched in index order).
// base is the image's header address, 0 for a free slot; it is claimed with a compare-and-swap
// (std::atomic_ref) before the other fields are written.
struct CRKBinaryImageSlot {
    uintptr_t base;
    uint64_t size;
    uintptr_t ehFrame;
    uintptr_t unwindInfo;
    uintptr_t crashInfo;
};
constexpr size_t CRKBinaryImageSlotCount = 512;

struct CRKContextStack {
    void* start;
    size_t size;
};
constexpr size_t CRKContextStackSize = 262144;

struct CRKReadOnlyContext;
struct CRKWritableContext;

// What the signal handlers displaced: the file they write, the seven previous actions (a null handler
// means nothing was saved) and the previous alternate stack of the starting thread.
struct CRKSignalState {
    const char* path;
    struct sigaction originalActions[7];
    stack_t originalStack;
};

// The exception-port server: its port and thread, its file, the exception types it must leave alone,
// the mask it registered and the ports that were registered before (up to one per exception type).
constexpr uint32_t CRKMachExceptionTypeCount = 14;
struct CRKMachState {
    uint32_t port;
    pthread_t thread;
    const char* path;
    uint32_t leaveAloneMask;
    uint32_t mask;
    uint32_t count;
    uint32_t masks[CRKMachExceptionTypeCount];
    uint32_t ports[CRKMachExceptionTypeCount];
    int32_t behaviors[CRKMachExceptionTypeCount];
    int32_t flavors[CRKMachExceptionTypeCount];
};

// Where the capture code plugs into start-up and into the crash-time chain. Set before
// CRKContextInitialize; copied into the read-only context there, so crash-time code reads them from
// protected memory. A missing hook leaves its piece out (logged where the piece matters).
struct CRKContextHooks {
    // Start-up, in this order, inside the start-up group.
    void (*startUserLogging)(CRKReadOnlyContext* readOnly, CRKWritableContext* writable,
                             const CRKContextInitData* data) = nullptr;
    void (*startBinaryImages)(const char* path, CRKWritableContext* writable) = nullptr;
    // Tests: undoes startBinaryImages before the writable context goes, so that no later image event
    // of the process writes into it.
    void (*stopBinaryImagesForTesting)() = nullptr;
    bool (*installSignalHandlers)(CRKReadOnlyContext* readOnly) = nullptr;
    // Run on the thread that calls CRKContextInitialize (alternate stacks belong to one thread), before
    // the start-up group, and only when handlers will be installed.
    void (*installThreadSignalStack)(CRKReadOnlyContext* readOnly) = nullptr;
    bool (*installMachExceptionServer)(CRKReadOnlyContext* readOnly) = nullptr;
    bool (*installExceptionHandlers)(CRKReadOnlyContext* readOnly) = nullptr;
    // Whether a debugger is attached; when absent the tracer of the process is read from /proc.
    bool (*debuggerAttached)() = nullptr;
    // The "executable" section of the metadata file.
    bool (*recordExecutable)(CRKFile* file) = nullptr;
    // The crash-time process records: suspends the other threads, writes "threads", "runtime",
    // "dispatch_queue_names", "thread_names" and "process_stats", resumes them. Async-signal-safe.
    void (*recordProcess)(CRKFile* file, uint64_t crashedThread, const void* machineContext) = nullptr;
};

struct CRKReadOnlyContext {
    bool initialized;
    bool debuggerAttached;
    const char* logPath;
    CRKContextStack signalStack;
    CRKContextStack machStack;
    CRKDeliveryDelegate* deliveryDelegate;
    CRKCrashCallbackTarget* crashCallbackTarget;
    bool firstInstall;
    const char* binaryImagePath;

    // Identity of this run, for the metadata file.
    const char* apiKey;
    const char* sessionId;
    const char* installId;
    const char* betaToken;
    uint64_t startedAt;

    struct {
        const char* path;
        void (*previousTerminateHandler)();
        void (*previousReportException)(platform::Application&, const platform::Exception&);
        uint32_t maxCustomExceptions;
    } exception;

    const char* documentsPath;
    // The "storage" record falls back to the home's volume where there is no Documents folder.
    const char* homePath;
    uint64_t pageSize;

    CRKSignalState signal;
    CRKMachState mach;

    CRKUserLoggingKVStorage userKVStorage;
    CRKUserLoggingKVStorage internalKVStorage;
    CRKUserLoggingABStorage logStorage;
    CRKUserLoggingABStorage errorStorage;
    CRKUserLoggingABStorage customExceptionStorage;

    CRKContextHooks hooks;
};

struct CRKWritableContext {
    int32_t logDescriptor;  // -1 until the diagnostic log is first opened
    int32_t logLevel;       // messages below it are dropped; 1 (DEBUG) at start
    bool crashOccurred;
    CRKFile binaryImageFile;
    CRKBinaryImageSlot binaryImages[CRKBinaryImageSlotCount];
    const char* logCurrentFile;
    const char* errorsCurrentFile;
    const char* customExceptionCurrentFile;
    uint32_t userKVIncrementalCount;
    uint32_t internalKVIncrementalCount;
    uint32_t errorCount;
    uint32_t customExceptionCount;
};

// The process's context: null pointers until CRKContextInitialize has run.
struct CRKContext {
    CRKAllocator* allocator = nullptr;
    CRKReadOnlyContext* readonly = nullptr;
    CRKWritableContext* writable = nullptr;
    std::shared_ptr<platform::DispatchQueue> loggingQueue;
    std::shared_ptr<platform::DispatchQueue> binaryImageQueue;
    std::shared_ptr<platform::DispatchQueue> exceptionQueue;
};
CRKContext& CRKSharedContext();

// The context that kit code on the calling thread works in: where it logs and what it copies its texts
// into. A start-up block works in the context it is starting, even once a reset or a later start has
// replaced that as the process's: a late block must not log into or take memory from a context it did
// not start. Once its start-up is abandoned it has no log (the log was closed with the context), only
// its allocator, whose mapping is never given back. On every other thread, the process's context.
// Async-signal-safe.
struct CRKContextInUse {
    CRKAllocator* allocator;
    CRKReadOnlyContext* readonly;
    CRKWritableContext* writable;
};
CRKContextInUse CRKContextInUseOnThisThread();

// Labels of the kit's serial queues.
extern const char* const CRKContextLoggingQueueLabel;
extern const char* const CRKContextBinaryImageQueueLabel;
extern const char* const CRKContextExceptionQueueLabel;

// Installs the capture hooks used by the next CRKContextInitialize.
void CRKContextSetHooks(const CRKContextHooks& hooks);

// Starts the context and waits for its start-up blocks, at most 5 s; answers true once they are queued.
// A start-up that takes longer still finishes, and marks the context initialised, when its last block
// ends: unless a reset or the next CRKContextInitialize has abandoned it by then, in which case it
// writes nothing more into any context.
bool CRKContextInitialize(const CRKContextInitData* data);
bool CRKContextIsInitialized();
// The first fatal handler to call it gets false and goes on; any later one gets true and must end the
// process. False as well when the context is not initialised.
bool CRKContextMarkAndCheckIfCrashed();
bool CRKContextHasCrashed();
void CRKContextMarkHasCrashed();
// Writes the metadata file ("identity", "host", "application", "executable") of the given read-only
// context into the report folder. The context is named, not taken from the process's: a start-up block
// that runs late writes its own start-up's identity, even once the context has been started again.
bool CRKContextRecordMetadata(const CRKReadOnlyContext* readonly, const char* rootPath);

// Tests: forget the context (the guarded mapping is never given back, as in a running process), the
// hooks and the start-up wait, and close the diagnostic log. A start-up still running is abandoned: its
// blocks write nothing more into the context.
void CRKContextResetForTesting();
// Tests: how long the next CRKContextInitialize waits for its start-up blocks (5 s until reset).
void CRKContextSetStartupWaitForTesting(double seconds);
// Tests: waits until at most `stillRunning` start-ups have blocks queued or running, at most `seconds` of
// real time (a bound that only catches a hang). Answers whether they got there.
bool CRKContextWaitForStartUpsForTesting(int stillRunning, double seconds);

}  // namespace reporting
