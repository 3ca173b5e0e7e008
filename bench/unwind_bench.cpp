// How long the crash handler's stack walk takes for one thread: a 32-frame stack of real functions,
// walked from a captured register state through the image table and the call-frame rules.
#include <benchmark/benchmark.h>
#include <ucontext.h>

#include <memory>

#include "reporting/crash/CRKBinaryImage.h"
#include "reporting/crash/CRKUnwind.h"

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

void BM_Unwind32Frames(benchmark::State& state) {
    static reporting::CRKWritableContext writable{};
    static const bool started = [] {
        reporting::CRKBinaryImageInit("/dev/null", &writable);
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

BENCHMARK_MAIN();
