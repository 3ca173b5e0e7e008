#include "reporting/crash/CRKContext.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/system/SystemVersion.h"
#include "reporting/crash/CRKHost.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/capture/CRKHandler.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;

// The start-up blocks run concurrently on the global queue, so their record is locked.
std::mutex callsMutex;
std::vector<std::string> calls;
std::atomic<bool> debuggerPresent{false};

void note(const std::string& call) {
    std::lock_guard<std::mutex> lock(callsMutex);
    calls.push_back(call);
}

void startUserLogging(CRKReadOnlyContext*, CRKWritableContext* writable, const CRKContextInitData* data) {
    // Another start-up block may be opening the kit's log at this moment: the descriptor is read as the
    // log installs it, atomically.
    const int32_t descriptor = std::atomic_ref<int32_t>(writable->logDescriptor).load();
    note("logging " + std::to_string(data->maxCustomKeys) + " " +
         std::to_string(descriptor == -1 || descriptor >= 0));
}
void startBinaryImages(const char* path, CRKWritableContext* writable) {
    note(std::string("images ") + path);
    EXPECT_EQ(writable->binaryImageFile.descriptor, -1);
    EXPECT_EQ(writable->binaryImages[CRKBinaryImageSlotCount - 1].base, 0u);
}
bool installSignals(CRKReadOnlyContext* readonly) {
    note(std::string("signals ") + readonly->signal.path);
    EXPECT_EQ(readonly->signalStack.size, CRKContextStackSize);
    return true;
}
bool installMach(CRKReadOnlyContext*) {
    note("mach");
    return true;
}
bool installExceptions(CRKReadOnlyContext* readonly) {
    note("exceptions " + std::to_string(readonly->exception.maxCustomExceptions));
    return true;
}
bool debugger() {
    return debuggerPresent;
}
bool recordExecutable(CRKFile* file) {
    CRKFileWriteSectionStart(file, "executable");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(file, "architecture", "x86_64");
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
    return true;
}
void recordProcess(CRKFile* file, uint64_t thread, const void*) {
    CRKFileWriteSectionStart(file, "threads");
    CRKFileWriteArrayStart(file);
    CRKFileWriteArrayEntryUInt64(file, thread);
    CRKFileWriteArrayEnd(file);
    CRKFileWriteSectionEnd(file);
}

class Callback : public CRKCrashCallbackTarget, public CRKDeliveryDelegate {
public:
    void deliverCrashDelegateCallback() override { delivered++; }
    void potentiallySubmittableCrashOccurred() override { submittable++; }
    int delivered = 0;
    int submittable = 0;
};

CRKContextHooks allHooks() {
    CRKContextHooks hooks;
    hooks.startUserLogging = startUserLogging;
    hooks.startBinaryImages = startBinaryImages;
    hooks.installSignalHandlers = installSignals;
    hooks.installMachExceptionServer = installMach;
    hooks.installExceptionHandlers = installExceptions;
    hooks.debuggerAttached = debugger;
    hooks.recordExecutable = recordExecutable;
    hooks.recordProcess = recordProcess;
    return hooks;
}

class CRKContextTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        root_ = home() + "/run";
        mkdir(root_.c_str(), 0755);
        calls.clear();
        debuggerPresent = false;
    }
    void TearDown() override {
        CRKContextResetForTesting();
        platform::SystemVersion::setOverride(std::nullopt);
        KestruneTest::TearDown();
    }

    bool initialize(Callback* callback = nullptr) {
        CRKContextInitData data;
        data.apiKey = "api-key";
        data.rootPath = root_.c_str();
        data.sessionId = "session";
        data.installId = "install";
        data.customExceptionsEnabled = true;
        data.maxCustomExceptions = 16;
        data.maxCustomKeys = 64;
        data.crashCallbackTarget = callback;
        data.deliveryDelegate = callback;
        return CRKContextInitialize(&data);
    }

    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

    std::string root_;
};

TEST_F(CRKContextTest, StartUpFillsTheContextAndWritesTheMetadataFile) {
    CRKContextSetHooks(allHooks());
    EXPECT_FALSE(CRKContextIsInitialized());
    ASSERT_TRUE(initialize());
    ASSERT_TRUE(CRKContextIsInitialized());

    const CRKContext& context = CRKSharedContext();
    EXPECT_STREQ(context.readonly->logPath, (root_ + "/sdk.log").c_str());
    EXPECT_STREQ(context.readonly->binaryImagePath, (root_ + "/binary_images.crkrecord").c_str());
    EXPECT_EQ(context.readonly->pageSize, uint64_t(sysconf(_SC_PAGESIZE)));
    EXPECT_EQ(context.loggingQueue->label(), "com.reportkit.crashkit.mac.logging");
    EXPECT_EQ(context.binaryImageQueue->label(), "com.reportkit.crashkit.mac.binary-images");
    EXPECT_EQ(context.exceptionQueue->label(), "com.reportkit.crashkit.mac.exception");
    EXPECT_TRUE(context.allocator->isProtected);
    // The stacks and the writable context come from the writable region.
    const auto inWritable = [&](const void* p) {
        const auto at = reinterpret_cast<uintptr_t>(p);
        return at >= context.allocator->writable.start &&
               at < context.allocator->writable.start + context.allocator->writable.size;
    };
    EXPECT_TRUE(inWritable(context.readonly->signalStack.start));
    EXPECT_TRUE(inWritable(context.readonly->machStack.start));
    EXPECT_TRUE(inWritable(context.writable));
    for (const auto& stack : {context.readonly->signalStack, context.readonly->machStack}) {
        ASSERT_EQ(stack.size, CRKContextStackSize);
        const auto* bytes = static_cast<const unsigned char*>(stack.start);
        EXPECT_TRUE(std::all_of(bytes, bytes + stack.size, [](unsigned char byte) { return byte == 0; }));
    }

    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls,
              (std::vector<std::string>{"exceptions 16", "images " + root_ + "/binary_images.crkrecord",
                                        "logging 64 1", "mach", "signals " + root_ + "/signal.crkrecord"}));

    auto sections = CRKFileReadSections((root_ + "/metadata.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 4u);
    const Value& identity = (*sections)[0]["identity"];
    EXPECT_EQ(*identity["generator"].string(), "CrashKit Mac SDK/3.12.0");
    EXPECT_EQ(*identity["build_version"].string(), "136");
    EXPECT_EQ(*identity["display_version"].string(), "3.12.0");
    EXPECT_EQ(*identity["api_key"].string(), "api-key");
    EXPECT_EQ(*identity["session_id"].string(), "session");
    EXPECT_EQ(*identity["install_id"].string(), "install");
    EXPECT_TRUE(identity["beta_token"].isNull());
    EXPECT_TRUE(identity.dictionary()->count("beta_token"));
    EXPECT_TRUE(identity["absolute_log_timestamps"].number()->boolValue());
    EXPECT_GT(identity["started_at"].number()->unsignedLongLongValue(), 1600000000u);
    const Value& host = (*sections)[1]["host"];
    EXPECT_EQ(*host["platform"].string(), "mac");
    EXPECT_EQ(*host["os_display_version"].string(), "10.14.6");
    EXPECT_TRUE(host["machine"].string());
    const Value& application = (*sections)[2]["application"];
    EXPECT_TRUE(application["bundle_id"].string());
    EXPECT_TRUE(application["custom_bundle_id"].isNull());
    EXPECT_EQ(*(*sections)[3]["executable"]["architecture"].string(), "x86_64");
}

// The image table starts before the handlers go in, never beside them: a crash the instant the handlers
// are in is walked through the table's images. The image hook holds on until every start-up block that
// can run without it has finished (bounded, should other work keep a queue busy); the handlers still
// come after it.
static void startBinaryImagesLast(const char*, CRKWritableContext*) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (platform::DispatchQueue::workInFlight() > 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    note("images started");
}

TEST_F(CRKContextTest, TheHandlersGoInOnlyOnceTheImageTableHasStarted) {
    CRKContextHooks hooks = allHooks();
    hooks.startBinaryImages = startBinaryImagesLast;
    CRKContextSetHooks(hooks);
    ASSERT_TRUE(initialize());
    const auto at = [](const std::string& prefix) {
        return std::find_if(calls.begin(), calls.end(),
                            [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }) -
               calls.begin();
    };
    const auto images = at("images started");
    ASSERT_LT(size_t(images), calls.size());
    for (const char* handlers : {"signals", "mach", "exceptions"}) {
        ASSERT_LT(size_t(at(handlers)), calls.size()) << handlers;
        EXPECT_GT(at(handlers), images)
            << handlers << " before the image table: " << ::testing::PrintToString(calls);
    }
}

// The metadata file is whole before any handler goes in: a crash the instant a handler is in leaves a
// record that the next launch keeps only beside that file. Its writing holds on (as the image hook above
// does) until every start-up block that can run without it has finished, so a handler that did not wait
// for it would find it missing every time; the signal hook reads what is there.
static bool recordExecutableLast(CRKFile* file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (platform::DispatchQueue::workInFlight() > 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    return recordExecutable(file);
}
static std::string metadataPath;
static bool installSignalsReadingMetadata(CRKReadOnlyContext* readonly) {
    const auto sections = CRKFileReadSections(metadataPath.c_str(), false);
    std::string seen = "no metadata";
    if (sections && sections->size() == 4) {
        const Value& identity = (*sections)[0]["identity"];
        seen = (identity["session_id"].string() ? *identity["session_id"].string() : "-") + " " +
               (identity["install_id"].string() ? *identity["install_id"].string() : "-") + " " +
               ((*sections)[3]["executable"].dictionary() ? "executable" : "-");
    }
    note("metadata at signals: " + seen);
    return installSignals(readonly);
}

TEST_F(CRKContextTest, TheMetadataFileIsWholeBeforeAnyHandlerGoesIn) {
    CRKContextHooks hooks = allHooks();
    hooks.recordExecutable = recordExecutableLast;
    hooks.installSignalHandlers = installSignalsReadingMetadata;
    metadataPath = root_ + "/metadata.crkrecord";
    CRKContextSetHooks(hooks);
    ASSERT_TRUE(initialize());
    std::lock_guard<std::mutex> lock(callsMutex);
    const bool whole = std::find(calls.begin(), calls.end(),
                                 "metadata at signals: session install executable") != calls.end();
    EXPECT_TRUE(whole) << ::testing::PrintToString(calls);
}

// What the user-logging hook saw of the start-up texts: where they were and what they said.
static std::vector<std::pair<const void*, std::string>> textsSeen;
static void startUserLoggingSeeingTexts(CRKReadOnlyContext*, CRKWritableContext*,
                                        const CRKContextInitData* data) {
    std::lock_guard<std::mutex> lock(callsMutex);
    for (const char* text : {data->apiKey, data->customBundleId, data->rootPath, data->sessionId,
                             data->installId, data->betaToken})
        textsSeen.emplace_back(text, text ? text : "<none>");
}

// The hook may run after the start-up wait has returned and the caller has freed its texts: it reads
// copies of them, never the caller's memory.
TEST_F(CRKContextTest, TheUserLoggingHookReadsItsOwnCopiesOfTheTexts) {
    CRKContextHooks hooks;
    hooks.startUserLogging = startUserLoggingSeeingTexts;
    CRKContextSetHooks(hooks);
    textsSeen.clear();
    std::vector<std::string> texts = {"api-key", "com.custom", root_, "session", "install", "beta"};
    CRKContextInitData data;
    data.apiKey = texts[0].c_str();
    data.customBundleId = texts[1].c_str();
    data.rootPath = texts[2].c_str();
    data.sessionId = texts[3].c_str();
    data.installId = texts[4].c_str();
    data.betaToken = texts[5].c_str();
    ASSERT_TRUE(CRKContextInitialize(&data));
    ASSERT_TRUE(CRKContextIsInitialized());

    std::lock_guard<std::mutex> lock(callsMutex);
    ASSERT_EQ(textsSeen.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(textsSeen[i].second, texts[i]);
        EXPECT_NE(textsSeen[i].first, static_cast<const void*>(texts[i].c_str())) << texts[i];
    }
}

TEST_F(CRKContextTest, WithADebuggerNoHandlerIsInstalledButTheRestRuns) {
    debuggerPresent = true;
    CRKContextSetHooks(allHooks());
    ASSERT_TRUE(initialize());
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls,
              (std::vector<std::string>{"images " + root_ + "/binary_images.crkrecord", "logging 64 1"}));
    EXPECT_TRUE(CRKSharedContext().readonly->debuggerAttached);
    EXPECT_NE(contents(root_ + "/sdk.log").find("Debugger present - not installing handlers\n"),
              std::string::npos);
    EXPECT_TRUE(exists(root_ + "/metadata.crkrecord"));
}

// Start-ups whose blocks outlive the initializer's wait. Each start-up holds in its user-logging block at
// a gate of its own (picked by the start-up data's key cap) until the test opens it; the initializer
// waits for none of them. The real-time bounds only catch a hang.
constexpr auto kHangBound = std::chrono::seconds(120);

class StartupGate {
public:
    void arriveAndHold() {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, kHangBound, [&] { return open_; });
    }
    bool waitForArrival() {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kHangBound, [&] { return arrived_; });
    }
    void open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool arrived_ = false;
    bool open_ = false;
};

StartupGate* startupGates = nullptr;

void startUserLoggingHeld(CRKReadOnlyContext*, CRKWritableContext*, const CRKContextInitData* data) {
    startupGates[data->maxCustomKeys].arriveAndHold();
}

class CRKContextLateStartUpTest : public CRKContextTest {
protected:
    void SetUp() override {
        CRKContextTest::SetUp();
        startupGates = gates_;
        CRKContextHooks hooks = allHooks();
        hooks.startUserLogging = startUserLoggingHeld;
        CRKContextSetHooks(hooks);
        CRKContextSetStartupWaitForTesting(0);
    }
    void TearDown() override {
        // A test that stopped early still lets its start-ups end before the context goes.
        for (StartupGate& gate : gates_) gate.open();
        EXPECT_TRUE(CRKContextWaitForStartUpsForTesting(0, kHangBound.count()));
        CRKContextTest::TearDown();
    }

    // Starts the context in a folder and with a session of its own, held at gate `which`.
    bool initializeHeld(int which) {
        const std::string name = which == 0 ? "first" : "second";
        const std::string folder = root_ + "/" + name;
        mkdir(folder.c_str(), 0755);
        CRKContextInitData data;
        data.rootPath = folder.c_str();
        data.sessionId = name.c_str();
        data.maxCustomKeys = uint32_t(which);
        return CRKContextInitialize(&data);
    }

    StartupGate gates_[2];
};

TEST_F(CRKContextLateStartUpTest, AStartUpFinishingAfterItsContextWasTornDownWritesNothing) {
    testsupport::LogCapture log;
    ASSERT_TRUE(initializeHeld(0));
    ASSERT_TRUE(gates_[0].waitForArrival());
    EXPECT_NE(contents(root_ + "/first/sdk.log").find("] Error: Delayed initialization\n"),
              std::string::npos);
    EXPECT_FALSE(CRKContextIsInitialized());
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    const CRKAllocator* allocator = CRKSharedContext().allocator;
    ASSERT_TRUE(readonly && allocator);

    CRKContextResetForTesting();
    gates_[0].open();
    ASSERT_TRUE(CRKContextWaitForStartUpsForTesting(0, kHangBound.count()));
    EXPECT_FALSE(CRKContextIsInitialized());
    EXPECT_FALSE(readonly->initialized);
    EXPECT_FALSE(allocator->isProtected);
    EXPECT_TRUE(log.contains("finished after its context was torn down; nothing was written into it"));
}

TEST_F(CRKContextLateStartUpTest, AStartUpFinishingAfterTheContextStartedAgainLeavesTheNewOneAlone) {
    testsupport::LogCapture log;
    const CRKContext& context = CRKSharedContext();
    ASSERT_TRUE(initializeHeld(0));
    ASSERT_TRUE(gates_[0].waitForArrival());
    const CRKReadOnlyContext* first = context.readonly;
    const CRKAllocator* firstAllocator = context.allocator;
    ASSERT_TRUE(initializeHeld(1));
    ASSERT_TRUE(gates_[1].waitForArrival());
    const CRKReadOnlyContext* second = context.readonly;
    const CRKAllocator* secondAllocator = context.allocator;
    ASSERT_NE(first, second);

    gates_[0].open();
    ASSERT_TRUE(CRKContextWaitForStartUpsForTesting(1, kHangBound.count()));
    EXPECT_FALSE(CRKContextIsInitialized());
    EXPECT_FALSE(second->initialized);
    EXPECT_FALSE(secondAllocator->isProtected);
    EXPECT_FALSE(first->initialized);
    EXPECT_FALSE(firstAllocator->isProtected);
    EXPECT_TRUE(log.contains("finished after the context was started again; nothing was written into it"));

    // The second start-up still finishes as a late one does.
    gates_[1].open();
    ASSERT_TRUE(CRKContextWaitForStartUpsForTesting(0, kHangBound.count()));
    EXPECT_TRUE(CRKContextIsInitialized());
    EXPECT_TRUE(secondAllocator->isProtected);
    EXPECT_TRUE(log.contains("finished after its wait gave up; the crash context is now initialised"));
    const auto sections = CRKFileReadSections((root_ + "/second/metadata.crkrecord").c_str(), false);
    ASSERT_TRUE(sections && !sections->empty());
    EXPECT_EQ(*(*sections)[0]["identity"]["session_id"].string(), "second");

    // Metadata is written from the read-only context it is given, whichever is the process's now.
    ASSERT_TRUE(CRKContextRecordMetadata(first, (root_ + "/first").c_str()));
    const auto firstSections = CRKFileReadSections((root_ + "/first/metadata.crkrecord").c_str(), false);
    ASSERT_TRUE(firstSections && !firstSections->empty());
    EXPECT_EQ(*(*firstSections)[0]["identity"]["session_id"].string(), "first");
}

TEST_F(CRKContextTest, MissingPiecesDegradeWithoutStoppingStartUp) {
    CRKContextInitData noRoot;
    EXPECT_FALSE(CRKContextInitialize(nullptr));
    EXPECT_FALSE(CRKContextInitialize(&noRoot));
    CRKContextResetForTesting();

    // No hooks at all: the metadata file still has its identity, host and application sections.
    ASSERT_TRUE(initialize());
    auto sections = CRKFileReadSections((root_ + "/metadata.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    EXPECT_EQ(sections->size(), 3u);
    const std::string log = contents(root_ + "/sdk.log");
    EXPECT_NE(log.find("WARN  [CRKContextRecordMetadata:"), std::string::npos);
    EXPECT_NE(log.find("] Unable to write out executable metadata\n"), std::string::npos);
}

TEST_F(CRKContextTest, TheFirstFatalEventWins) {
    EXPECT_FALSE(CRKContextMarkAndCheckIfCrashed());
    EXPECT_FALSE(CRKContextHasCrashed());
    ASSERT_TRUE(initialize());
    EXPECT_FALSE(CRKContextHasCrashed());
    EXPECT_FALSE(CRKContextMarkAndCheckIfCrashed());
    EXPECT_TRUE(CRKContextHasCrashed());
    EXPECT_TRUE(CRKContextMarkAndCheckIfCrashed());
    EXPECT_TRUE(CRKContextMarkAndCheckIfCrashed());
}

TEST_F(CRKContextTest, CrashTimeChainWritesProcessStorageAndCallsBack) {
    mkdir(platform::StandardFolders::documents().c_str(), 0755);
    CRKContextSetHooks(allHooks());
    Callback callback;
    ASSERT_TRUE(initialize(&callback));

    const std::string path = root_ + "/signal.crkrecord";
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, path.c_str(), false));
    CRKFileWriteSectionStart(&file, "signal");
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashEntryUInt64(&file, "number", 11);
    CRKFileWriteHashEnd(&file);
    CRKFileWriteSectionEnd(&file);
    CRKHandler(&file, 77, nullptr);
    CRKFileClose(&file);
    EXPECT_EQ(callback.delivered, 1);
    EXPECT_NE(contents(root_ + "/sdk.log").find("Performing syncrhonous crash callback"), std::string::npos);

    auto sections = CRKFileReadSections(path.c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 3u);
    EXPECT_EQ((*sections)[1]["threads"].array()->at(0).number()->intValue(), 77);
    const Value& storage = (*sections)[2]["storage"];
    ASSERT_TRUE(storage.dictionary());
    EXPECT_GT(storage["total"].number()->unsignedLongLongValue(), 0u);
    EXPECT_LE(storage["free"].number()->unsignedLongLongValue(),
              storage["total"].number()->unsignedLongLongValue());

    CRKHandlerAttemptImmediateDelivery();
    EXPECT_EQ(callback.submittable, 1);
}

TEST_F(CRKContextTest, StorageFallsBackToTheHomesVolumeAndIsLeftOutWhenNeitherCanBeExamined) {
    const std::string realHome = home();
    struct statvfs volume;
    ASSERT_EQ(statvfs(realHome.c_str(), &volume), 0);
    const uint64_t homeTotal = uint64_t(volume.f_frsize) * volume.f_blocks;
    for (const bool homeExists : {true, false}) {
        SCOPED_TRACE(homeExists ? "no Documents folder" : "no Documents folder and no home");
        setenv("XDG_DOCUMENTS_DIR", (realHome + "/no/such/folder").c_str(), 1);
        if (!homeExists) setenv("HOME", (realHome + "/no/such/home").c_str(), 1);
        ASSERT_TRUE(initialize());
        CRKFile file;
        const std::string path = root_ + "/exception.crkrecord";
        ASSERT_TRUE(CRKFileInitWithPath(&file, path.c_str(), false));
        EXPECT_EQ(CRKHostRecordStorage(&file), homeExists);
        CRKFileClose(&file);
        if (homeExists) {
            const auto sections = CRKFileReadSections(path.c_str(), false);
            ASSERT_TRUE(sections && sections->size() == 1);
            const Value& storage = (*sections)[0]["storage"];
            ASSERT_TRUE(storage["total"].number() && storage["free"].number());
            EXPECT_EQ(storage["total"].number()->unsignedLongLongValue(), homeTotal);
            EXPECT_LE(storage["free"].number()->unsignedLongLongValue(), homeTotal);
        } else {
            EXPECT_EQ(contents(path), "");
        }
        CRKContextResetForTesting();
        unlink(path.c_str());
        setenv("HOME", realHome.c_str(), 1);
    }
}

TEST_F(CRKContextTest, DiagnosticLogFormatsWithoutAFormattingLibrary) {
    // Nothing is written before the context exists.
    CRKSDKLog(CRKSDKLogLevelError, "ERROR [%s:%d] early\n", "f", 1);
    ASSERT_TRUE(initialize());
    CRKWritableContext* writable = CRKSharedContext().writable;
    if (writable->logDescriptor >= 0) close(writable->logDescriptor);
    writable->logDescriptor = -1;
    unlink((root_ + "/sdk.log").c_str());

    writable->logLevel = CRKSDKLogLevelWarn;
    CRKSDKLOG_DEBUG("hidden\n");
    CRKSDKLOG_INFO("hidden\n");
    EXPECT_FALSE(exists(root_ + "/sdk.log"));  // below the level: not even opened

    // Through a pointer the compiler cannot see through, so that it does not check the call against
    // printf's conversions: the logger must survive conversions it does not know, a null text and a
    // trailing "%".
    void (*volatile uncheckedLog)(int32_t, const char*, ...) = CRKSDKLog;
    uncheckedLog(CRKSDKLogLevelWarn, "WARN  [%s:%d] %s %s %u %x %d %p %zu %lx %q%%\n", "function", 12, "text",
                 static_cast<const char*>(nullptr), 4000000000u, 0xbeefu, -7, reinterpret_cast<void*>(0x1f),
                 size_t(9), long(10));
    CRKSDKLOG_ERROR("end\n");
    uncheckedLog(CRKSDKLogLevelError, "trailing %");
    const std::string log = contents(root_ + "/sdk.log");
    EXPECT_EQ(log.substr(0, log.find("ERROR")),
              "WARN  [function:12] text (null) 4000000000 beef -7 0x1f %zu %lx %q%%\n");
    EXPECT_EQ(log.substr(log.find("ERROR")).substr(0, 16), "ERROR [TestBody:");
    EXPECT_TRUE(log.ends_with("] end\ntrailing %")) << log;
    struct stat info {};
    ASSERT_EQ(stat((root_ + "/sdk.log").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);  // the user's alone, whatever the process's mask
}

TEST_F(CRKContextTest, AllocatorRegionsGuardsAndFallbacks) {
    const uint64_t page = uint64_t(sysconf(_SC_PAGESIZE));
    CRKAllocator* allocator = CRKAllocatorCreate(page, 100);
    ASSERT_TRUE(allocator);
    // A size that is already whole pages still gains one; the read-only request grows by the record.
    EXPECT_EQ(allocator->writable.size, 2 * page);
    EXPECT_EQ(allocator->readOnly.size, page);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(allocator), allocator->readOnly.start);
    EXPECT_EQ(allocator->writable.start, allocator->base + page);
    EXPECT_EQ(allocator->readOnly.start, allocator->writable.start + 2 * page + page);
    // The guard pages cannot be read.
    char probe;
    EXPECT_FALSE(CRKReadMemory(allocator->base, &probe, 1));
    EXPECT_FALSE(CRKReadMemory(allocator->writable.start + allocator->writable.size, &probe, 1));
    EXPECT_FALSE(CRKReadMemory(allocator->readOnly.start + allocator->readOnly.size, &probe, 1));
    EXPECT_TRUE(CRKReadMemory(allocator->writable.start, &probe, 1));

    void* first = CRKAllocatorSafeAllocate(allocator, 10, CRKAllocationTypeWritable);
    void* second = CRKAllocatorSafeAllocate(allocator, 10, CRKAllocationTypeWritable);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first), allocator->writable.start);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(second), allocator->writable.start + 10);  // no alignment added
    void* readOnly = CRKAllocatorSafeAllocate(allocator, 8, CRKAllocationTypeReadOnly);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(readOnly), allocator->readOnly.start + sizeof(CRKAllocator));
    EXPECT_EQ(CRKAllocatorSafeAllocate(allocator, 8, 2), nullptr);

    // Too large for what is left: from the heap.
    void* large = CRKAllocatorSafeAllocate(allocator, 3 * page, CRKAllocationTypeWritable);
    ASSERT_TRUE(large);
    EXPECT_TRUE(reinterpret_cast<uintptr_t>(large) < allocator->base ||
                reinterpret_cast<uintptr_t>(large) > allocator->readOnly.start + allocator->readOnly.size);
    free(large);

    EXPECT_TRUE(CRKAllocatorProtect(allocator));
    EXPECT_TRUE(allocator->isProtected);
    EXPECT_TRUE(CRKAllocatorProtect(allocator));
    void* late = CRKAllocatorSafeAllocate(allocator, 8, CRKAllocationTypeWritable);
    EXPECT_NE(reinterpret_cast<uintptr_t>(late), allocator->writable.start + 20);
    free(late);
    EXPECT_FALSE(CRKAllocatorProtect(nullptr));

    CRKAllocator* noWritable = CRKAllocatorCreate(0, 0);
    ASSERT_TRUE(noWritable);
    EXPECT_EQ(noWritable->writable.size, 0u);
    EXPECT_EQ(noWritable->readOnly.size, page);
    // Memory from the heap is zeroed as the region's is, even where the heap hands back a block it had
    // before: callers rely on it (the crash stacks are not cleared again).
    const auto allZeros = [](const void* memory, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(memory);
        return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
    };
    EXPECT_TRUE(allZeros(first, 20));
    EXPECT_TRUE(allZeros(readOnly, 8));
    void* used = malloc(96);
    ASSERT_TRUE(used);
    memset(used, 0xA5, 96);
    free(used);
    void* fallback = CRKAllocatorSafeAllocate(noWritable, 96, CRKAllocationTypeWritable);
    ASSERT_TRUE(fallback);
    EXPECT_TRUE(allZeros(fallback, 96));
    free(fallback);
    void* heap = CRKAllocatorSafeAllocate(nullptr, 4, CRKAllocationTypeReadOnly);
    ASSERT_TRUE(heap);
    EXPECT_TRUE(allZeros(heap, 4));
    CRKAllocatorFree(nullptr, heap);
    munmap(reinterpret_cast<void*>(allocator->base), 6 * page);
    munmap(reinterpret_cast<void*>(noWritable->base), 4 * page);
}

TEST_F(CRKContextTest, HostVersionNumbers) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"10.5.8", 0},       {"10.6.0", 1060},  {"10.9.5", 1090}, {"10.10", 101000},
        {"10.14.6", 101400}, {"10.16", 101600}, {"10.17", 0},     {"11.0", 0}};
    for (const auto& [version, number] : cases) {
        platform::SystemVersion::setOverride(std::string(version));
        EXPECT_EQ(CRKHostOSVersionNumber(), number) << version;
    }
    EXPECT_EQ(CRKHostGetPageSize(), uint64_t(sysconf(_SC_PAGESIZE)));
}

TEST_F(CRKContextTest, OperationAddedAfterItsDelay) {
    auto queue = OperationQueue::create("test");
    std::atomic<int> ran{0};
    CRKAddOperationAfter(2.0, queue, [&] { ran++; });
    advance(1.9);
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 0);
    advance(0.1);
    runUntilIdle();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 1);
}

TEST_F(CRKContextTest, Utilities) {
    char hex[7];
    CRKHexEncodeBytes("\x00\xab\xff", 3, hex);
    EXPECT_STREQ(hex, "00abff");
    EXPECT_EQ(CRKHexDecodeDigit('f'), 15);
    EXPECT_EQ(CRKHexDecodeDigit('F'), 15);
    EXPECT_EQ(CRKHexDecodeDigit('9'), 9);
    EXPECT_EQ(CRKHexDecodeDigit('g'), 255);
    EXPECT_EQ(CRKHashBytes("abc", 3), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(CRKHashNSData(platform::Data::fromString("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(CRKNSDataToHexString(platform::Data("\x01\xfe", 2)), "01fe");

    const std::string uuid = CRKGenerateUUID();
    EXPECT_EQ(uuid.size(), 36u);
    EXPECT_EQ(uuid[14], '4');
    EXPECT_EQ(CRKNormalizeUUID("AB-CD-ef"), "abcdef");
    const std::string normalized = CRKGenerateNormalizedUUID();
    EXPECT_EQ(normalized.size(), 32u);
    EXPECT_EQ(normalized.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(CRKGenerateNormalizedUUID(), normalized);

    EXPECT_TRUE(CRKUnlinkIfExists((home() + "/missing").c_str()));
    EXPECT_TRUE(CRKUnlinkIfExists((home() + "/no/such/dir/x").c_str()));
    const std::string file = home() + "/plain";
    ASSERT_TRUE(platform::Files::writeAtomically(file, platform::Data::fromString("x")));
    EXPECT_FALSE(CRKUnlinkIfExists((file + "/x").c_str()));
    EXPECT_TRUE(CRKUnlinkIfExists(file.c_str()));
    EXPECT_FALSE(platform::Files::read(file).has_value());

    const char text[] = "readable";
    char copy[9] = {};
    EXPECT_TRUE(CRKReadMemory(reinterpret_cast<uintptr_t>(text), copy, sizeof copy));
    EXPECT_STREQ(copy, "readable");
    EXPECT_FALSE(CRKReadMemory(16, copy, 1));
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_FALSE(CRKReadMemory(reinterpret_cast<uintptr_t>(page), copy, 1));
    const char* found = nullptr;
    EXPECT_TRUE(CRKReadString(reinterpret_cast<uintptr_t>(text), &found, 64));
    EXPECT_EQ(found, text);
    EXPECT_FALSE(CRKReadString(reinterpret_cast<uintptr_t>(text), &found, 4));
    EXPECT_FALSE(CRKReadString(reinterpret_cast<uintptr_t>(page), &found, 4));
    munmap(page, 4096);

    bool called = false;
    CRKDladdrWithBlock(reinterpret_cast<uintptr_t>(&CRKGenerateUUID),
                       [&](const char* symbol, const char* image) {
                           called = true;
                           EXPECT_TRUE(symbol && image);
                       });
    EXPECT_TRUE(called);
    CRKDladdrWithBlock(16, [&](const char* symbol, const char* image) {
        EXPECT_EQ(symbol, nullptr);
        EXPECT_EQ(image, nullptr);
    });
}

}  // namespace
