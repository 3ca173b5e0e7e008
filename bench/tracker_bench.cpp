// A lock line appended to a tracker file of 100,000 lines must take under 1 ms: the lock reads only the
// file's tail for the session length and appends, whatever the file's size. So must one after a damaged
// file's last line of 16 MB without a line feed, which the lock reads no further than a line it wrote.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "features/history/LoginTrackerController.h"
#include "features/language/BundleLanguage.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"

namespace {

void BM_LockLineOnLargeTrackerFile(benchmark::State& state) {
    const std::string path = kestrune::LoginTrackerController::loginTrackerNewFilePath();
    {
        std::ofstream file(path, std::ios::trunc);
        for (int64_t i = 0; i < state.range(0); ++i)
            file << "\n2026-03-01 10:00:00,    Mac unlocked,  \n2026-03-01 11:00:00,    Mac locked,    "
                    "session: 01h :00m :00s\n";
    }
    for (auto _ : state) {
        state.PauseTiming();
        kestrune::LoginTrackerController::insertUnlockedEntry();
        state.ResumeTiming();
        kestrune::LoginTrackerController::insertLockedEntry();
    }
    if (kestrune::LoginTrackerController::lastLineOfTrackingFile() != "")
        state.SkipWithError("the lock line carries no session length");
    state.counters["file_MB"] =
        static_cast<double>(platform::Files::fileSize(path).value_or(0)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LockLineOnLargeTrackerFile)->Arg(100000 / 3)->Unit(benchmark::kMicrosecond);

void BM_LockLineAfterLongUnterminatedLine(benchmark::State& state) {
    const std::string path = kestrune::LoginTrackerController::loginTrackerNewFilePath();
    const auto length = static_cast<uintmax_t>(state.range(0));
    {
        std::ofstream file(path, std::ios::trunc);
        file << "\n2026-03-01 10:00:00,    Mac unlocked,  ";
        const std::string chunk(1 << 20, 'x');
        while (static_cast<uintmax_t>(file.tellp()) < length) file << chunk;
    }
    const uintmax_t damaged = std::filesystem::file_size(path);
    // Each lock says once that the line is too long to read: counted, not printed.
    int64_t said = 0;
    auto previous = platform::Log::setSink([&said](const std::string&) { ++said; });
    for (auto _ : state) {
        kestrune::LoginTrackerController::insertLockedEntry();
        state.PauseTiming();
        // The long line is the last one again for the next lock.
        std::filesystem::resize_file(path, damaged);
        state.ResumeTiming();
    }
    const bool lineRead = kestrune::LoginTrackerController::lastLineOfTrackingFile() != "";
    platform::Log::setSink(std::move(previous));
    if (lineRead || said != state.iterations() + 1) state.SkipWithError("a lock read the long line");
    state.counters["line_MB"] = static_cast<double>(damaged) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LockLineAfterLongUnterminatedLine)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // The tracker file goes to a folder of its own, removed at the end.
    char pattern[] = "/tmp/kestrune-bench-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) return 1;
    setenv("HOME", home, 1);
    for (auto [name, sub] : {std::pair{"XDG_DATA_HOME", "/.local/share"},
                             {"XDG_STATE_HOME", "/.local/state"},
                             {"XDG_CONFIG_HOME", "/.config"},
                             {"XDG_DOCUMENTS_DIR", "/Documents"}})
        setenv(name, (std::string(home) + sub).c_str(), 1);
    kestrune::setLocalizableLanguage("en");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
