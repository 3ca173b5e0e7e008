// Crashes whose reports used to come out short: the moment the kit starts or installs its handler, after
// a wild write cut the loader's list or moved the C library's entry, a call through a null function
// pointer, an exception thrown on a thread the program did not start, an overflow on a thread it did. In
// each, the report's image list holds what was mapped, and the crashed thread, named by a second run of
// the probe, shows the function that crashed and its caller.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKSymbolResolver.h"
#include "tests/reporting/crash/capture/CrashProbe.h"
#include "tests/reporting/crash/image/BuildIdentifier.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::Value;

uint64_t unsignedOf(const Value& value) {
    return value.number() ? value.number()->unsignedLongLongValue() : 0;
}

std::string textOf(const Value& value) {
    return value.string() ? *value.string() : std::string("(null)");
}

struct Image {
    std::string path;
    uint64_t base = 0;
    uint64_t size = 0;
};

std::vector<Image> loadedImages(const std::string& root) {
    std::vector<Image> images;
    const auto sections = reporting::CRKFileReadSections((root + "/binary_images.crkrecord").c_str(), false);
    for (const Value& section : sections ? *sections : Value::Array()) {
        const Value& load = section["load"];
        if (load["path"].string())
            images.push_back({*load["path"].string(), unsignedOf(load["base"]), unsignedOf(load["size"])});
    }
    return images;
}

bool inAnImage(const std::vector<Image>& images, uint64_t address) {
    for (const Image& image : images) {
        if (address >= image.base && address - image.base < image.size) return true;
    }
    return false;
}

// The crashed thread of one record file, as recorded and as the symbolicator named it.
struct CrashedThread {
    std::vector<uint64_t> addresses;
    std::vector<std::string> symbols;
    std::vector<std::string> libraries;

    // Whether `caller` is named right after `function`: the crash and the call that led to it.
    bool namesInOrder(const std::string& function, const std::string& caller) const {
        for (size_t i = 0; i + 1 < symbols.size(); i++) {
            if (symbols[i] == function && symbols[i + 1] == caller) return true;
        }
        return false;
    }
    std::string describe() const {
        std::string text;
        for (size_t i = 0; i < symbols.size(); i++) text += symbols[i] + " (" + libraries[i] + ")\n";
        return text;
    }
};

std::optional<CrashedThread> crashedThread(const std::string& root, const std::string& file) {
    const auto record = reporting::CRKFileReadSections((root + "/" + file).c_str(), false);
    const auto named = reporting::CRKFileReadSections((root + "/" + file + ".symbolicated").c_str(), false);
    if (!record || !named || named->size() != 1) return std::nullopt;
    const Value::Array* threads = nullptr;
    for (const Value& section : *record) {
        if ((threads = section["threads"].array())) break;
    }
    const Value::Array* namedThreads = (*named)[0]["threads"].array();
    if (!threads || !namedThreads || namedThreads->size() != threads->size()) return std::nullopt;
    for (size_t i = 0; i < threads->size(); i++) {
        const Value& thread = (*threads)[i];
        if (!thread["crashed"].number() || !thread["crashed"].number()->boolValue()) continue;
        const Value::Array* stack = thread["stacktrace"].array();
        const Value::Array* frames = (*namedThreads)[i].array();
        if (!stack || !frames || stack->size() != frames->size()) return std::nullopt;
        CrashedThread crashed;
        for (size_t k = 0; k < stack->size(); k++) {
            crashed.addresses.push_back(unsignedOf((*stack)[k]));
            crashed.symbols.push_back(textOf((*frames)[k]["symbol"]));
            crashed.libraries.push_back(textOf((*frames)[k]["library"]));
        }
        return crashed;
    }
    return std::nullopt;
}

class CRKCrashedThreadTest : public testsupport::KestruneTest {
protected:
    // Runs the probe's kind into a report folder of its own, then a second run that names its frames.
    std::string crashAndSymbolicate(const char* kind, int expectedSignal,
                                    const std::vector<std::string>& environment = {}) {
        const std::string root = home() + "/report";
        mkdir(root.c_str(), 0700);
        const crashprobe::Run run =
            crashprobe::run(CRASH_PROBE_PATH, {kind, root}, home(), false, 30, environment);
        EXPECT_TRUE(run.started && !run.hung);
        EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == expectedSignal) << run.status;
        const crashprobe::Run named = crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kSymbolicate, root},
                                                      home(), false, 30, environment);
        EXPECT_TRUE(named.started && WIFEXITED(named.status) && WEXITSTATUS(named.status) == 0)
            << named.status;
        return root;
    }

    const std::string program_ = std::filesystem::path(CRASH_PROBE_PATH).filename();
};

// What one run that crashed at start left: the crash's signal, a load record of every image the facts
// list, every frame of every thread inside a recorded image, and the metadata file with its identity.
std::vector<std::string> imageListFaults(const std::string& root, const crashprobe::Run& run) {
    std::vector<std::string> found;
    if (!run.started || run.hung || !WIFSIGNALED(run.status) || WTERMSIG(run.status) != SIGSEGV)
        found.push_back("ended with status " + std::to_string(run.status));
    const std::vector<Image> images = loadedImages(root);
    std::set<std::string> paths;
    for (const Image& image : images) paths.insert(image.path);
    const crashprobe::Facts facts = crashprobe::readFacts(root + ".facts");
    if (facts.images.empty()) found.push_back("no images in the facts");
    for (const std::string& path : facts.images) {
        if (!paths.count(path)) found.push_back("no load record of " + path);
    }
    const auto sections = reporting::CRKFileReadSections((root + "/signal.crkrecord").c_str(), false);
    size_t frames = 0, outside = 0;
    for (const Value& section : sections ? *sections : Value::Array()) {
        for (const Value& thread :
             section["threads"].array() ? *section["threads"].array() : Value::Array()) {
            for (const Value& frame :
                 thread["stacktrace"].array() ? *thread["stacktrace"].array() : Value::Array()) {
                frames++;
                outside += !inAnImage(images, unsignedOf(frame));
            }
        }
    }
    if (frames == 0) found.push_back("no frames");
    if (outside > 0) found.push_back(std::to_string(outside) + " frames outside every image");
    // The next launch keeps a record only beside a metadata file that says whose it is: its identity
    // first, the program's executable last.
    const auto metadata = reporting::CRKFileReadSections((root + "/metadata.crkrecord").c_str(), false);
    const bool whole = metadata && metadata->size() == 4 &&
                       textOf((*metadata)[0]["identity"]["session_id"]) == "probe-session" &&
                       textOf((*metadata)[0]["identity"]["install_id"]) == "probe-install" &&
                       (*metadata)[3]["executable"].dictionary();
    if (!whole) found.push_back("no whole metadata file");
    return found;
}

// Runs the probe's kind `runs` times, `atOnce` at a time, each in a home of its own; the faults of all.
std::vector<std::string> crashManyTimes(const std::string& home, const char* kind, int runs, int atOnce) {
    std::mutex faultsMutex;
    std::vector<std::string> faults;
    std::vector<std::thread> workers;
    for (int w = 0; w < atOnce; w++) {
        workers.emplace_back([&, w] {
            for (int r = w; r < runs; r += atOnce) {
                const std::string runHome = home + "/run" + std::to_string(r);
                const std::string root = runHome + "/report";
                mkdir(runHome.c_str(), 0700);
                mkdir(root.c_str(), 0700);
                const crashprobe::Run run = crashprobe::run(CRASH_PROBE_PATH, {kind, root}, runHome);
                const std::vector<std::string> found = imageListFaults(root, run);
                std::lock_guard<std::mutex> lock(faultsMutex);
                for (const std::string& fault : found)
                    faults.push_back("run " + std::to_string(r) + ": " + fault);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    return faults;
}

// The image list is reset when the kit starts, and the records of that first burst are written by the
// kit's queue a moment later: a crash in between has the crash handler write them. Many crashes, eight at
// a time, each the moment the kit has started: every one lists every image and walks its stack in them.
TEST_F(CRKCrashedThreadTest, ACrashTheMomentTheKitStartsHasEveryImageInItsReport) {
    const std::vector<std::string> faults = crashManyTimes(home(), crashprobe::kAtStart, 24, 8);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

// The kit starts in blocks that run side by side; its signal handlers go in only once the image table
// can answer. A thread that faults the instant the SIGSEGV handler appears, while the kit is still
// starting, gets a report that lists every image, walks every thread in them, and has its metadata file
// whole beside it. The window is narrow: 300 crashes, eight at a time.
TEST_F(CRKCrashedThreadTest, ACrashTheInstantTheHandlerIsInstalledHasEveryImageInItsReport) {
    const std::vector<std::string> faults = crashManyTimes(home(), crashprobe::kAtHandlerInstall, 300, 8);
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults: " << ::testing::PrintToString(faults);
}

// A wild write cut the loader's list after the program's own entry: every library the kit knew stays in
// the table, so the stack of the thread that aborted is walked through the C library back into the
// probe's functions, each frame in a recorded image.
TEST_F(CRKCrashedThreadTest, ACrashAfterTheLoadersListWasCutIsWalkedThroughEveryLibrary) {
    const std::string root = crashAndSymbolicate(crashprobe::kCutLoaderList, SIGABRT);
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    EXPECT_TRUE(crashed->namesInOrder("probe_crash_abort", "probe_crash_thread_main")) << crashed->describe();
    EXPECT_EQ(crashed->libraries.front().rfind("libc.so", 0), 0u) << crashed->describe();
    const std::vector<Image> images = loadedImages(root);
    for (uint64_t address : crashed->addresses)
        EXPECT_TRUE(inAnImage(images, address)) << std::hex << address;
}

// Frame 0 is the null address the call jumped to; the walk goes on from the return address the call
// pushed, so the report names the function that made the call and its caller.
TEST_F(CRKCrashedThreadTest, ACallThroughANullFunctionPointerNamesTheCallerAndItsCaller) {
    const std::string root = crashAndSymbolicate(crashprobe::kNullCall, SIGSEGV);
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    ASSERT_GE(crashed->addresses.size(), 3u) << crashed->describe();
    EXPECT_EQ(crashed->addresses[0], 0u);
    EXPECT_EQ(crashed->symbols[1], "probe_crash_null_call") << crashed->describe();
    EXPECT_EQ(crashed->libraries[1], program_);
    EXPECT_EQ(crashed->symbols[2], "main") << crashed->describe();
}

// The sections every whole record of a crash has, after the signal's own.
bool recordIsWhole(const std::string& path, std::string* missing) {
    const auto sections = reporting::CRKFileReadSections(path.c_str(), false);
    for (const char* name : {"signal", "threads", "runtime", "dispatch_queue_names", "thread_names",
                             "process_stats", "storage"}) {
        bool found = false;
        for (const Value& section : sections ? *sections : Value::Array())
            found |= section.dictionary() && section.dictionary()->count(name) > 0;
        if (!found) *missing += std::string(name) + " ";
    }
    return missing->empty();
}

// A plugin closed with dlclose since the image table last heard, then called through a pointer kept to
// it: the handler finds the plugin's slot but no plugin, and walks on from the call's return address
// instead of faulting on the plugin's call-frame index.
TEST_F(CRKCrashedThreadTest, ACallIntoAPluginClosedAMomentBeforeIsRecordedWholeAndNamesTheCaller) {
    const std::string root = crashAndSymbolicate(crashprobe::kUnloadedCall, SIGSEGV);
    std::string missing;
    EXPECT_TRUE(recordIsWhole(root + "/signal.crkrecord", &missing)) << missing;
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    ASSERT_GE(crashed->addresses.size(), 2u) << crashed->describe();
    EXPECT_EQ(crashed->symbols[1], "probe_crash_unloaded_call") << crashed->describe();
    EXPECT_EQ(crashed->libraries[1], program_);
}

// The load record the symbolicator places an address of the report in (of two at one address, the later).
std::optional<Value::Dictionary> imageHolding(const std::string& root, uint64_t address) {
    reporting::CRKSymbolResolver resolver;
    if (!resolver.loadBinaryImagesFromFile(root + "/binary_images.crkrecord")) return std::nullopt;
    const Value::Dictionary* image = resolver.loadedBinaryImageForPC(address);
    return image ? std::optional<Value::Dictionary>(*image) : std::nullopt;
}

// Plugin A seen by the table and closed, plugin B of the same layout opened where A lay, and the table
// not told: B's dynamic section is where A's was. The walk at crash time still lists B, after A, so the
// report places the fault in B (the later of two images at one address is the one mapped there), and
// the walk goes on through B to the probe that called it.
TEST_F(CRKCrashedThreadTest, APluginOpenedWhereAClosedOneLayIsListedAndHoldsTheFault) {
    const std::string root = crashAndSymbolicate(crashprobe::kOpenedWhereClosed, SIGSEGV);
    const std::vector<Image> images = loadedImages(root);
    std::vector<std::string> plugins;
    for (const Image& image : images) {
        if (image.path == SAME_LAYOUT_PLUGIN_A || image.path == SAME_LAYOUT_PLUGIN_B)
            plugins.push_back(image.path);
    }
    EXPECT_EQ(plugins, (std::vector<std::string>{SAME_LAYOUT_PLUGIN_A, SAME_LAYOUT_PLUGIN_B}));
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    ASSERT_GE(crashed->addresses.size(), 2u) << crashed->describe();
    const auto faulted = imageHolding(root, crashed->addresses[0]);
    ASSERT_TRUE(faulted);
    EXPECT_EQ(textOf(faulted->at("path")), SAME_LAYOUT_PLUGIN_B);
    EXPECT_EQ(crashed->libraries[1], program_) << crashed->describe();
}

// A plugin closed, another build of it written over its file and opened again where the first build lay,
// then called: the report places the fault in a load record of the new build, whose identifier is that
// build's, so the symbolicator names its frames from the right file. So it does at once (the walk at crash
// time tells the builds apart), once the loader's list was read again (the table recorded the old build's
// unload and the new one's load), and for a longer build whose function lies past the end of the old
// build's code; and whether the new build came as a new file renamed over the path (as a build or an
// update writes it), into the old file in place (which keeps its inode), or as a new file made after the
// old one was removed (which often gets its inode).
TEST_F(CRKCrashedThreadTest, ARebuiltPluginOpenedWhereTheOldBuildLayHoldsTheFaultInTheNewBuildsRecord) {
    const struct {
        const char* kind;
        const char* build;
    } cases[] = {{crashprobe::kRebuiltReopened, SAME_LAYOUT_PLUGIN_B},
                 {crashprobe::kRebuiltReopenedRead, SAME_LAYOUT_PLUGIN_B},
                 {crashprobe::kLongerRebuildReopened, SAME_LAYOUT_PLUGIN_C},
                 {crashprobe::kRebuiltInPlaceReopened, SAME_LAYOUT_PLUGIN_B},
                 {crashprobe::kRebuiltAnewReopened, SAME_LAYOUT_PLUGIN_B}};
    ASSERT_NE(imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_A),
              imagetest::buildIdentifierOfFile(SAME_LAYOUT_PLUGIN_B));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        std::filesystem::remove_all(home() + "/report");
        const std::string root = crashAndSymbolicate(c.kind, SIGSEGV);
        const auto crashed = crashedThread(root, "signal.crkrecord");
        ASSERT_TRUE(crashed);
        ASSERT_GE(crashed->addresses.size(), 2u) << crashed->describe();
        const auto faulted = imageHolding(root, crashed->addresses[0]);
        ASSERT_TRUE(faulted) << std::hex << crashed->addresses[0];
        EXPECT_EQ(textOf(faulted->at("path")), root + ".plugin.so");
        EXPECT_EQ(textOf(faulted->at("uuid")), imagetest::buildIdentifierOfFile(c.build));
        EXPECT_EQ(crashed->libraries[1], program_) << crashed->describe();
    }
}

// A call through a wild pointer (0xdead0000, in no mapping) made with rbp = 0: the walk goes on from the
// return address the call pushed, to the function that made the call and on to its caller.
TEST_F(CRKCrashedThreadTest, ACallThroughAWildPointerWithoutAFramePointerNamesTheCallerAndItsCaller) {
    const std::string root = crashAndSymbolicate(crashprobe::kWildCall, SIGSEGV);
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    ASSERT_GE(crashed->addresses.size(), 3u) << crashed->describe();
    EXPECT_EQ(crashed->addresses[0], 0xdead0000u);
    EXPECT_EQ(crashed->symbols[1], "probe_crash_wild_call") << crashed->describe();
    EXPECT_EQ(crashed->symbols[2], "probe_crash_wild_call_site") << crashed->describe();
}

// A return through a return address smashed to 0, with a pointer to a function that nothing called just
// above it: no call pushed that pointer, so the thread is walked no further than where it stood.
TEST_F(CRKCrashedThreadTest, AReturnThroughASmashedReturnAddressMakesUpNoCaller) {
    const std::string root = crashAndSymbolicate(crashprobe::kSmashedReturn, SIGSEGV);
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    EXPECT_EQ(crashed->addresses, std::vector<uint64_t>{0}) << crashed->describe();
}

// A signal handler of the program's own crashes; the signal had stopped a function on its first byte.
// Below the signal's trampoline that frame is named after the function it stood in, not after the one
// that ends a byte before it: the record says the frame was interrupted, and the symbolicator reads it.
TEST_F(CRKCrashedThreadTest, AFrameASignalInterruptedOnAFunctionsFirstByteIsNamedAfterThatFunction) {
    const std::string root = crashAndSymbolicate(crashprobe::kCrashInSignalHandler, SIGSEGV);
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    EXPECT_TRUE(crashed->namesInOrder("probe_crash_null", "probe_crash_signal_handler"))
        << crashed->describe();
    EXPECT_TRUE(crashed->namesInOrder("probe_interrupted_at_entry", "probe_crash_in_signal_handler"))
        << crashed->describe();
    for (const std::string& symbol : crashed->symbols) EXPECT_NE(symbol, "probe_before_interrupted");
}

// The exception's record and the abort's both mark the thread that threw as crashed (not the kit's
// worker that wrote the exception's record), and both walk it through the preloaded library.
TEST_F(CRKCrashedThreadTest, AnExceptionThrownOnAPreloadedLibrarysThreadMarksThatThreadCrashed) {
    const std::string library = CRASH_PROBE_PRELOAD_PATH;
    const std::string root =
        crashAndSymbolicate(crashprobe::kThrowOnPreloadedThread, SIGABRT, {"LD_PRELOAD=" + library});
    const auto sections = reporting::CRKFileReadSections((root + "/exception.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    std::string name, reason;
    for (const Value& section : *sections) {
        if (!section["exception"].dictionary()) continue;
        name = reporting::CRKFileHexDecodeString(textOf(section["exception"]["name"]).c_str());
        reason = reporting::CRKFileHexDecodeString(textOf(section["exception"]["reason"]).c_str());
    }
    EXPECT_EQ(name, "std::runtime_error");
    EXPECT_EQ(reason, "thrown on the preloaded library's thread");
    for (const char* file : {"exception.crkrecord", "signal.crkrecord"}) {
        SCOPED_TRACE(file);
        const auto crashed = crashedThread(root, file);
        ASSERT_TRUE(crashed);
        EXPECT_TRUE(crashed->namesInOrder("kestrune_preload_throw", "kestrune_preload_thread_main"))
            << crashed->describe();
    }
}

// A wild write moved the C library's entry in the loader's list (by a page, or its load address to 0),
// then the program aborted. The handler's calls into the C library were bound when the program was
// loaded, not looked up from that entry at their first call: the abort ends the process and the record
// is whole, its crashed thread the same, frame for frame, as when the loader binds everything at start.
TEST_F(CRKCrashedThreadTest, ADamagedCLibraryEntryInTheLoadersListLeavesAWholeRecord) {
    for (const char* kind : {crashprobe::kLibcEntryMoved, crashprobe::kLibcEntryZeroed}) {
        SCOPED_TRACE(kind);
        std::string root = crashAndSymbolicate(kind, SIGABRT, {"LD_BIND_NOW=1"});
        const auto boundAtStart = crashedThread(root, "signal.crkrecord");
        ASSERT_TRUE(boundAtStart);
        std::filesystem::remove_all(root);

        root = crashAndSymbolicate(kind, SIGABRT);
        const auto sections = reporting::CRKFileReadSections((root + "/signal.crkrecord").c_str(), false);
        ASSERT_TRUE(sections);
        std::set<std::string> present;
        for (const Value& section : *sections) {
            if (const Value::Dictionary* entries = section.dictionary()) {
                for (const auto& entry : *entries) present.insert(entry.first);
            }
        }
        for (const char* name : {"signal", "threads", "runtime", "dispatch_queue_names", "thread_names",
                                 "process_stats", "storage"})
            EXPECT_TRUE(present.count(name)) << "no " << name;
        const auto crashed = crashedThread(root, "signal.crkrecord");
        ASSERT_TRUE(crashed);
        EXPECT_TRUE(crashed->namesInOrder("probe_crash_damaged_libc_entry", "main")) << crashed->describe();
        EXPECT_EQ(crashed->symbols, boundAtStart->symbols) << crashed->describe();
        EXPECT_EQ(crashed->libraries, boundAtStart->libraries) << crashed->describe();
        std::filesystem::remove_all(root);
    }
}

// A thread the program started overflowed its stack, 4 KB a frame: the kernel could push the handler's
// frame only on the thread's alternate signal stack, and the report names the function that recursed.
TEST_F(CRKCrashedThreadTest, AStackOverflowOnAThreadTheProgramStartedNamesTheRecursingFunction) {
    const std::string root = crashAndSymbolicate(crashprobe::kOverflowProgramThread, SIGSEGV);
    const auto crashed = crashedThread(root, "signal.crkrecord");
    ASSERT_TRUE(crashed);
    ASSERT_FALSE(crashed->symbols.empty());
    EXPECT_EQ(crashed->symbols.front(), "probe_crash_recurse_pages") << crashed->describe();
    EXPECT_EQ(crashed->libraries.front(), program_);
}

}  // namespace
