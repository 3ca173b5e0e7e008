// The capture pieces in this process: name and mask tables, handler installation, the exception-port
// server's answers, the process records with live threads, and the exception records.
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/mach/Mach.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Application.h"
#include "platform/system/SystemVersion.h"
#include "reporting/crash/CRKHost.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKMachException.h"
#include "reporting/crash/capture/CRKProcess.h"
#include "reporting/crash/capture/CRKSignal.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;
namespace mach = platform::mach;

class CRKCaptureTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        root_ = home() + "/run";
        mkdir(root_.c_str(), 0700);
    }
    void TearDown() override {
        platform::SystemVersion::setOverride(std::nullopt);
        // The real hooks read the process's context while they start; a start-up that outlived its wait
        // (a loaded machine) ends before the context goes.
        EXPECT_TRUE(CRKContextWaitForStartUpsForTesting(0, 120));
        CRKContextResetForTesting();
        mach::resetForTesting();
        platform::Application::shared().resetForTesting();
        KestruneTest::TearDown();
    }
    std::optional<Value::Array> read(const std::string& name) const {
        return CRKFileReadSections((root_ + "/" + name).c_str(), false);
    }
    std::string root_;
};

TEST_F(CRKCaptureTest, SignalNamesMasksAndNumbersFollowTheRecordNumbering) {
    const struct {
        uint32_t number;
        const char* name;
        const char* codeName;
        uint32_t mask;
    } table[] = {{3, "UNKNOWN", nullptr, 0},    {4, "SIGILL", nullptr, 4},  {5, "SIGTRAP", nullptr, 64},
                 {6, "SIGABRT", "ABORT", 1024}, {7, "UNKNOWN", nullptr, 0}, {8, "SIGFPE", nullptr, 8},
                 {9, "UNKNOWN", nullptr, 0},    {10, "SIGBUS", nullptr, 2}, {11, "SIGSEGV", nullptr, 2},
                 {12, "SIGSYS", nullptr, 1024}, {13, "UNKNOWN", nullptr, 0}};
    for (const auto& row : table) {
        const char* name = nullptr;
        const char* codeName = "unset";
        CRKSignalNameLookup(row.number, 0, &name, &codeName);
        EXPECT_STREQ(name, row.name) << row.number;
        EXPECT_STREQ(codeName, row.codeName) << row.number;
        EXPECT_EQ(CRKMachExceptionMaskForSignal(row.number), row.mask) << row.number;
    }
    EXPECT_EQ(CRKSignalRecordNumber(SIGBUS), 10u);
    EXPECT_EQ(CRKSignalRecordNumber(SIGSYS), 12u);
    EXPECT_EQ(CRKSignalFromRecordNumber(10), SIGBUS);
    std::vector<int> order;
    CRKSignalEnumerateHandledSignals([&](int, int signal) { order.push_back(signal); });
    EXPECT_EQ(order, (std::vector<int>{SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSEGV, SIGSYS, SIGTRAP}));
}

TEST_F(CRKCaptureTest, SignalRecordWritesSignedCodesAsTwosComplementAndSkipsAbsentInformation) {
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, (root_ + "/signal.crkrecord").c_str(), false));
    siginfo_t information = {};
    information.si_code = SI_TKILL;
    CRKSignalWriteRecord(&file, SIGBUS, &information, 4);
    CRKSignalWriteRecord(&file, SIGSEGV, reinterpret_cast<const siginfo_t*>(16), 0);
    CRKFileClose(&file);
    const auto sections = read("signal.crkrecord");
    ASSERT_TRUE(sections);
    const Value& sent = (*sections)[0]["signal"];
    EXPECT_EQ(sent["number"].number()->unsignedLongLongValue(), 10u);
    EXPECT_EQ(sent["code"].number()->unsignedLongLongValue(), uint64_t(int64_t(SI_TKILL)));
    EXPECT_EQ(*sent["name"].string(), "SIGBUS");
    EXPECT_TRUE(sent["code_name"].isNull());
    EXPECT_EQ(sent["errno"].number()->unsignedLongLongValue(), 4u);
    const Value& bare = (*sections)[1]["signal"];
    EXPECT_EQ(bare.dictionary()->size(), 2u);  // errno and time only
}

TEST_F(CRKCaptureTest, ASecondInstallNeverSavesTheKitsOwnHandler) {
    CRKSignalState first = {};
    CRKSignalState second = {};
    ASSERT_TRUE(CRKSignalInitialize(&first));
    ASSERT_TRUE(CRKSignalInitialize(&second));
    for (const auto& saved : second.originalActions) {
        EXPECT_FALSE((saved.sa_flags & SA_SIGINFO) && saved.sa_sigaction == CRKSignalHandler);
    }
    ASSERT_TRUE(CRKSignalSafeInstallPreexistingHandlers(&first));
    struct sigaction now = {};
    sigaction(SIGSEGV, nullptr, &now);
    EXPECT_NE(now.sa_sigaction, CRKSignalHandler);
}

TEST_F(CRKCaptureTest, StartUpWarningsNameHandlersThatAreNotTheKits) {
    struct sigaction foreign = {};
    foreign.sa_handler = SIG_IGN;
    struct sigaction previous = {};
    sigaction(SIGTRAP, &foreign, &previous);
    CRKSignalState state = {};
    ::testing::internal::CaptureStderr();
    CRKSignalCheckHandlers();
    const std::string before = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(CRKSignalInitialize(&state));
    ::testing::internal::CaptureStderr();
    CRKSignalCheckHandlers();
    const std::string after = ::testing::internal::GetCapturedStderr();
    CRKSignalSafeInstallPreexistingHandlers(&state);
    sigaction(SIGTRAP, &previous, nullptr);
    EXPECT_NE(before.find("[CrashKit] The signal SIGTRAP has a non-CrashKit handler"), std::string::npos)
        << before;
    EXPECT_EQ(after, "");

    testsupport::LogCapture log;
    platform::UserDefaults::standard()->setBool_forKey(false, "NSApplicationCrashOnExceptions");
    CRKExceptionCheckHandlers();
    EXPECT_TRUE(log.contains("NSApplicationCrashOnExceptions is not set"));
    EXPECT_TRUE(log.contains("[CrashKit:Crash] Warning: std::get_terminate is '"));
}

TEST_F(CRKCaptureTest, WithADebuggerTheRealHooksInstallNoHandler) {
    struct sigaction before = {};
    sigaction(SIGSEGV, nullptr, &before);
    CRKContextHooks hooks = CRKCaptureHooks();
    hooks.debuggerAttached = [] {
        return CRKProcessDebuggerAttachedInStatus("Name:\tx\nTracerPid:\t4242\n");
    };
    CRKContextSetHooks(hooks);
    CRKContextInitData data;
    data.rootPath = root_.c_str();
    ASSERT_TRUE(CRKContextInitialize(&data));
    struct sigaction after = {};
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(after.sa_sigaction, before.sa_sigaction);
    mach::ExceptionPorts ports = {};
    ASSERT_EQ(mach::taskGetExceptionPorts(mach::taskSelf(), mach::kMaskBadAccess, &ports), mach::kSuccess);
    EXPECT_EQ(ports.ports[0], mach::kNullPort);
    EXPECT_NE(platform::Application::shared().reportExceptionImplementation(), nullptr);
}

TEST_F(CRKCaptureTest, TracerPidDecidesTheDebugger) {
    EXPECT_FALSE(CRKProcessDebuggerAttachedInStatus("Name:\tx\nTracerPid:\t0\nUid:\t0\n"));
    EXPECT_TRUE(CRKProcessDebuggerAttachedInStatus("Name:\tx\nTracerPid:\t17\n"));
    EXPECT_FALSE(CRKProcessDebuggerAttachedInStatus("Name:\tx\n"));
    EXPECT_FALSE(CRKProcessDebuggerAttachedInStatus(nullptr));
}

TEST_F(CRKCaptureTest, ExceptionMaskGainsGuardFromTenSevenAndDropsTheLeaveAloneBits) {
    const struct {
        uint32_t version;
        uint32_t leaveAlone;
        uint32_t mask;
    } table[] = {{0, 0, 78},    {1060, 0, 78},   {1070, 0, 4174},  {101406, 0, 4174},
                 {1060, 2, 76}, {1070, 2, 4172}, {1070, 4096, 78}, {1070, 0xffff, 0}};
    for (const auto& row : table) {
        EXPECT_EQ(CRKMachExceptionMask(row.version, row.leaveAlone), row.mask)
            << row.version << " " << row.leaveAlone;
    }
    // Registration takes the running system's version.
    for (const auto& [version, mask] : {std::pair<const char*, uint32_t>{"10.6.8", 76}, {"10.7", 4172}}) {
        platform::SystemVersion::setOverride(std::string(version));
        EXPECT_EQ(CRKMachExceptionMask(CRKHostOSVersionNumber(), 2), mask) << version;
    }
    platform::SystemVersion::setOverride(std::nullopt);
}

TEST_F(CRKCaptureTest, ExceptionNamesAndCodeNames) {
    const struct {
        int32_t type;
        int64_t code;
        const char* name;
        const char* codeName;
    } table[] = {{1, 1, "EXC_BAD_ACCESS", "KERN_INVALID_ADDRESS"},
                 {1, 2, "EXC_BAD_ACCESS", "KERN_PROTECTION_FAILURE"},
                 {1, 3, "EXC_BAD_ACCESS", nullptr},
                 {2, 0, "EXC_BAD_INSTRUCTION", "EXC_I386_INVOP"},
                 {3, 1, "EXC_ARITHMETIC", "EXC_I386_DIV"},
                 {3, 8, "EXC_ARITHMETIC", "EXC_I386_SSEEXTERR"},
                 {3, 9, "EXC_ARITHMETIC", nullptr},
                 {6, 0, "EXC_BREAKPOINT", "EXC_I386_DIVERR"},
                 {6, 8, "EXC_BREAKPOINT", nullptr},
                 {6, 17, "EXC_BREAKPOINT", "EXC_I386_ALIGNFLT"},
                 {6, 25, "EXC_BREAKPOINT", nullptr},
                 {6, 33, "EXC_BREAKPOINT", "EXC_I386_ENDPERR"},
                 {6, 34, "EXC_BREAKPOINT", nullptr},
                 {12, 0, "EXC_GUARD", nullptr},
                 {5, 0, nullptr, nullptr},
                 {13, 0, nullptr, nullptr}};
    for (const auto& row : table) {
        const char* name = "unset";
        const char* codeName = "unset";
        CRKMachExceptionNameLookup(row.type, row.code, &name, &codeName);
        EXPECT_STREQ(name, row.name) << row.type << " " << row.code;
        EXPECT_STREQ(codeName, row.codeName) << row.type << " " << row.code;
    }
}

TEST_F(CRKCaptureTest, SwappingExceptionPortsAnswersThePreviousOnesMerged) {
    mach::Port first = 0, second = 0;
    ASSERT_EQ(mach::portAllocate(&first), mach::kSuccess);
    ASSERT_EQ(mach::portAllocate(&second), mach::kSuccess);
    ASSERT_EQ(mach::taskSetExceptionPorts(mach::taskSelf(), mach::kMaskBadAccess | mach::kMaskArithmetic,
                                          first, 1, 13),
              mach::kSuccess);
    mach::ExceptionPorts previous = {};
    ASSERT_EQ(mach::taskSwapExceptionPorts(mach::taskSelf(), 78, second, 1, 13, &previous), mach::kSuccess);
    ASSERT_EQ(previous.count, 2u);
    EXPECT_EQ(previous.ports[0], first);
    EXPECT_EQ(previous.masks[0], mach::kMaskBadAccess | mach::kMaskArithmetic);
    EXPECT_EQ(previous.ports[1], mach::kNullPort);
    EXPECT_EQ(previous.masks[1], mach::kMaskBadInstruction | mach::kMaskBreakpoint);
    EXPECT_EQ(mach::taskSwapExceptionPorts(mach::taskSelf() + 1, 2, second, 1, 13, &previous),
              mach::kInvalidArgument);
    // A destroyed port's name stops working, even when its slot is taken again.
    ASSERT_EQ(mach::portDestroy(first), mach::kSuccess);
    mach::Port third = 0;
    ASSERT_EQ(mach::portAllocate(&third), mach::kSuccess);
    mach::MessageHeader header = {0, sizeof header, first, 0, 0, 1};
    EXPECT_EQ(mach::send(&header, sizeof header), mach::kSendInvalidDestination);
}

// Threads in several situations: on a labelled serial queue, named, and one that blocks the
// suspension signal and so never answers.
TEST_F(CRKCaptureTest, ProcessRecordsDescribeEveryThreadAndLetThemGo) {
    ASSERT_TRUE(CRKProcessInstallSuspendHandler());
    std::mutex mutex;
    std::condition_variable changed;
    bool release = false;
    int ready = 0;
    const auto park = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        ready++;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
    };
    auto queue = platform::DispatchQueue::createSerial("probe.queue");
    std::atomic<bool> queueDone{false};
    queue->async([&] {
        park();
        queueDone = true;
    });
    std::thread named([&] {
        pthread_setname_np(pthread_self(), "named-worker");
        park();
    });
    std::atomic<CRKThread> silentThread{0};
    std::thread silent([&] {
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, CRKProcessSuspendSignal());
        pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
        pthread_setname_np(pthread_self(), "silent-worker");
        silentThread = CRKProcessCurrentThread();
        park();
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return ready == 3; });
    }

    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, (root_ + "/process.crkrecord").c_str(), false));
    CRKProcessRecord(&file, uint64_t(CRKProcessCurrentThread()), nullptr);
    CRKFileClose(&file);
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
        changed.notify_all();
    }
    named.join();
    silent.join();
    queue->sync([] {});
    EXPECT_TRUE(queueDone);

    const auto sections = read("process.crkrecord");
    ASSERT_TRUE(sections);
    ASSERT_GE(sections->size(), 4u);
    const Value::Array& threads = *(*sections)[0]["threads"].array();
    const Value::Array& queues = *(*sections)[2]["dispatch_queue_names"].array();
    const Value::Array& names = *(*sections)[3]["thread_names"].array();
    ASSERT_EQ(queues.size(), threads.size());
    ASSERT_EQ(names.size(), threads.size());
    int crashed = 0, silentEntries = 0, labelled = 0, namedEntries = 0;
    for (size_t i = 0; i < threads.size(); i++) {
        if (threads[i]["crashed"].number()) crashed++;
        if (queues[i].string() && *queues[i].string() == "probe.queue") labelled++;
        if (names[i].string() && *names[i].string() == "named-worker") namedEntries++;
        if (names[i].string() && *names[i].string() == "silent-worker") {
            silentEntries++;
            EXPECT_TRUE(queues[i].isNull());
            EXPECT_TRUE(threads[i]["stacktrace"].array()->empty());
            EXPECT_FALSE(threads[i].dictionary()->count("registers"));
        } else if (!queues[i].isNull()) {
            // Every thread that answered has its registers (a sanitizer's own threads may not answer).
            EXPECT_TRUE(threads[i]["registers"]["rsp"].number()) << i;
        }
    }
    EXPECT_EQ(crashed, 1);
    EXPECT_EQ(labelled, 1);
    EXPECT_EQ(namedEntries, 1);
    EXPECT_EQ(silentEntries, 1);
    const Value& stats = (*sections)[4]["process_stats"];
    EXPECT_GT(stats["resident"].number()->unsignedLongLongValue(), 0u);
    EXPECT_EQ(stats["freeMem"], stats["free_mem"]);
    EXPECT_EQ(*(*sections)[1]["runtime"]["objc_selector"].string(), "");
}

void recordingReportException(platform::Application&, const platform::Exception& exception) {
    platform::logf("previous implementation saw %s", exception.name().c_str());
}

TEST_F(CRKCaptureTest, ReportExceptionIsReplacedOnlyWhenCrashingOnExceptionsIsSet) {
    for (bool crashOnExceptions : {false, true}) {
        platform::Application::shared().resetForTesting();
        platform::Application::shared().replaceReportException(recordingReportException);
        platform::UserDefaults::standard()->setBool_forKey(crashOnExceptions,
                                                           "NSApplicationCrashOnExceptions");
        CRKContextHooks hooks;
        hooks.installExceptionHandlers = CRKExceptionInitialize;
        hooks.debuggerAttached = [] { return false; };
        CRKContextSetHooks(hooks);
        CRKContextInitData data;
        data.rootPath = root_.c_str();
        ASSERT_TRUE(CRKContextInitialize(&data));
        std::set_terminate(CRKSharedContext().readonly->exception.previousTerminateHandler);

        testsupport::LogCapture log;
        platform::Application::shared().reportException(platform::Exception("Named", "why"));
        EXPECT_TRUE(log.contains("previous implementation saw Named"));
        const auto sections = read("exception.crkrecord");
        ASSERT_EQ(sections.has_value(), crashOnExceptions);
        if (crashOnExceptions) {
            const Value& exception = (*sections)[0]["exception"];
            EXPECT_EQ(*exception["type"].string(), "objective-c");
            EXPECT_EQ(CRKFileHexDecodeString(exception["name"].string()->c_str()), "Named");
            EXPECT_EQ(CRKFileHexDecodeString(exception["reason"].string()->c_str()), "why");
            const Value::Array* frames = exception["frames"].array();
            ASSERT_TRUE(frames && !frames->empty());
            // Frames without symbol, library and file carry only these three.
            EXPECT_EQ((*frames)[0].dictionary()->size(), 3u);
            EXPECT_TRUE((*frames)[0]["pc"].number());
            EXPECT_TRUE((*frames)[0]["offset"].number());
            EXPECT_TRUE((*frames)[0]["line"].number());
        }
        CRKContextResetForTesting();
    }
}

TEST_F(CRKCaptureTest, AFrameWritesEveryFieldItHas) {
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, (root_ + "/exception.crkrecord").c_str(), false));
    CRKExceptionFrame frame;
    frame.address = 0x1000;
    frame.symbol = "main";
    frame.offset = 12;
    frame.library = "libx.so";
    frame.fileName = "x.cpp";
    frame.lineNumber = 7;
    CRKExceptionWriteRecord(&file, 9, "n", "r", {frame});
    CRKFileClose(&file);
    const auto sections = read("exception.crkrecord");
    ASSERT_TRUE(sections);
    const Value& exception = (*sections)[0]["exception"];
    EXPECT_EQ(*exception["type"].string(), "unknown");
    const Value& written = (*exception["frames"].array())[0];
    EXPECT_EQ(CRKFileHexDecodeString(written["symbol"].string()->c_str()), "main");
    EXPECT_EQ(CRKFileHexDecodeString(written["library"].string()->c_str()), "libx.so");
    EXPECT_EQ(CRKFileHexDecodeString(written["file"].string()->c_str()), "x.cpp");
    EXPECT_EQ(written["line"].number()->unsignedLongLongValue(), 7u);
    EXPECT_EQ(CRKDemangleTypeName(typeid(std::runtime_error).name()), "std::runtime_error");
}

}  // namespace
