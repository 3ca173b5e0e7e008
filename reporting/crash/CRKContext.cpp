#include "reporting/crash/CRKContext.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/base/Log.h"
#include "platform/storage/StandardFolders.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKHost.h"
#include "reporting/crash/CRKIdentity.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"

namespace reporting {

namespace {

const std::string kLoggingLabel = std::string(CRKReverseDomainPrefix) + ".crashkit.mac.logging";
const std::string kBinaryImageLabel = std::string(CRKReverseDomainPrefix) + ".crashkit.mac.binary-images";
const std::string kExceptionLabel = std::string(CRKReverseDomainPrefix) + ".crashkit.mac.exception";

// Room in the read-only region for the context's own strings (paths and identity).
constexpr size_t kReadOnlyStringSpace = 16384;
constexpr double kStartupWaitSeconds = 5.0;
std::atomic<double> gStartupWaitSeconds{kStartupWaitSeconds};

CRKContextHooks& pendingHooks() {
    static CRKContextHooks hooks;
    return hooks;
}

// Joins a folder and a file name into the read-only region.
const char* pathInRoot(const char* root, const char* name) {
    std::string path(root);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return CRKDupString(path.c_str());
}

bool tracerAttached() {
    int descriptor = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    char buffer[4096];
    const ssize_t length = read(descriptor, buffer, sizeof buffer - 1);
    close(descriptor);
    if (length <= 0) return false;
    buffer[length] = '\0';
    const char* field = strstr(buffer, "TracerPid:");
    if (!field) return false;
    field += strlen("TracerPid:");
    while (*field == ' ' || *field == '\t') field++;
    return *field != '0';
}

// What ended a start-up before its last block did.
enum class Abandoned { no, tornDown, startedAgain };

// One start-up: a group of blocks on the global queue, the last of which runs the final step. The blocks
// and that step work on the pointers here, never on the process's context: by the time a late block
// runs, a reset or a later start may have replaced it. The guarded mapping is never given back, so these
// stay valid however late the blocks come; what must not happen then is marking or protecting a context
// that is no longer the process's. `abandoned` says so, and is set and acted on under the mutex.
struct Startup {
    std::mutex mutex;
    std::condition_variable finished;
    int remaining = 0;
    bool done = false;                                // the final step has run
    bool gaveUp = false;                              // the initializer stopped waiting before it did
    std::atomic<Abandoned> abandoned{Abandoned::no};  // also read, without the mutex, by the kit's log
    CRKAllocator* allocator = nullptr;
    CRKReadOnlyContext* readonly = nullptr;
    CRKWritableContext* writable = nullptr;
};

// The process's start-ups: the latest, which a reset or the next start abandons, and how many still have
// blocks queued or running, for tests that wait for them. Never destroyed: a block may end while the
// process exits.
struct Startups {
    std::mutex mutex;
    std::condition_variable changed;
    std::shared_ptr<Startup> latest;
    int running = 0;
};
Startups& startups() {
    static Startups* const all = new Startups;
    return *all;
}

// The start-up whose block the calling thread is running, if any.
thread_local Startup* tStartup = nullptr;

// From here on the latest start-up writes nothing more into its context; a finished one is left as it is.
void abandonLatestStartup(Abandoned why) {
    std::shared_ptr<Startup> latest;
    {
        std::lock_guard<std::mutex> lock(startups().mutex);
        latest = std::move(startups().latest);
    }
    if (!latest) return;
    std::lock_guard<std::mutex> lock(latest->mutex);
    if (!latest->done) latest->abandoned = why;
}

void finishStartup(Startup& startup) {
    Abandoned abandoned;
    bool gaveUp;
    bool protectedNow = true;
    {
        // Under the start-up's lock: a reset or a new start abandons it either before this, and nothing
        // is written, or only once the context it replaces has been marked and protected.
        std::lock_guard<std::mutex> lock(startup.mutex);
        abandoned = startup.abandoned;
        gaveUp = startup.gaveUp;
        if (abandoned == Abandoned::no) {
            // Protection of the read-only half comes last: nothing may write there afterwards.
            std::atomic_ref<bool>(startup.readonly->initialized).store(true);
            std::atomic_thread_fence(std::memory_order_seq_cst);
            protectedNow = CRKAllocatorProtect(startup.allocator);
        }
        startup.done = true;
        startup.finished.notify_all();
    }
    if (!protectedNow) CRKSDKLOG_WARN("Error: Memory protection failed\n");
    // The kit's own log may be gone with its context; the application's log says what became of a start-up
    // that outlived its wait.
    if (abandoned == Abandoned::tornDown) {
        platform::logf(
            "[CrashKit:Crash] Start-up finished after its context was torn down; nothing was "
            "written into it");
    } else if (abandoned == Abandoned::startedAgain) {
        platform::logf(
            "[CrashKit:Crash] Start-up finished after the context was started again; nothing was "
            "written into it");
    } else if (gaveUp) {
        platform::logf(
            "[CrashKit:Crash] Start-up finished after its wait gave up; the crash context is now "
            "initialised");
    }
}

// Runs one block as its start-up's own; a block that had not begun when the start-up was abandoned does
// nothing. The last block to end runs the final step.
void runStartupBlock(const std::shared_ptr<Startup>& startup, const platform::Closure& block) {
    Startup* const outer = tStartup;
    tStartup = startup.get();
    if (startup->abandoned.load() == Abandoned::no) block();
    bool last = false;
    {
        std::lock_guard<std::mutex> lock(startup->mutex);
        last = --startup->remaining == 0;
    }
    if (last) finishStartup(*startup);
    tStartup = outer;
    if (last) {
        std::lock_guard<std::mutex> lock(startups().mutex);
        startups().running--;
        startups().changed.notify_all();
    }
}

}  // namespace

const char* const CRKContextLoggingQueueLabel = kLoggingLabel.c_str();
const char* const CRKContextBinaryImageQueueLabel = kBinaryImageLabel.c_str();
const char* const CRKContextExceptionQueueLabel = kExceptionLabel.c_str();

CRKContext& CRKSharedContext() {
    static CRKContext context;
    return context;
}

CRKContextInUse CRKContextInUseOnThisThread() {
    if (const Startup* startup = tStartup) {
        if (startup->abandoned.load() != Abandoned::no) return {startup->allocator, nullptr, nullptr};
        return {startup->allocator, startup->readonly, startup->writable};
    }
    const CRKContext& context = CRKSharedContext();
    return {context.allocator, context.readonly, context.writable};
}

namespace {

// A copy of the start-up data that owns its texts. Never moved once made (it lives behind a shared
// pointer), so the pointers into its strings stay valid.
struct OwnedInitData {
    explicit OwnedInitData(const CRKContextInitData& from) : data(from) {
        data.apiKey = keep(from.apiKey, apiKey);
        data.customBundleId = keep(from.customBundleId, customBundleId);
        data.rootPath = keep(from.rootPath, rootPath);
        data.sessionId = keep(from.sessionId, sessionId);
        data.installId = keep(from.installId, installId);
        data.betaToken = keep(from.betaToken, betaToken);
    }
    OwnedInitData(const OwnedInitData&) = delete;
    OwnedInitData& operator=(const OwnedInitData&) = delete;

    static const char* keep(const char* text, std::string& store) {
        if (!text) return nullptr;
        store = text;
        return store.c_str();
    }

    std::string apiKey, customBundleId, rootPath, sessionId, installId, betaToken;
    CRKContextInitData data;
};

}  // namespace

void CRKContextSetHooks(const CRKContextHooks& hooks) {
    pendingHooks() = hooks;
}

bool CRKContextInitialize(const CRKContextInitData* data) {
    if (!data) return false;
    // A start-up still running belongs to the context about to be replaced.
    abandonLatestStartup(Abandoned::startedAgain);
    CRKContext& context = CRKSharedContext();

    // Base initialisation.
    context.loggingQueue = platform::DispatchQueue::createSerial(kLoggingLabel);
    context.binaryImageQueue = platform::DispatchQueue::createSerial(kBinaryImageLabel);
    context.exceptionQueue = platform::DispatchQueue::createSerial(kExceptionLabel);
    const size_t writableSize = 2 * CRKContextStackSize + sizeof(CRKWritableContext);
    const size_t readOnlySize = sizeof(CRKReadOnlyContext) + kReadOnlyStringSpace;
    context.allocator = CRKAllocatorCreate(writableSize, readOnlySize);
    auto* readonly = static_cast<CRKReadOnlyContext*>(
        CRKAllocatorSafeAllocate(context.allocator, sizeof(CRKReadOnlyContext), CRKAllocationTypeReadOnly));
    void* signalStack =
        CRKAllocatorSafeAllocate(context.allocator, CRKContextStackSize, CRKAllocationTypeWritable);
    void* machStack =
        CRKAllocatorSafeAllocate(context.allocator, CRKContextStackSize, CRKAllocationTypeWritable);
    auto* writable = static_cast<CRKWritableContext*>(
        CRKAllocatorSafeAllocate(context.allocator, sizeof(CRKWritableContext), CRKAllocationTypeWritable));
    if (!readonly || !writable || !signalStack || !machStack) return false;
    // Value-initialised in place: every field zero, every hook absent. The two stacks are zero as the
    // allocator answers them; writing zeros over them would only bring their 128 pages into memory at
    // every start for a crash that rarely comes.
    readonly = new (readonly) CRKReadOnlyContext{};
    writable = new (writable) CRKWritableContext{};
    readonly->signalStack = {signalStack, CRKContextStackSize};
    readonly->machStack = {machStack, CRKContextStackSize};
    readonly->hooks = pendingHooks();
    writable->logDescriptor = -1;
    writable->logLevel = CRKSDKLogLevelDebug;
    writable->binaryImageFile.descriptor = -1;
    context.readonly = readonly;
    context.writable = writable;
    std::atomic_thread_fence(std::memory_order_seq_cst);

    if (!data->rootPath || data->rootPath[0] == '\0') return false;

    readonly->logPath = pathInRoot(data->rootPath, "sdk.log");
    if (!CRKUnlinkIfExists(readonly->logPath)) {
        platform::logf("[CrashKit:Crash] Unable to write initialize SDK write paths %s", strerror(errno));
    }
    readonly->debuggerAttached =
        readonly->hooks.debuggerAttached ? readonly->hooks.debuggerAttached() : tracerAttached();
    readonly->deliveryDelegate = data->deliveryDelegate;
    readonly->crashCallbackTarget = data->crashCallbackTarget;
    readonly->firstInstall = data->firstInstall;

    // Everything the metadata file needs is copied now: the start-up blocks may outlive the caller's data
    // when start-up takes longer than the wait below.
    readonly->apiKey = data->apiKey ? CRKDupString(data->apiKey) : nullptr;
    readonly->sessionId = data->sessionId ? CRKDupString(data->sessionId) : nullptr;
    readonly->installId = data->installId ? CRKDupString(data->installId) : nullptr;
    readonly->betaToken = data->betaToken ? CRKDupString(data->betaToken) : nullptr;
    readonly->startedAt = static_cast<uint64_t>(time(nullptr));
    readonly->binaryImagePath = pathInRoot(data->rootPath, "binary_images.crkrecord");
    readonly->signal.path = pathInRoot(data->rootPath, "signal.crkrecord");
    readonly->exception.path = pathInRoot(data->rootPath, "exception.crkrecord");
    readonly->mach.path = pathInRoot(data->rootPath, "mach_exception.crkrecord");
    readonly->mach.leaveAloneMask = data->machExceptionMask;
    // The calling thread's alternate stack can only be set on this thread, not in the start-up group.
    if (!readonly->debuggerAttached && readonly->hooks.installThreadSignalStack)
        readonly->hooks.installThreadSignalStack(readonly);
    readonly->exception.maxCustomExceptions = data->customExceptionsEnabled ? data->maxCustomExceptions : 0;
    const char* rootCopy = CRKDupString(data->rootPath);
    // The user-logging hook gets the start-up data with texts of its own: it may run after the wait
    // below has returned and the caller has let its data go.
    auto owned = std::make_shared<OwnedInitData>(*data);

    auto startup = std::make_shared<Startup>();
    startup->allocator = context.allocator;
    startup->readonly = readonly;
    startup->writable = writable;
    std::vector<platform::Closure> blocks;
    blocks.push_back([readonly]() {
        readonly->pageSize = CRKHostGetPageSize();
        readonly->documentsPath = CRKDupString(platform::StandardFolders::documents().c_str());
        readonly->homePath = CRKDupString(platform::StandardFolders::home().c_str());
    });
    blocks.push_back([readonly, writable, owned]() {
        if (readonly->hooks.startUserLogging)
            readonly->hooks.startUserLogging(readonly, writable, &owned->data);
    });
    // The handlers go in only once the image table has started: a crash's stacks are walked through the
    // images it knows, and a crash may come the instant the handlers are in. So the two run in one
    // block, one after the other. The metadata file comes first of all: without it the next launch
    // cannot tell whose report a record is and drops it, so it must be whole before any handler can
    // write one.
    blocks.push_back([readonly, writable, rootCopy]() {
        CRKContextRecordMetadata(readonly, rootCopy);
        if (readonly->hooks.startBinaryImages)
            readonly->hooks.startBinaryImages(readonly->binaryImagePath, writable);
        if (readonly->debuggerAttached) {
            CRKSDKLOG_WARN("Debugger present - not installing handlers\n");
            return;
        }
        if (readonly->hooks.installSignalHandlers) readonly->hooks.installSignalHandlers(readonly);
        if (readonly->hooks.installMachExceptionServer) readonly->hooks.installMachExceptionServer(readonly);
        if (readonly->hooks.installExceptionHandlers) readonly->hooks.installExceptionHandlers(readonly);
    });
    startup->remaining = static_cast<int>(blocks.size());
    {
        std::lock_guard<std::mutex> lock(startups().mutex);
        startups().latest = startup;
        startups().running++;
    }
    for (auto& block : blocks) {
        platform::DispatchQueue::global().async(
            [startup, block = std::move(block)]() { runStartupBlock(startup, block); });
    }

    bool gaveUp = false;
    {
        std::unique_lock<std::mutex> lock(startup->mutex);
        gaveUp = !startup->finished.wait_for(lock, std::chrono::duration<double>(gStartupWaitSeconds.load()),
                                             [&] { return startup->done; });
        // Decided under the lock, so the final step, whenever it comes, knows it came late.
        startup->gaveUp = gaveUp;
    }
    if (gaveUp) CRKSDKLOG_WARN("Error: Delayed initialization\n");
    return true;
}

bool CRKContextIsInitialized() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const CRKContext& context = CRKSharedContext();
    return context.readonly && std::atomic_ref<bool>(context.readonly->initialized).load();
}

bool CRKContextMarkAndCheckIfCrashed() {
    if (!CRKContextIsInitialized()) return false;
    // One atomic exchange decides which fatal handler goes first.
    const bool already = std::atomic_ref<bool>(CRKSharedContext().writable->crashOccurred).exchange(true);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    return already;
}

bool CRKContextHasCrashed() {
    if (!CRKContextIsInitialized()) return false;
    return std::atomic_ref<bool>(CRKSharedContext().writable->crashOccurred).load();
}

void CRKContextMarkHasCrashed() {
    if (!CRKContextIsInitialized()) return;
    std::atomic_ref<bool>(CRKSharedContext().writable->crashOccurred).store(true);
    std::atomic_thread_fence(std::memory_order_seq_cst);
}

bool CRKContextRecordMetadata(const CRKReadOnlyContext* readonly, const char* rootPath) {
    if (!rootPath || !readonly) return false;
    std::string path(rootPath);
    if (!path.empty() && path.back() != '/') path += '/';
    path += "metadata.crkrecord";
    if (!CRKUnlinkIfExists(path.c_str())) {
        CRKSDKLOG_WARN("Unable to unlink existing metadata file %s\n", path.c_str());
        return false;
    }
    CRKFile file;
    if (!CRKFileInitWithPath(&file, path.c_str(), true)) {  // written whole, then closed
        CRKSDKLOG_WARN("Unable to open metadata file %s\n", path.c_str());
        CRKSDKLOG_WARN("Unable to record context metadata\n");
        return false;
    }

    CRKFileWriteSectionStart(&file, "identity");
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashEntryString(&file, "generator", CRKGeneratorName);
    CRKFileWriteHashEntryString(&file, "build_version", CRKBuildVersion);
    CRKFileWriteHashEntryString(&file, "display_version", CRKDisplayVersion);
    CRKFileWriteHashEntryString(&file, "api_key", readonly->apiKey);
    CRKFileWriteHashEntryUInt64(&file, "started_at", readonly->startedAt);
    CRKFileWriteHashEntryString(&file, "session_id", readonly->sessionId);
    CRKFileWriteHashEntryString(&file, "install_id", readonly->installId);
    CRKFileWriteHashEntryString(&file, "beta_token", readonly->betaToken);
    CRKFileWriteHashEntryBoolean(&file, "absolute_log_timestamps", true);
    CRKFileWriteHashEnd(&file);
    CRKFileWriteSectionEnd(&file);

    if (!CRKHostRecordMetadata(&file)) CRKSDKLOG_WARN("Unable to write out host metadata\n");

    CRKFileWriteSectionStart(&file, "application");
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashEntryNSString(&file, "bundle_id", CRKApplicationGetBundleIdentifier());
    CRKFileWriteHashEntryString(&file, "custom_bundle_id", nullptr);
    CRKFileWriteHashEntryNSString(&file, "build_version", CRKApplicationGetBuildVersionString());
    CRKFileWriteHashEntryNSString(&file, "display_version", CRKApplicationGetShortVersionString());
    CRKFileWriteHashEntryNSString(&file, "extension_id", CRKApplicationExtensionPointIdentifier());
    CRKFileWriteHashEnd(&file);
    CRKFileWriteSectionEnd(&file);

    const bool executable = readonly->hooks.recordExecutable && readonly->hooks.recordExecutable(&file);
    if (!executable) CRKSDKLOG_WARN("Unable to write out executable metadata\n");
    CRKFileClose(&file);
    return true;
}

void CRKContextResetForTesting() {
    abandonLatestStartup(Abandoned::tornDown);
    CRKContext& context = CRKSharedContext();
    if (context.readonly && context.readonly->hooks.stopBinaryImagesForTesting)
        context.readonly->hooks.stopBinaryImagesForTesting();
    if (context.writable) {
        // A block of the start-up just abandoned may be logging at this moment.
        const int32_t descriptor = std::atomic_ref<int32_t>(context.writable->logDescriptor).exchange(-1);
        if (descriptor >= 0) close(descriptor);
    }
    context = CRKContext();
    pendingHooks() = CRKContextHooks();
    gStartupWaitSeconds = kStartupWaitSeconds;
}

void CRKContextSetStartupWaitForTesting(double seconds) {
    gStartupWaitSeconds = seconds;
}

bool CRKContextWaitForStartUpsForTesting(int stillRunning, double seconds) {
    std::unique_lock<std::mutex> lock(startups().mutex);
    return startups().changed.wait_for(lock, std::chrono::duration<double>(seconds),
                                       [&] { return startups().running <= stillRunning; });
}

}  // namespace reporting
