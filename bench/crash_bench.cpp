// How long a crash takes to record: the crash probe (16 idle threads on their default 8 MiB stacks)
// writes the monotonic time just before it faults; the time ends when this process sees it gone and
// its record is complete. 1,000 crashes; p50 and p99 in milliseconds as counters (target: p99 <= 50).
//
// And how long the crash handler's walk of the loader's list takes, every listed object already in the
// image table, with 15, 42 and 300 objects listed: the probe loads copies of a small library until the
// loader lists that many and times 2,000 walks. Set KESTRUNE_BASELINE_CRASH_PROBE to the crash probe of
// another build (the same probe source built at another commit) to time its walk beside this one's.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/reporting/crash/capture/CrashProbe.h"

namespace {

bool recordComplete(const std::string& root) {
    const auto sections = reporting::CRKFileReadSections((root + "/signal.crkrecord").c_str(), false);
    if (!sections) return false;
    for (const auto& section : *sections) {
        if (section.dictionary() && section.dictionary()->count("storage")) return true;
    }
    return false;
}

void BM_CrashToCompleteRecord(benchmark::State& state) {
    char pattern[] = "/tmp/kestrune-crash-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string home = made;
    std::vector<double> milliseconds;
    int failures = 0;
    for (auto _ : state) {
        const std::string root = home + "/report";
        std::filesystem::remove_all(root);
        mkdir(root.c_str(), 0700);
        const crashprobe::Run run =
            crashprobe::run(CRASH_PROBE_PATH, {crashprobe::kBench, root, "16"}, home, true);
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const int64_t end = int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
        const int64_t start = std::strtoll(run.output.c_str(), nullptr, 10);
        if (!run.started || run.hung || start <= 0 || !recordComplete(root)) {
            failures++;
            state.SetIterationTime(0);
            continue;
        }
        const double elapsed = double(end - start) / 1e6;
        milliseconds.push_back(elapsed);
        state.SetIterationTime(elapsed / 1000.0);
    }
    std::filesystem::remove_all(home);
    if (milliseconds.empty()) {
        state.SkipWithError("no crash was recorded");
        return;
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto percentile = [&](double p) {
        const size_t index = std::min(milliseconds.size() - 1, size_t(p * double(milliseconds.size())));
        return milliseconds[index];
    };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p99_ms"] = percentile(0.99);
    state.counters["failures"] = failures;
}
BENCHMARK(BM_CrashToCompleteRecord)->Iterations(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

void timeLoaderWalks(benchmark::State& state, const std::string& probe) {
    char pattern[] = "/tmp/kestrune-walk-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string home = made;
    const std::string objects = std::to_string(state.range(0));
    for (auto _ : state) {
        const std::string root = home + "/report";
        std::filesystem::remove_all(home + "/report.walk");
        std::filesystem::remove_all(root);
        mkdir(root.c_str(), 0700);
        const crashprobe::Run run =
            crashprobe::run(probe, {crashprobe::kWalkBench, root, objects}, home, true);
        const long long nanoseconds = std::strtoll(run.output.c_str(), nullptr, 10);
        if (!run.started || run.hung || !WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0 ||
            nanoseconds <= 0) {
            state.SkipWithError(
                ("the probe did not time its walk, status " + std::to_string(run.status)).c_str());
            break;
        }
        state.SetIterationTime(double(nanoseconds) / 1e9);
    }
    std::filesystem::remove_all(home);
}

void BM_LoaderWalkAtCrash(benchmark::State& state) {
    timeLoaderWalks(state, CRASH_PROBE_PATH);
}
BENCHMARK(BM_LoaderWalkAtCrash)
    ->Arg(15)
    ->Arg(42)
    ->Arg(300)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_LoaderWalkAtCrashBaseline(benchmark::State& state) {
    const char* baseline = std::getenv("KESTRUNE_BASELINE_CRASH_PROBE");
    if (!baseline || !*baseline) {
        state.SkipWithError("KESTRUNE_BASELINE_CRASH_PROBE names no other build's crash probe");
        return;
    }
    timeLoaderWalks(state, baseline);
}
BENCHMARK(BM_LoaderWalkAtCrashBaseline)
    ->Arg(15)
    ->Arg(42)
    ->Arg(300)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
