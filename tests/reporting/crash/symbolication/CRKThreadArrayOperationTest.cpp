// The steps that carry a crash record's frames from addresses to a symbolicated file, as a record of a
// deep recursion meets them: hundreds of thousands of frames on one thread, a few addresses repeated,
// and a quit that may cancel the work at any frame.

#include "reporting/crash/symbolication/CRKThreadArrayOperation.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKDemangleOperation.h"
#include "reporting/crash/symbolication/CRKProcessReportOperation.h"
#include "reporting/crash/symbolication/CRKSerializeSymbolicatedFramesOperation.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

// Visits frames with a block of the test's own.
class Walk : public CRKThreadArrayOperation {
public:
    using CRKThreadArrayOperation::CRKThreadArrayOperation;
    std::function<void(CRKStackFrame&, size_t)> visit;
    void main() override { enumerateFramesWithBlock(visit); }
};

std::shared_ptr<CRKThreadArray> threads(const std::vector<size_t>& sizes) {
    auto array = std::make_shared<CRKThreadArray>();
    uint64_t address = 0x1000;
    for (const size_t size : sizes) {
        array->emplace_back();
        for (size_t i = 0; i < size; i++)
            array->back().push_back(CRKStackFrame::stackFrameWithAddress(address++));
    }
    return array;
}

// A signal record whose crashed thread holds `frames` frames, the given addresses over and over, as a
// recursion leaves it (with `more` of that thread's fields), and a second thread standing on the first
// address.
std::string deepRecord(size_t frames, const std::vector<uint64_t>& addresses, const std::string& more = "") {
    std::string stack;
    stack.reserve(frames * 8);
    for (size_t i = 0; i < frames; i++)
        stack += (i ? "," : "") + std::to_string(addresses[i % addresses.size()]);
    return "{\"signal\":{\"number\":11,\"time\":1700000000}}\n{\"threads\":[{\"stacktrace\":[" + stack +
           "],\"crashed\":true" + more + "},{\"stacktrace\":[" + std::to_string(addresses[0]) + "]}]}\n";
}

// What the calling thread has read and written through system calls so far: a step that returns at
// once reads and writes next to nothing, where one run whole over a long record moves megabytes.
struct ThreadIO {
    uint64_t read = 0;
    uint64_t written = 0;
};

ThreadIO threadIO() {
    ThreadIO io;
    std::ifstream in("/proc/thread-self/io");
    std::string key;
    uint64_t value = 0;
    while (in >> key >> value) {
        if (key == "rchar:") io.read = value;
        if (key == "wchar:") io.written = value;
    }
    return io;
}

class CRKThreadArrayOperationTest : public testsupport::KestruneTest {};

TEST_F(CRKThreadArrayOperationTest, ACancellationStopsTheWholeWalkNotOnlyItsThread) {
    // Cancelled at the walk's fifth frame, in the second of three threads: none after it is visited.
    auto array = threads({3, 4, 5});
    Walk walk(array);
    std::vector<uint64_t> visited;
    walk.visit = [&](CRKStackFrame& frame, size_t index) {
        visited.push_back(frame.address);
        EXPECT_EQ(index, visited.size() <= 3 ? visited.size() - 1 : visited.size() - 4);
        if (visited.size() == 5) walk.cancel();
    };
    walk.main();
    EXPECT_EQ(visited, (std::vector<uint64_t>{0x1000, 0x1001, 0x1002, 0x1003, 0x1004}));

    // Cancelled before it begins: nothing at all.
    Walk early(array);
    size_t count = 0;
    early.visit = [&](CRKStackFrame&, size_t) { count++; };
    early.cancel();
    early.main();
    EXPECT_EQ(count, 0u);
}

TEST_F(CRKThreadArrayOperationTest, EachNameIsDemangledOnceAndEveryFrameGetsItsOwn) {
    auto array = std::make_shared<CRKThreadArray>(1);
    const auto frame = [&](std::optional<std::string> raw) {
        auto made = CRKStackFrame::stackFrame();
        made->rawSymbol = raw;
        made->symbol = raw;
        array->front().push_back(made);
        return made;
    };
    // The same name in many frames, names that do not demangle between them, and a frame without one.
    std::vector<std::shared_ptr<CRKStackFrame>> recursion, plain, broken, none;
    for (int i = 0; i < 3; i++) {
        recursion.push_back(frame("_ZN8platform7RunLoop3runEv"));
        plain.push_back(frame("main"));
        broken.push_back(frame("_Znot a name"));
        none.push_back(frame(std::nullopt));
    }
    CRKDemangleOperation demangle(array);
    demangle.start();
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(recursion[i]->symbol, "platform::RunLoop::run()") << i;
        EXPECT_EQ(recursion[i]->rawSymbol, "_ZN8platform7RunLoop3runEv") << i;
        EXPECT_EQ(plain[i]->symbol, "main") << i;
        EXPECT_EQ(broken[i]->symbol, "_Znot a name") << i;
        EXPECT_EQ(none[i]->symbol, std::nullopt) << i;
    }
}

TEST_F(CRKThreadArrayOperationTest, FramesNamedAlikeShareOneObjectAndKeepTheirPlaces) {
    const std::string path = home() + "/signal.crkrecord";
    // 100,000 frames of 14 addresses, the second thread standing on the first address, and an interrupted
    // frame: where the stack places a frame and how it is to be named survive the sharing.
    std::vector<uint64_t> addresses;
    for (uint64_t i = 0; i < 14; i++) addresses.push_back(0x400000 + 0x10 * i);
    uploadtest::writeFile(path, deepRecord(100000, addresses, ",\"interrupted_frames\":[15,2000000]"));

    const auto array = CRKProcessReportOperation::threadArrayFromFile(path);
    ASSERT_TRUE(array);
    ASSERT_EQ(array->size(), 2u);
    const auto& deep = (*array)[0];
    ASSERT_EQ(deep.size(), 100000u);
    std::set<const CRKStackFrame*> distinct;
    size_t misplaced = 0;
    for (size_t i = 0; i < deep.size(); i++) {
        if (deep[i]->address != addresses[i % 14] || deep[i]->interrupted != (i == 15)) misplaced++;
        distinct.insert(deep[i].get());
    }
    EXPECT_EQ(misplaced, 0u);
    // The first frame, 14 return addresses and the interrupted one.
    EXPECT_EQ(distinct.size(), 16u);
    EXPECT_NE(deep[0].get(), deep[14].get());  // the thread stood on it, and later returned to it
    EXPECT_EQ(deep[14].get(), deep[28].get());
    EXPECT_NE(deep[15].get(), deep[29].get());  // interrupted there, returned there
    EXPECT_EQ(deep[29].get(), deep[43].get());
    ASSERT_EQ((*array)[1].size(), 1u);
    EXPECT_EQ((*array)[1][0].get(), deep[0].get());  // another thread standing on the same instruction
}

TEST_F(CRKThreadArrayOperationTest, ACancelledSerializationLeavesTheEarlierFileAndNoPartOfItsOwn) {
    const std::string folder = home() + "/report";
    const std::string output = folder + "/signal.crkrecord.symbolicated";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    auto array = threads({20000, 20000});
    for (auto& thread : *array)
        for (auto& frame : thread) frame->symbol = frame->rawSymbol = "named";
    uploadtest::writeFile(output, "an earlier whole file\n");

    // Cancelled before its first frame (as a cancellation that lands once it has begun): it writes no
    // frame, where writing them all and then throwing them away would leave the same files.
    CRKSerializeSymbolicatedFramesOperation cancelled(array, output);
    cancelled.cancel();
    const ThreadIO before = threadIO();
    cancelled.main();
    const uint64_t cancelledBytes = threadIO().written - before.written;
    EXPECT_LT(cancelledBytes, 4096u);
    EXPECT_EQ(uploadtest::readFile(output), "an earlier whole file\n");
    EXPECT_EQ(platform::Files::listDirectory(folder),
              std::vector<std::string>{"signal.crkrecord.symbolicated"});

    CRKSerializeSymbolicatedFramesOperation whole(array, output);
    whole.start();
    const auto sections = CRKFileReadSections(output.c_str(), false);
    ASSERT_TRUE(sections && sections->size() == 1);
    const auto* written = (*sections)[0]["threads"].array();
    ASSERT_TRUE(written && written->size() == 2);
    EXPECT_EQ((*written)[1].array()->size(), 20000u);
    EXPECT_GT(platform::Files::read(output)->size(), 1000000u);  // what the cancelled one did not write
}

// A cancellation that lands while a record is read (a long record takes seconds to read) finds no step
// under way to reach: each step of that record, and every later record, must see it before it begins.
TEST_F(CRKThreadArrayOperationTest, NoStepOrRecordBegunAfterTheCancelRuns) {
    const std::string images = "{\"load\":{\"path\":\"/gone/lib.so\",\"base\":4096,\"size\":65536}}\n";
    const std::string record = deepRecord(100000, {0x1010, 0x1020, 0x1030});

    // The cancellation came while the record was read: no step of it runs, and it gets no file.
    const std::string first = uploadtest::seedReport(
        home() + "/steps", "r", {{"binary_images.crkrecord", images}, {"signal.crkrecord", record}});
    const auto resolver = std::make_shared<CRKSymbolResolver>();
    ASSERT_TRUE(resolver->loadBinaryImagesFromFile(first + "/binary_images.crkrecord"));
    CRKProcessReportOperation operation(CRKInternalReport::reportWithPath(first), resolver);
    operation.cancel();
    EXPECT_FALSE(operation.symbolicateFile_withResolver(first + "/signal.crkrecord", resolver));
    EXPECT_FALSE(platform::Files::exists(first + "/signal.crkrecord.symbolicated"));

    // The cancellation came while the first of two records was read (one that cannot be read, whose
    // reading says so in the log as it happens): the second is not even read.
    const std::string second = uploadtest::seedReport(
        home() + "/records", "r", {{"binary_images.crkrecord", images}, {"signal.crkrecord", record}});
    ASSERT_EQ(mkdir((second + "/exception.crkrecord").c_str(), 0700), 0);
    auto process = std::make_shared<CRKProcessReportOperation>(CRKInternalReport::reportWithPath(second),
                                                               std::make_shared<CRKSymbolResolver>());
    bool landed = false;
    const auto previous = platform::Log::setSink([&](const std::string& line) {
        if (line.find("exception.crkrecord") == std::string::npos) return;
        landed = true;
        process->cancel();
    });
    const ThreadIO before = threadIO();
    process->start();
    const uint64_t readBytes = threadIO().read - before.read;
    platform::Log::setSink(previous);
    ASSERT_TRUE(landed);
    EXPECT_LT(readBytes, record.size() / 4);
    EXPECT_FALSE(platform::Files::exists(second + "/signal.crkrecord.symbolicated"));
}

// The quit's cancellation comes from another thread while the record is worked on: it reaches the step
// under way (here the file's writing), and the record ends with a whole symbolicated file or none, never
// part of one.
TEST_F(CRKThreadArrayOperationTest, AProcessCancelledFromAnotherThreadLeavesNoPartOfAFile) {
    const std::string report = uploadtest::seedReport(
        home(), "deep",
        {{"binary_images.crkrecord", "{\"load\":{\"path\":\"/gone/lib.so\",\"base\":4096,\"size\":65536}}\n"},
         {"signal.crkrecord", deepRecord(300000, {0x1010, 0x1020, 0x1030, 0x1040, 0x1050})}});
    const std::string output = report + "/signal.crkrecord.symbolicated";

    // Cancelled before it starts: nothing is written.
    auto early = std::make_shared<CRKProcessReportOperation>(CRKInternalReport::reportWithPath(report),
                                                             std::make_shared<CRKSymbolResolver>());
    early->cancel();
    early->start();
    EXPECT_FALSE(platform::Files::exists(output));

    // Cancelled as its serialization begins (the hidden partial file appears), from the test's thread.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, report.c_str(), IN_CREATE), 0);
    auto operation = std::make_shared<CRKProcessReportOperation>(CRKInternalReport::reportWithPath(report),
                                                                 std::make_shared<CRKSymbolResolver>());
    std::thread worker([operation] { operation->start(); });
    bool partialSeen = false;
    while (!partialSeen && !operation->isFinished()) {
        pollfd ready{watch, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        char buffer[4096] __attribute__((aligned(alignof(inotify_event))));
        const ssize_t length = read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len && std::string(event->name).find(".partial") != std::string::npos)
                partialSeen = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    operation->cancel();
    worker.join();
    close(watch);
    EXPECT_TRUE(operation->isFinished());
    for (const std::string& name : platform::Files::listDirectory(report))
        EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
    // Cancelled while it wrote the file (a long stretch of work for 300,000 frames): it never appeared.
    if (partialSeen) {
        EXPECT_FALSE(platform::Files::exists(output));
    }
    if (platform::Files::exists(output)) {
        // The whole work outran the cancellation: then the file is whole.
        const auto sections = CRKFileReadSections(output.c_str(), false);
        ASSERT_TRUE(sections && sections->size() == 1);
        const auto* written = (*sections)[0]["threads"].array();
        ASSERT_TRUE(written && written->size() == 2);
        EXPECT_EQ((*written)[0].array()->size(), 300000u);
    }
}

// The frames of a long thread are gathered after the record is read, and that gathering asks the stop
// as it goes too: a stop answered there ends it, with no thread array.
TEST_F(CRKThreadArrayOperationTest, GatheringALongThreadsFramesAsksTheStopAsItGoes) {
    constexpr size_t kFrames = 40000;
    const std::string path = home() + "/signal.crkrecord";
    uploadtest::writeFile(path, deepRecord(kFrames, {0x1010, 0x1020, 0x1030}));
    size_t read = 0;
    ASSERT_TRUE(CRKFileReadSections(path.c_str(), false, nullptr, SIZE_MAX, [&] {
        read++;
        return false;
    }));
    size_t asked = 0;
    const auto gathered = CRKProcessReportOperation::threadArrayFromFile(path, [&] {
        asked++;
        return false;
    });
    ASSERT_TRUE(gathered && gathered->size() == 2 && gathered->front().size() == kFrames);
    EXPECT_GE(asked - read, kFrames / 4096) << "asked " << asked << " times, " << read << " of them reading";

    // The second ask after the reading's is in the long thread's gathering.
    size_t count = 0;
    EXPECT_FALSE(CRKProcessReportOperation::threadArrayFromFile(path, [&] { return ++count >= read + 2; }));
    EXPECT_EQ(count, read + 2) << "the gathering went on past the stop";
}

// A quit lands at some ask of the operation's stop while a long record is read or its frames gathered:
// the work ends right there, the stop is not asked again, and the record gets no symbolicated file.
TEST_F(CRKThreadArrayOperationTest, AStopAnsweredAtAnyAskOfARecordsWorkEndsItThere) {
    constexpr size_t kFrames = 40000;
    const std::string report = uploadtest::seedReport(
        home(), "deep",
        {{"binary_images.crkrecord", "{\"load\":{\"path\":\"/gone/lib.so\",\"base\":4096,\"size\":65536}}\n"},
         {"signal.crkrecord", deepRecord(kFrames, {0x1010, 0x1020, 0x1030})}});
    const std::string output = report + "/signal.crkrecord.symbolicated";
    // How often the stop was asked, answered true from its `stopAt`th ask on.
    const auto run = [&](size_t stopAt) {
        platform::Files::remove(output);
        CRKProcessReportOperation operation(CRKInternalReport::reportWithPath(report),
                                            std::make_shared<CRKSymbolResolver>());
        size_t asked = 0;
        operation.setStopCheckForTesting([&] { return ++asked >= stopAt; });
        operation.start();
        return asked;
    };
    const size_t asks = run(SIZE_MAX);
    ASSERT_TRUE(platform::Files::exists(output));
    // The reading and the gathering each ask at least once per 4,096 frames.
    EXPECT_GE(asks, 2 * (kFrames / 4096));
    for (const size_t stopAt : {size_t(1), size_t(2), asks / 2, asks}) {
        EXPECT_EQ(run(stopAt), stopAt) << "the work went on past the stop";
        EXPECT_FALSE(platform::Files::exists(output)) << stopAt;
    }
}

}  // namespace
