// How long the crash handler's stack walk takes for one thread: a 32-frame stack of real functions,
// walked from a captured register state through the image table and the call-frame rules.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <ucontext.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/unwind/CRKUnwind.h"

namespace {

using reporting::CRKUnwindContext;

struct Walk {
    benchmark::State* state;
    std::unique_ptr<CRKUnwindContext> context = std::make_unique<CRKUnwindContext>();
    size_t frames = 0;
};

// The walk runs at the bottom of the stack, so that the frames above it stay as they are.
__attribute__((noinline)) void walkHere(Walk* walk) {
    ucontext_t ucontext;
    getcontext(&ucontext);
    reporting::CRKMachineContext registers{};
    reporting::CRKMachineContextFromUContext(&ucontext, &registers);
    for (auto _ : *walk->state) {
        reporting::CRKUnwindInit(walk->context.get(), registers);
        size_t frames = 0;
        while (reporting::CRKUnwindNextFrame(walk->context.get())) frames++;
        benchmark::DoNotOptimize(frames);
        walk->frames = frames;
    }
}

// Each level is its own frame: no inlining, and work after the call keeps it from being a jump.
__attribute__((noinline)) int descend(Walk* walk, int depth) {
    if (depth == 0) {
        walkHere(walk);
        return 0;
    }
    const int result = descend(walk, depth - 1);
    benchmark::DoNotOptimize(result);
    return result + 1;
}

// The image table writes its log in a folder of the benchmark's own, removed when the program ends.
const std::string& imageLogPath() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/kestrune-unwind-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    static const std::string path = folder + "/binary_images.crkrecord";
    return path;
}

void removeImageLogFolder() {
    const std::string folder = std::filesystem::path(imageLogPath()).parent_path();
    if (folder != "/tmp") std::filesystem::remove_all(folder);
}

// Run as root, a benchmark that wrote to a system path could replace it; say that /dev/null is intact.
bool devNullIsCharacterDevice(const char* when) {
    struct stat st;
    const bool ok = stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode);
    std::printf("/dev/null at %s: %s\n", when, ok ? "character device" : "NOT a character device");
    return ok;
}

void BM_Unwind32Frames(benchmark::State& state) {
    static reporting::CRKWritableContext writable{};
    static const bool started = [] {
        reporting::CRKBinaryImageInit(imageLogPath().c_str(), &writable);
        return true;
    }();
    benchmark::DoNotOptimize(started);
    Walk walk{&state};
    // The levels, the walk's own frame and the frames below the benchmark make 32.
    descend(&walk, 19);
    state.counters["frames"] = double(walk.frames);
}
BENCHMARK(BM_Unwind32Frames)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    bool intact = devNullIsCharacterDevice("start");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    removeImageLogFolder();
    intact = devNullIsCharacterDevice("end") && intact;
    return intact ? 0 : 1;
}
