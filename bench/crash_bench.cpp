// How long a crash takes to record: the crash probe (16 idle threads on their default 8 MiB stacks)
// writes the monotonic time just before it faults; the time ends when this process sees it gone and
// its record is complete. 1,000 crashes; p50 and p99 in milliseconds as counters (target: p99 <= 50).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
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

}  // namespace

BENCHMARK_MAIN();
