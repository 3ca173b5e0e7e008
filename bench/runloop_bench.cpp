// Posting and running closures and timers on the main run loop: the cost every delegate call, delayed
// closure and timer of the application pays.

#include <benchmark/benchmark.h>

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"

using platform::RunLoop;

static void BM_PostAndRunClosures(benchmark::State& state) {
    platform::Clock::useVirtualTime();
    const int batch = static_cast<int>(state.range(0));
    int ran = 0;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) RunLoop::main().post([&ran] { ++ran; });
        RunLoop::main().runUntilIdle();
    }
    benchmark::DoNotOptimize(ran);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostAndRunClosures)->Arg(1)->Arg(64)->Arg(1024);

static void BM_TimersFireInOrder(benchmark::State& state) {
    platform::Clock::useVirtualTime();
    const int count = static_cast<int>(state.range(0));
    int fired = 0;
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            RunLoop::main().performAfterDelay(0.001 * (count - i), [&fired] { ++fired; });
        RunLoop::main().advance(0.001 * count);
    }
    benchmark::DoNotOptimize(fired);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_TimersFireInOrder)->Arg(16)->Arg(256);

static void BM_RepeatingTimer(benchmark::State& state) {
    platform::Clock::useVirtualTime();
    int fired = 0;
    auto timer = platform::Timer::scheduledTimer(0.8, true, [&fired](platform::Timer&) { ++fired; });
    for (auto _ : state) RunLoop::main().advance(0.8);
    timer->invalidate();
    benchmark::DoNotOptimize(fired);
}
BENCHMARK(BM_RepeatingTimer);

BENCHMARK_MAIN();
