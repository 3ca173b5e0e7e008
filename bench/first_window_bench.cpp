// Launch to first window: the wall time from starting kestrune, as a user starts it, to its log line
// saying the settings window is shown, each launch in a fresh home. The settings window's layout is the
// first to measure text, so this includes loading the drawing module and the font configuration.
//
// Set KESTRUNE_BASELINE_BINARY to another build of kestrune (the last commit's, say) and each iteration
// launches both, in turns, so that the machine's load falls on both alike: the counters give the
// baseline's median and the ratio of the medians, which should stay at most 1.0. `main_cpu_ms` is the
// CPU time of the main thread up to the window, where work that could run on another thread shows.
// KESTRUNE_BINARY overrides the build's own kestrune (next to this folder).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kShownLine = "Outcome: the settings window is shown";

struct Launch {
    double wallMs = 0;
    double mainCpuMs = 0;
};

double mainThreadCpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/schedstat");
    double ns = 0;
    stat >> ns;
    return ns / 1e6;
}

// Starts the binary in a fresh home and returns when its log says the window is shown (none: it never
// said so within 30 s, or ended first). The process is then stopped and its home removed.
std::optional<Launch> launchToFirstWindow(const std::string& binary) {
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
            if (log.find(kShownLine) != std::string::npos) {
                const auto shown = std::chrono::steady_clock::now();
                launch = Launch{std::chrono::duration<double, std::milli>(shown - start).count(),
                                mainThreadCpuMs(pid)};
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

void BM_LaunchToFirstWindow(benchmark::State& state) {
    const std::string binary = ownBinary();
    const char* baselineBinary = std::getenv("KESTRUNE_BASELINE_BINARY");
    const bool compare = baselineBinary && *baselineBinary;
    std::vector<double> ours, baseline, cpu, baselineCpu;
    bool baselineFirst = false;
    for (auto _ : state) {
        std::optional<Launch> other;
        if (compare && baselineFirst) other = launchToFirstWindow(baselineBinary);
        const auto launch = launchToFirstWindow(binary);
        if (compare && !baselineFirst) other = launchToFirstWindow(baselineBinary);
        baselineFirst = !baselineFirst;
        if (!launch || (compare && !other)) {
            state.SkipWithError("a launch did not show its settings window within 30 s");
            break;
        }
        state.SetIterationTime(launch->wallMs / 1000);
        ours.push_back(launch->wallMs);
        cpu.push_back(launch->mainCpuMs);
        if (other) baseline.push_back(other->wallMs), baselineCpu.push_back(other->mainCpuMs);
    }
    state.counters["median_ms"] = median(ours);
    state.counters["main_cpu_ms"] = median(cpu);
    if (compare && !baseline.empty()) {
        state.counters["baseline_median_ms"] = median(baseline);
        state.counters["baseline_main_cpu_ms"] = median(baselineCpu);
        state.counters["ratio"] = median(ours) / median(baseline);
    }
}
BENCHMARK(BM_LaunchToFirstWindow)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
