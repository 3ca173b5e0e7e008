// Launch to first window: the wall time from starting kestrune, as a user starts it, to its log line
// saying the settings window is shown, each launch in a fresh home. The settings window's layout is the
// first to measure text, so this includes loading the drawing module and the font configuration.
//
// Set KESTRUNE_BASELINE_BINARY to another build of kestrune (the last commit's, say) and each iteration
// launches both, in turns, so that the machine's load falls on both alike: the counters give the
// baseline's median and the ratio of the medians, which should stay at most 1.0. `main_cpu_ms` is the
// CPU time of the main thread up to the window, where work that could run on another thread shows.
// KESTRUNE_BINARY overrides the build's own kestrune (next to this folder).
//
// Each launch also gives the process's virtual size (VmSize, and VmPeak up to then) at that moment, and
// the malloc arenas it holds then (64 MiB of address space each, which threads are given as they first
// allocate): resident memory says little of a thread's cost in address space. The launch at login shows
// no window: it is measured at the same point of the start-up, the scanning for the phone starting.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kShownLine = "Outcome: the settings window is shown";
constexpr const char* kScanningLine = "BLE turned on!";
constexpr const char* kLoginLaunchEvent = "oapp:lgit";

struct Launch {
    double wallMs = 0;
    double mainCpuMs = 0;
    double vmSizeMiB = 0;
    double vmPeakMiB = 0;
    double arenas = 0;
};

double mainThreadCpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    stat >> ns;
    return ns / 1e6;
}

double statusMiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024;
    return 0;
}

// The glibc malloc arenas of threads (the main one grows the heap instead): anonymous mappings of 64 MiB
// of address space at a 64 MiB boundary, what is in use read and written, the rest reserved.
int mallocArenas(pid_t pid) {
    constexpr uintptr_t kArena = uintptr_t(64) << 20;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    int arenas = 0;
    uintptr_t arenaStart = 0, reachedEnd = 0;
    for (std::string line; std::getline(maps, line);) {
        std::istringstream in(line);
        uintptr_t start = 0, end = 0;
        char dash = 0;
        std::string perms, offset, device, inode, path;
        in >> std::hex >> start >> dash >> end >> perms >> offset >> device >> inode >> path;
        if (!path.empty() || inode != "0") {
            reachedEnd = 0;
            continue;
        }
        if (start % kArena == 0 && perms.rfind("rw", 0) == 0) {
            arenaStart = start;
        } else if (start != reachedEnd) {
            reachedEnd = 0;
            continue;
        }
        reachedEnd = end;
        if (end - arenaStart == kArena) ++arenas, reachedEnd = 0;
    }
    return arenas;
}

// Starts the binary in a fresh home (as the login item launcher does when `launchEvent` is given) and
// returns when its log has the line (none: it never said so within 30 s, or ended first). The process is
// then stopped and its home removed.
std::optional<Launch> launchUntil(const std::string& binary, const char* launchEvent, const char* line) {
    char pattern[] = "/tmp/kestrune-first-window-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (!home) return std::nullopt;
    const std::string h = home;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "HOME" || name.rfind("XDG_", 0) == 0 || name.rfind("KESTRUNE_", 0) == 0) continue;
        env.push_back(entry);
    }
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"HOME", h},
                                      {"XDG_CONFIG_HOME", h + "/.config"},
                                      {"XDG_DATA_HOME", h + "/.local/share"},
                                      {"XDG_STATE_HOME", h + "/.local/state"},
                                      {"XDG_CACHE_HOME", h + "/.cache"}})
        env.push_back(name + "=" + value);
    if (launchEvent) env.push_back(std::string("KESTRUNE_LAUNCH_EVENT=") + launchEvent);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string path = binary;
    char* argv[] = {path.data(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::optional<Launch> launch;
    if (spawned == 0) {
        std::string log;
        const auto deadline = start + std::chrono::seconds(30);
        while (!launch && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            log.append(buffer, static_cast<size_t>(n));
            if (log.find(line) != std::string::npos) {
                const auto shown = std::chrono::steady_clock::now();
                launch = Launch{std::chrono::duration<double, std::milli>(shown - start).count(),
                                mainThreadCpuMs(pid), statusMiB(pid, "VmSize"), statusMiB(pid, "VmPeak"),
                                double(mallocArenas(pid))};
            }
        }
        kill(pid, SIGTERM);
        // Drain the log so that the quit is never held up by a full pipe.
        char buffer[4096];
        while (read(fds[0], buffer, sizeof buffer) > 0) {
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    close(fds[0]);
    std::error_code ignored;
    std::filesystem::remove_all(h, ignored);
    return launch;
}

std::string ownBinary() {
    if (const char* b = std::getenv("KESTRUNE_BINARY"); b && *b) return b;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "kestrune").string();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Launches this build and the baseline, if named, in turns, and gives the medians of each and their
// ratios as counters.
void compareLaunches(benchmark::State& state, const char* launchEvent, const char* line) {
    const std::string binary = ownBinary();
    const char* baselineBinary = std::getenv("KESTRUNE_BASELINE_BINARY");
    const bool compare = baselineBinary && *baselineBinary;
    std::vector<Launch> ours, baseline;
    bool baselineFirst = false;
    for (auto _ : state) {
        std::optional<Launch> other;
        if (compare && baselineFirst) other = launchUntil(baselineBinary, launchEvent, line);
        const auto launch = launchUntil(binary, launchEvent, line);
        if (compare && !baselineFirst) other = launchUntil(baselineBinary, launchEvent, line);
        baselineFirst = !baselineFirst;
        if (!launch || (compare && !other)) {
            state.SkipWithError((std::string("a launch did not log \"") + line + "\" within 30 s").c_str());
            break;
        }
        state.SetIterationTime(launch->wallMs / 1000);
        ours.push_back(*launch);
        if (other) baseline.push_back(*other);
    }
    const auto medianOf = [](const std::vector<Launch>& launches, double Launch::*field) {
        std::vector<double> values;
        for (const auto& launch : launches) values.push_back(launch.*field);
        return median(values);
    };
    const std::pair<const char*, double Launch::*> fields[] = {{"median_ms", &Launch::wallMs},
                                                              {"main_cpu_ms", &Launch::mainCpuMs},
                                                              {"vm_size_mib", &Launch::vmSizeMiB},
                                                              {"vm_peak_mib", &Launch::vmPeakMiB},
                                                              {"arenas", &Launch::arenas}};
    for (const auto& [name, field] : fields) state.counters[name] = medianOf(ours, field);
    if (compare && !baseline.empty()) {
        for (const auto& [name, field] : fields)
            state.counters[std::string("baseline_") + name] = medianOf(baseline, field);
        state.counters["ratio"] = medianOf(ours, &Launch::wallMs) / medianOf(baseline, &Launch::wallMs);
        state.counters["vm_size_ratio"] =
            medianOf(ours, &Launch::vmSizeMiB) / medianOf(baseline, &Launch::vmSizeMiB);
        state.counters["vm_peak_ratio"] =
            medianOf(ours, &Launch::vmPeakMiB) / medianOf(baseline, &Launch::vmPeakMiB);
    }
}

// A launch by the user, to its settings window.
void BM_LaunchToFirstWindow(benchmark::State& state) {
    compareLaunches(state, nullptr, kShownLine);
}
BENCHMARK(BM_LaunchToFirstWindow)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

// A launch at login, to the scanning's start.
void BM_LoginLaunch(benchmark::State& state) {
    compareLaunches(state, kLoginLaunchEvent, kScanningLine);
}
BENCHMARK(BM_LoginLaunch)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
