// A lock line appended to a tracker file of 100,000 lines must take under 1 ms: the lock reads only the
// file's tail for the session length and appends, whatever the file's size.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "features/history/LoginTrackerController.h"
#include "features/language/BundleLanguage.h"
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
