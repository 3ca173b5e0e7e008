// The hostile crash suite: the probe crashes in each of many ways, twenty times each, and must end as
// that crash would end it while leaving a record that reads back whole.
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/base/ThreadSignalStack.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/reporting/crash/capture/CrashProbe.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;

struct Expectation {
    const char* kind;
    int signal;                 // the signal that ends the process, or 0
    int exitCode;               // the exit status otherwise
    uint64_t recordedSignal;    // as the record numbers it
    const char* exceptionName;  // an exception record with this name, or null
    const char* exceptionReason;
    const char* recordFile = "signal.crkrecord";
};

const Expectation kKinds[] = {
    {crashprobe::kNull, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kOverflowMain, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kOverflowPlatform, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kHeapAbort, SIGABRT, 0, 6, nullptr, nullptr},
    {crashprobe::kStdoutLock, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kSigbus, SIGBUS, 0, 10, nullptr, nullptr},
    {crashprobe::kSigfpe, SIGFPE, 0, 8, nullptr, nullptr},
    {crashprobe::kSigill, SIGILL, 0, 4, nullptr, nullptr},
    {crashprobe::kRaiseSigbus, SIGBUS, 0, 10, nullptr, nullptr},
    {crashprobe::kThrowCString, SIGABRT, 0, 6, "const char *", "probe C string"},
    {crashprobe::kThrowString, SIGABRT, 0, 6, "std::string", "probe std::string"},
    {crashprobe::kThrowRuntimeError, SIGABRT, 0, 6, "ProbeError", "probe runtime error"},
    {crashprobe::kThrowExceptionPointer, SIGABRT, 0, 6, "ProbeError", "probe error by pointer"},
    {crashprobe::kThrowInt, SIGABRT, 0, 6, "int", ""},
    {crashprobe::kThrowNoPrevious, SIGABRT, 0, 6, "int", ""},
    {crashprobe::kPlatformException, SIGABRT, 0, 6, "ProbeException", "probe reason"},
    {crashprobe::kEightThreads, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kHandlerCrash, 0, 1, 11, nullptr, nullptr},
    {crashprobe::kHostHandler, 0, crashprobe::kHostHandlerExit, 11, nullptr, nullptr},
    // The exception server's own task: recorded as a bad access of the main thread, answered with success.
    {crashprobe::kMachOwnTask, 0, crashprobe::kMachReplyExit, 1, nullptr, nullptr,
     "mach_exception.crkrecord"},
    // Crashes the handler itself used to fault on: each ends as the crash would, with a whole record.
    {crashprobe::kUnloadedCall, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kWildCall, SIGSEGV, 0, 11, nullptr, nullptr},
    {crashprobe::kCrashInSignalHandler, SIGSEGV, 0, 11, nullptr, nullptr},
    // Named after what the program threw, not the library's wrapper around it.
    {crashprobe::kThrowNested, SIGABRT, 0, 6, "std::logic_error", "probe nested"},
    // The handler's calls bound before the loader's list was damaged; an overflow on a thread the
    // program started. The probe damages the list only once the kit's start-up work has finished and
    // the workers that ran it have ended, so the program's abort is the only crash. The report names the
    // first crash: had another thread faulted first (a lazily bound call of the system's libraries,
    // resolved through the damaged entry), that fault would be the one recorded, not the abort.
    {crashprobe::kLibcEntryMoved, SIGABRT, 0, 6, nullptr, nullptr},
    {crashprobe::kLibcEntryZeroed, SIGABRT, 0, 6, nullptr, nullptr},
    {crashprobe::kOverflowProgramThread, SIGSEGV, 0, 11, nullptr, nullptr},
};

struct Variant {
    const char* name;
    const char* program;
    int runs;
};

const Variant kPlain = {"plain", CRASH_PROBE_PATH, 20};
// Each allocator and lock call checks the stack it runs on, which makes every run slower.
const Variant kInterposing = {"interposing", CRASH_PROBE_INTERPOSE_PATH, 5};

// Test names and listings show the kind, not the bytes of the parameter.
void PrintTo(const Expectation& expectation, std::ostream* out) {
    *out << expectation.kind;
}
void PrintTo(const Variant& variant, std::ostream* out) {
    *out << variant.name;
}

const Value::Array* sectionArray(const Value::Array& sections, const char* name) {
    for (const auto& section : sections) {
        const Value& content = section[name];
        if (content.array()) return content.array();
    }
    return nullptr;
}

const Value* section(const Value::Array& sections, const char* name) {
    for (const auto& entry : sections) {
        const Value::Dictionary* object = entry.dictionary();
        if (!object) continue;
        auto found = object->find(name);
        if (found != object->end()) return &found->second;
    }
    return nullptr;
}

uint64_t unsignedOf(const Value& value) {
    return value.number() ? value.number()->unsignedLongLongValue() : 0;
}

// Everything one run must satisfy; the failures of a run are gathered as text.
std::vector<std::string> checkRun(const Expectation& expected, const crashprobe::Run& run,
                                  const std::string& root) {
    std::vector<std::string> faults;
    const auto fault = [&](const std::string& text) { faults.push_back(text); };
    if (!run.started) return {"not started"};
    if (run.hung) return {"hung"};
    if (expected.signal) {
        if (!WIFSIGNALED(run.status) || WTERMSIG(run.status) != expected.signal)
            fault("ended with status " + std::to_string(run.status));
    } else if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) != expected.exitCode) {
        fault("ended with status " + std::to_string(run.status));
    }
    const auto sections = CRKFileReadSections((root + "/" + expected.recordFile).c_str(), false);
    if (!sections) return faults.push_back(std::string("no ") + expected.recordFile), faults;
    const Value* signal = section(*sections, "signal");
    const Value* exception = section(*sections, "mach_exception");
    if (signal ? unsignedOf((*signal)["number"]) != expected.recordedSignal
               : !exception || unsignedOf((*exception)["exception"]) != expected.recordedSignal)
        fault("wrong event record");

    const Value::Array* threads = sectionArray(*sections, "threads");
    const Value::Array* queues = sectionArray(*sections, "dispatch_queue_names");
    const Value::Array* names = sectionArray(*sections, "thread_names");
    if (!threads || !queues || !names) return faults.push_back("per-thread section missing"), faults;
    if (threads->size() != queues->size() || threads->size() != names->size())
        fault("per-thread sections differ in length");
    for (const char* name : {"runtime", "process_stats", "storage"}) {
        if (!section(*sections, name)) fault(std::string("no ") + name);
    }

    const crashprobe::Facts facts = crashprobe::readFacts(root + ".facts");
    int crashedCount = 0;
    for (const auto& thread : *threads) {
        if (!thread["crashed"].number() || !thread["crashed"].number()->boolValue()) continue;
        crashedCount++;
        // An overflowed stack pointer lies just below the stack's lowest page.
        if (!crashprobe::Facts::inAny(facts.stacks, unsignedOf(thread["registers"]["rsp"]), 65536))
            fault("crashed thread's rsp outside its stack");
        bool inCrashFunction = false;
        if (const Value::Array* frames = thread["stacktrace"].array()) {
            for (const auto& frame : *frames)
                inCrashFunction |= crashprobe::Facts::inAny(facts.functions, unsignedOf(frame));
        }
        if (!inCrashFunction) fault("no frame in a crash function");
        // A stack overflowed by recursion writes its repeated frame once, with the count.
        const std::string kind = expected.kind;
        if (kind.rfind("overflow", 0) == 0 &&
            (!thread["repeated_pc"].number() || unsignedOf(thread["repeat_count"]) < 1000))
            fault("recursion not suppressed");
    }
    if (crashedCount != 1) fault("crashed threads: " + std::to_string(crashedCount));

    if (expected.exceptionName) {
        const auto exceptionSections = CRKFileReadSections((root + "/exception.crkrecord").c_str(), false);
        const Value* exception = exceptionSections ? section(*exceptionSections, "exception") : nullptr;
        if (!exception) {
            fault("no exception record");
        } else {
            const std::string name = CRKFileHexDecodeString(
                (*exception)["name"].string() ? (*exception)["name"].string()->c_str() : "");
            const std::string reason = CRKFileHexDecodeString(
                (*exception)["reason"].string() ? (*exception)["reason"].string()->c_str() : "");
            // Uncaught C++ exceptions carry no frames; the platform's carry where they were raised.
            const bool platformException = std::string(expected.kind) == crashprobe::kPlatformException;
            const std::string* type = (*exception)["type"].string();
            if (!type || *type != (platformException ? "objective-c" : "c++")) fault("wrong exception type");
            if (platformException != (exception->dictionary()->count("frames") > 0))
                fault("frames present or missing");
            if (std::string(expected.kind) == crashprobe::kThrowNoPrevious) {
                // Nothing else is called before the abort.
                std::ifstream log(root + "/sdk.log");
                const std::string text((std::istreambuf_iterator<char>(log)),
                                       std::istreambuf_iterator<char>());
                if (text.find("original handler was set recursively") == std::string::npos ||
                    text.find("invoking pre-existing handler") != std::string::npos)
                    fault("previous handler not treated as none");
            }
            if (name != expected.exceptionName || reason != expected.exceptionReason)
                fault("exception record " + name + ": " + reason);
            // The thread that threw is the crashed one, though the kit's worker writes the record: its
            // stack runs through the function that threw.
            const Value::Array* recorded =
                exceptionSections ? sectionArray(*exceptionSections, "threads") : nullptr;
            int crashed = 0;
            bool throughThrower = false;
            for (size_t i = 0; recorded && i < recorded->size(); i++) {
                const Value& thread = (*recorded)[i];
                if (!thread["crashed"].number() || !thread["crashed"].number()->boolValue()) continue;
                crashed++;
                for (const auto& frame :
                     thread["stacktrace"].array() ? *thread["stacktrace"].array() : Value::Array())
                    throughThrower |= crashprobe::Facts::inAny(facts.functions, unsignedOf(frame));
            }
            if (crashed != 1 || !throughThrower)
                fault("exception record's crashed thread is not the thrower");
        }
    }
    return faults;
}

class CrashProbeSuiteCheck : public testsupport::KestruneTest {};

class CrashProbeSuite : public testsupport::KestruneTest,
                        public ::testing::WithParamInterface<std::tuple<Expectation, Variant>> {};

TEST_P(CrashProbeSuite, EndsAsTheCrashWouldAndLeavesARecord) {
    const auto& [expected, variant] = GetParam();
    std::mutex faultsMutex;
    std::vector<std::string> faults;
    std::atomic<int> next{0};
    // A few runs at once keep the suite quick; each has its own home and report folder.
    std::vector<std::thread> runners;
    for (int worker = 0; worker < 4; worker++) {
        runners.emplace_back([&] {
            for (int index = next++; index < variant.runs; index = next++) {
                const std::string runHome = home() + "/run" + std::to_string(index);
                const std::string root = runHome + "/report";
                mkdir(runHome.c_str(), 0700);
                mkdir(root.c_str(), 0700);
                const crashprobe::Run run =
                    crashprobe::run(variant.program, {expected.kind, root, "2"}, runHome);
                for (const auto& text : checkRun(expected, run, root)) {
                    std::lock_guard<std::mutex> lock(faultsMutex);
                    faults.push_back("run " + std::to_string(index) + ": " + text);
                }
            }
        });
    }
    for (auto& runner : runners) runner.join();
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// The interposing variant would pass vacuously if its check never fired: a handler that allocates
// must end it with its own status, where the plain probe just crashes.
TEST_F(CrashProbeSuiteCheck, TheInterposingVariantCatchesAnAllocationInsideTheHandler) {
    for (const Variant& variant : {kPlain, kInterposing}) {
        const std::string runHome = home() + "/" + variant.name;
        const std::string root = runHome + "/report";
        mkdir(runHome.c_str(), 0700);
        mkdir(root.c_str(), 0700);
        const crashprobe::Run run =
            crashprobe::run(variant.program, {crashprobe::kHandlerAllocates, root}, runHome);
        ASSERT_TRUE(run.started && !run.hung) << variant.name;
        if (std::string(variant.name) == "plain") {
            EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGSEGV) << run.status;
        } else {
            EXPECT_TRUE(WIFEXITED(run.status) &&
                        WEXITSTATUS(run.status) == crashprobe::kAllocationOnSignalStackExit)
                << run.status;
        }
    }
}

// The exception server answers a message about another task with failure and writes nothing; the
// process goes on (and exits with the probe's own status).
TEST_F(CrashProbeSuiteCheck, TheServerAnswersAnotherTaskWithFailureAndWritesNothing) {
    const std::string root = home() + "/report";
    mkdir(root.c_str(), 0700);
    const crashprobe::Run run = crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kMachOtherTask, root}, home());
    ASSERT_TRUE(run.started && !run.hung);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == crashprobe::kMachFailureReplyExit)
        << run.status;
    EXPECT_NE(access((root + "/mach_exception.crkrecord").c_str(), F_OK), 0);
    EXPECT_NE(access((root + "/signal.crkrecord").c_str(), F_OK), 0);
}

// The exception server's thread has an alternate stack of its own, so that a fault on it is still
// recorded by the signal handler. The probe has no sanitizer, which would give every thread a stack.
TEST_F(CrashProbeSuiteCheck, TheServersThreadRunsWithAnAlternateStackOfItsOwn) {
    const std::string root = home() + "/report";
    mkdir(root.c_str(), 0700);
    const crashprobe::Run run =
        crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kMachServerSignalStack, root}, home(), true);
    ASSERT_TRUE(run.started && !run.hung);
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == crashprobe::kMachServerStackExit)
        << run.status;
    std::istringstream answer(run.output);
    int flags = -1;
    size_t size = 0;
    ASSERT_TRUE(answer >> flags >> size) << run.output;
    // The handler that asked ran on it.
    EXPECT_EQ(flags, SS_ONSTACK) << run.output;
    EXPECT_EQ(size, platform::ThreadSignalStack::kSize);
}

// Code without unwind information is walked by its frame pointers alone: a crash deep in a recursion of
// such code is recorded whole, and a thread whose frame pointer has left the stack for a ring of heap
// words is recorded in a handful of frames, not the walk's 600,000.
class CrashProbeFramePointerTest : public testsupport::KestruneTest {
protected:
    // Runs the probe's kind to its crash; the record's threads and the probe's facts are then read.
    void crash(const char* kind) {
        root_ = home() + "/report";
        mkdir(root_.c_str(), 0700);
        const crashprobe::Run run = crashprobe::run(CRASH_PROBE_PATH, {kind, root_}, home(), false, 20);
        ASSERT_TRUE(run.started);
        ASSERT_FALSE(run.hung);
        ASSERT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGSEGV) << run.status;
        sections_ = CRKFileReadSections((root_ + "/signal.crkrecord").c_str(), false);
        ASSERT_TRUE(sections_);
        threads_ = sectionArray(*sections_, "threads");
        ASSERT_TRUE(threads_);
        facts_ = crashprobe::readFacts(root_ + ".facts");
    }

    bool in(uint64_t address, const std::string& name) const {
        const auto found = facts_.named.find(name);
        return found != facts_.named.end() && address >= found->second.first &&
               address < found->second.second;
    }

    static std::vector<uint64_t> framesOf(const Value& thread) {
        std::vector<uint64_t> frames;
        if (const Value::Array* stacktrace = thread["stacktrace"].array()) {
            for (const auto& frame : *stacktrace) frames.push_back(unsignedOf(frame));
        }
        return frames;
    }

    std::string root_;
    std::optional<Value::Array> sections_;
    const Value::Array* threads_ = nullptr;
    crashprobe::Facts facts_;
};

TEST_F(CrashProbeFramePointerTest, ACrashDeepInARecursionIsRecordedWhole) {
    ASSERT_NO_FATAL_FAILURE(crash(crashprobe::kFramePointerRecursion));
    const Value* crashed = nullptr;
    for (const auto& thread : *threads_) {
        if (thread["crashed"].number() && thread["crashed"].number()->boolValue()) crashed = &thread;
    }
    ASSERT_TRUE(crashed);
    const std::vector<uint64_t> frames = framesOf(*crashed);
    // Frame 0 is the fault in the deepest call. Each call below the first returns into the recursion at
    // one address: the recorder writes it ten times, then names it with the count of its repeats after
    // the first, the last of them 99,999 for 100,000 calls. Then the first call's caller, its caller (the
    // thread's start routine, which has unwind information), and on through the thread's start.
    ASSERT_GE(frames.size(), 14u);
    EXPECT_TRUE(in(frames[0], "recurse"));
    const uint64_t recursive = frames[1];
    EXPECT_TRUE(in(recursive, "recurse"));
    EXPECT_NE(recursive, frames[0]);
    EXPECT_EQ(std::vector<uint64_t>(frames.begin() + 1, frames.begin() + 11),
              std::vector<uint64_t>(10, recursive));
    EXPECT_EQ(unsignedOf((*crashed)["repeated_pc"]), recursive);
    EXPECT_EQ(unsignedOf((*crashed)["repeat_count"]) + 1, uint64_t(crashprobe::kFramePointerRecursionCalls));
    EXPECT_TRUE(in(frames[11], "recursion"));
    EXPECT_TRUE(in(frames[12], "recursion-thread"));
}

TEST_F(CrashProbeFramePointerTest, AThreadParkedWithItsFramePointerOnAHeapRingIsRecordedInAHandfulOfFrames) {
    ASSERT_NO_FATAL_FAILURE(crash(crashprobe::kFramePointerRing));
    ASSERT_EQ(facts_.named.count("ring"), 1u);
    const uint64_t ring = facts_.named.at("ring").first;
    const Value* parked = nullptr;
    for (const auto& thread : *threads_) {
        if (unsignedOf(thread["registers"]["rbp"]) == ring) parked = &thread;
    }
    ASSERT_TRUE(parked);
    // The ring's words lie in order: the chain climbs through them and ends where the last names the
    // first, after the seven "return addresses" it read on the way.
    const std::vector<uint64_t> frames = framesOf(*parked);
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(in(frames[0], "park"));
    EXPECT_EQ(
        std::vector<uint64_t>(frames.begin() + 1, frames.end()),
        (std::vector<uint64_t>{ring + 16, ring + 24, ring + 32, ring + 40, ring + 48, ring + 56, ring}));
    struct stat record;
    ASSERT_EQ(stat((root_ + "/signal.crkrecord").c_str(), &record), 0);
    EXPECT_LT(record.st_size, 1 << 20);
}

std::string kindName(const ::testing::TestParamInfo<std::tuple<Expectation, Variant>>& info) {
    std::string name = std::string(std::get<1>(info.param).name) + "_" + std::get<0>(info.param).kind;
    for (char& c : name) {
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, CrashProbeSuite,
                         ::testing::Combine(::testing::ValuesIn(kKinds),
                                            ::testing::Values(kPlain, kInterposing)),
                         kindName);

}  // namespace
