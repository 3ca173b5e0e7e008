// A crash inside a library loaded after the kit started, by another library loaded after it: the
// report's image list names both, and the crashed thread's stack is walked through them back into the
// program, so the crash can be traced to the code that made it. Libraries loaded a moment before a
// crash are in the report too, whoever loaded them.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "reporting/crash/store/CRKFileReader.h"
#include "tests/reporting/crash/capture/CrashProbe.h"
#include "tests/reporting/crash/image/BuildIdentifier.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::Value;

struct Image {
    std::string path;
    uint64_t base = 0;
    uint64_t size = 0;
    bool contains(uint64_t address) const { return address >= base && address - base < size; }
};

uint64_t unsignedOf(const Value& value) {
    return value.number() ? value.number()->unsignedLongLongValue() : 0;
}

// The images the report's log says were loaded (the probe unloads none).
std::vector<Image> loadedImages(const std::string& path) {
    std::vector<Image> images;
    const auto sections = reporting::CRKFileReadSections(path.c_str(), false);
    for (const Value& section : sections ? *sections : Value::Array()) {
        const Value& load = section["load"];
        if (load["path"].string())
            images.push_back({*load["path"].string(), unsignedOf(load["base"]), unsignedOf(load["size"])});
    }
    return images;
}

const Value::Array* crashedStack(const Value::Array& sections) {
    for (const Value& section : sections) {
        const Value::Array* threads = section["threads"].array();
        if (!threads) continue;
        for (const Value& thread : *threads) {
            if (thread["crashed"].number() && thread["crashed"].number()->boolValue())
                return thread["stacktrace"].array();
        }
    }
    return nullptr;
}

class CRKLoadedLibraryCrashTest : public testsupport::KestruneTest {};

TEST_F(CRKLoadedLibraryCrashTest, ACrashInALibraryLoadedAfterStartIsTracedThroughIt) {
    const std::string root = home() + "/report";
    mkdir(root.c_str(), 0700);
    const crashprobe::Run run = crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kLoadedLibrary, root}, home());
    ASSERT_TRUE(run.started && !run.hung);
    ASSERT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGSEGV) << run.status;

    const std::vector<Image> images = loadedImages(root + "/binary_images.crkrecord");
    const auto named = [&](const char* path) {
        for (const Image& image : images) {
            if (image.path == path) return image;
        }
        return Image{};
    };
    const Image inner = named(KESTRUNE_LOADER_INNER);
    const Image outer = named(KESTRUNE_LOADER_OUTER);
    ASSERT_GT(inner.size, 0u);
    ASSERT_GT(outer.size, 0u);

    // The probe wrote the extents of the inner fault and the outer caller last.
    const crashprobe::Facts facts = crashprobe::readFacts(root + ".facts");
    ASSERT_GE(facts.functions.size(), 2u);
    const auto fault = facts.functions[facts.functions.size() - 2];
    const auto caller = facts.functions.back();
    EXPECT_TRUE(inner.contains(fault.first));
    EXPECT_TRUE(outer.contains(caller.first));

    const auto sections = reporting::CRKFileReadSections((root + "/signal.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    const Value::Array* frames = crashedStack(*sections);
    ASSERT_NE(frames, nullptr);
    ASSERT_GE(frames->size(), 3u);
    // The fault itself, then its caller in the outer library, then on into the program.
    const uint64_t pc = unsignedOf((*frames)[0]);
    EXPECT_TRUE(pc >= fault.first && pc < fault.second) << std::hex << pc;
    bool throughOuter = false;
    size_t recorded = 0;
    for (const Value& frame : *frames) {
        const uint64_t address = unsignedOf(frame);
        // A return address may lie just past its call.
        throughOuter |= address > caller.first && address <= caller.second;
        for (const Image& image : images) {
            if (image.contains(address)) {
                recorded++;
                break;
            }
        }
    }
    EXPECT_TRUE(throughOuter);
    EXPECT_EQ(recorded, frames->size()) << "frames outside every recorded image";
}

// The loads of the moment before a crash: one the program made (read at once, its record perhaps still
// queued), one a library made and one the C library made (read by nobody but the crash handler). Each is
// in the report once, with its identifier, and the fault's library is found where it was loaded.
TEST_F(CRKLoadedLibraryCrashTest, LibrariesLoadedAMomentBeforeTheCrashAreEachInTheReportOnce) {
    const std::string root = home() + "/report";
    mkdir(root.c_str(), 0700);
    const crashprobe::Run run =
        crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kLoadedJustBefore, root}, home());
    ASSERT_TRUE(run.started && !run.hung);
    ASSERT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGSEGV) << run.status;

    const auto sections = reporting::CRKFileReadSections((root + "/binary_images.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    const auto loadsOf = [&](const std::string& ending) {
        std::vector<Value> loads;
        for (const Value& section : *sections) {
            const Value& load = section["load"];
            const std::string path = load["path"].string() ? *load["path"].string() : "";
            if (path.size() >= ending.size() &&
                path.compare(path.size() - ending.size(), ending.size(), ending) == 0)
                loads.push_back(load);
        }
        return loads;
    };
    const crashprobe::Facts facts = crashprobe::readFacts(root + ".facts");
    ASSERT_GE(facts.functions.size(), 2u);
    const auto fault = facts.functions[facts.functions.size() - 2];
    const auto caller = facts.functions.back();
    struct Expected {
        std::string path;
        std::optional<uint64_t> inside;  // an address the image holds, when the probe knew one
    };
    const Expected expected[] = {{KESTRUNE_LOADER_OUTER, caller.first},
                                 {KESTRUNE_LOADER_INNER, fault.first},
                                 {crashprobe::kConverterModule, std::nullopt}};
    for (const Expected& image : expected) {
        SCOPED_TRACE(image.path);
        const std::vector<Value> loads = loadsOf(image.path);
        ASSERT_EQ(loads.size(), 1u);
        const Value& load = loads[0];
        ASSERT_TRUE(load["path"].string());
        EXPECT_EQ(*load["uuid"].string(), imagetest::buildIdentifierOfFile(*load["path"].string()));
        EXPECT_EQ(load["uuid"].string()->size(), 32u);
        const Image recorded{*load["path"].string(), unsignedOf(load["base"]), unsignedOf(load["size"])};
        EXPECT_GT(recorded.size, 0u);
        if (image.inside) {
            EXPECT_TRUE(recorded.contains(*image.inside)) << std::hex << *image.inside;
        }
    }
}

// The binary-images queue is in the middle of writing a library's record when the program crashes (its
// write is held through the crash until the handler waits for it): the handler leaves that record to
// the queue and waits for it once the threads go on, so the record is in the file once, not once from
// each. A handler that did not wait would end the process first, on every run.
TEST_F(CRKLoadedLibraryCrashTest, ARecordTheQueueIsWritingWhenTheProgramCrashesIsInTheReportOnce) {
    constexpr int kRuns = 16;
    constexpr int kAtOnce = 8;
    std::mutex faultsMutex;
    std::vector<std::string> faults;
    std::vector<std::thread> workers;
    for (int w = 0; w < kAtOnce; w++) {
        workers.emplace_back([&, w] {
            for (int r = w; r < kRuns; r += kAtOnce) {
                const std::string runHome = home() + "/run" + std::to_string(r);
                const std::string root = runHome + "/report";
                mkdir(runHome.c_str(), 0700);
                mkdir(root.c_str(), 0700);
                const crashprobe::Run run =
                    crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kRecordBeingWritten, root}, runHome);
                std::vector<std::string> found;
                if (!run.started || run.hung || !WIFSIGNALED(run.status) || WTERMSIG(run.status) != SIGSEGV)
                    found.push_back("ended with status " + std::to_string(run.status));
                size_t records = 0;
                for (const Image& image : loadedImages(root + "/binary_images.crkrecord"))
                    records += image.path == KESTRUNE_LOADER_INNER;
                if (records != 1) found.push_back(std::to_string(records) + " records of the library");
                std::lock_guard<std::mutex> lock(faultsMutex);
                for (const std::string& fault : found)
                    faults.push_back("run " + std::to_string(r) + ": " + fault);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

}  // namespace
