// The launch after a start-up crash whose record is long, as a user meets it: the crash kit sends the
// report before the first window (the urgent road), symbolicating, packaging and uploading it on the main
// thread. Each iteration makes a real start-up crash in a fresh home (KESTRUNE_TEST_CRASH=early), gives
// the record's crashed thread N frames (its own addresses repeated, as a deep recursion leaves them) and
// launches kestrune again against a loopback TLS service whose root the bundle pins (in debug mode, whose
// chain the system's roots judge: SSL_CERT_FILE names the root).
//
// BM_WindowAfterLongStartUpCrash: wall time from the launch to its log line saying the settings window is
// shown (the report sent by then). Arguments: frames, then debug (0/1). BM_SignalDuringStartUpWork: first
// the length of the start-up work for that record (from the report's move into processing to its
// package's log line, the shorter of two unsignalled launches), then one launch per iteration with a
// SIGTERM landing at a point spread evenly from the work's beginning to nine tenths of its length (each
// at a random place in its own twentieth of that span), and the wall time from the signal to the process's
// end. Its counters give the processor time the process spent from the signal to its end (median, 90th
// percentile, maximum), which must stay small wherever the signal lands and whatever the record's size; a
// launch whose work was over before its signal (one faster than the two measured) counts in `over` and not in
// the times. Arguments: frames, then debug (0/1). KESTRUNE_BINARY overrides the build's own kestrune (next to
// this folder).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"
#include "tests/support/LoopbackServer.h"

extern char** environ;

namespace {

using testsupport::LoopbackServer;
using Clock = std::chrono::steady_clock;

constexpr const char* kShownLine = "Outcome: the settings window is shown";
constexpr double kLimitSeconds = 60;

std::string ownBinary() {
    if (const char* b = std::getenv("KESTRUNE_BINARY"); b && *b) return b;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "kestrune")
        .string();
}

// The loopback service and the bundle that points the kit at it, made once.
struct Service {
    std::string folder;
    std::string bundle;
    std::string rootFile;
    LoopbackServer server;
    bool ready = false;

    Service() {
        char pattern[] = "/tmp/kestrune-startup-report-XXXXXX";
        if (!mkdtemp(pattern)) return;
        folder = pattern;
        const auto root = LoopbackServer::makeRootAuthority("Kestrune Startup Bench Root");
        if (!root) return;
        const auto identity = LoopbackServer::makeIdentitySignedBy(*root, folder + "/tls");
        if (!identity || !server.startTLS(*identity)) return;
        server.setDefaultAnswer({200, {{"Content-Type", "application/json"}}, "{}", 0});
        rootFile = folder + "/root.pem";
        bundle = folder + "/Kestrune.app";
        const std::string resources = platform::Bundle::main().bundlePath();
        const auto info = platform::Files::read(resources + "/Info.plist");
        const auto plist = info ? platform::PropertyList::valueFromData(*info) : std::nullopt;
        if (!plist || !plist->dictionary()) return;
        auto dictionary = *plist->dictionary();
        dictionary["CrashKit"] = platform::Value::Dictionary{{"ReportsEndpoint", server.baseURL()},
                                                             {"SettingsEndpoint", server.baseURL()}};
        const auto bytes = platform::PropertyList::dataFromValue(platform::Value(dictionary),
                                                                 platform::PropertyList::Format::XML);
        ready =
            bytes && platform::Files::writeAtomically(bundle + "/Info.plist", *bytes) &&
            platform::Files::writeAtomically(bundle + "/certificates/DigiCert_High_Assurance_EV_Root_CA.der",
                                             root->certificateDER) &&
            platform::Files::writeAtomically(rootFile, platform::Data::fromString(root->certificatePEM)) &&
            symlink((resources + "/sounds").c_str(), (bundle + "/sounds").c_str()) == 0;
    }
    ~Service() {
        server.stop();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string settings() const {
        return R"({"app":{"status":"activated"},"features":{"collect_reports":true,"collect_analytics":true},)"
               R"("analytics":{"url":")" +
               server.url("/spi/v2/events") +
               R"(","max_byte_size_per_file":1,"flush_interval_secs":1,"sampling_rate":1}})";
    }
};

Service& service() {
    static Service made;
    return made;
}

// A process of kestrune in the home, its output read through a pipe.
struct Process {
    pid_t pid = -1;
    int output = -1;
    std::string log;
    double processorSeconds = 0;  // all the process's threads spent, once it has ended

    Process(const std::string& home, const std::vector<std::string>& extra, bool debug) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (name == "HOME" || name.rfind("XDG_", 0) == 0 || name.rfind("KESTRUNE_", 0) == 0 ||
                name.rfind("SSL_CERT_", 0) == 0)
                continue;
            env.push_back(entry);
        }
        for (const auto& [name, value] : {std::pair<std::string, std::string>{"HOME", home},
                                          {"XDG_CONFIG_HOME", home + "/.config"},
                                          {"XDG_DATA_HOME", home + "/.local/share"},
                                          {"XDG_STATE_HOME", home + "/.local/state"},
                                          {"XDG_CACHE_HOME", home + "/.cache"},
                                          {"KESTRUNE_BUNDLE_PATH", service().bundle}})
            env.push_back(name + "=" + value);
        if (debug) env.push_back("SSL_CERT_FILE=" + service().rootFile);
        env.insert(env.end(), extra.begin(), extra.end());
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> words = {ownBinary()};
        if (debug) words.insert(words.end(), {"-NMBDebugEnabled", "YES"});
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output = fds[0];
    }
    ~Process() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            wait();
        }
        if (output >= 0) close(output);
    }
    // Reads what the process wrote, waiting at most `milliseconds`; false once the output has closed.
    bool read(int milliseconds) {
        pollfd ready{output, POLLIN, 0};
        if (poll(&ready, 1, milliseconds) <= 0) return true;
        char buffer[8192];
        const ssize_t n = ::read(output, buffer, sizeof buffer);
        if (n <= 0) return false;
        log.append(buffer, static_cast<size_t>(n));
        return true;
    }
    void wait() {
        while (output >= 0 && read(1000)) {
        }
        int status = 0;
        rusage used{};
        if (pid > 0 && wait4(pid, &status, 0, &used) == pid)
            processorSeconds = seconds(used.ru_utime) + seconds(used.ru_stime);
        pid = -1;
    }
    // What the running process has spent so far, all its threads together (ended ones too).
    std::optional<double> processorSecondsSoFar() const {
        clockid_t clock;
        timespec spent{};
        if (pid <= 0 || clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &spent) != 0)
            return std::nullopt;
        return static_cast<double>(spent.tv_sec) + static_cast<double>(spent.tv_nsec) / 1e9;
    }
    static double seconds(const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    }
};

// The crashed thread's own addresses repeated until it holds `frames` frames.
bool lengthenCrashedThread(const std::string& record, size_t frames) {
    const auto data = platform::Files::read(record);
    if (!data) return false;
    std::istringstream lines(data->toString());
    std::string rewritten;
    bool lengthened = false;
    for (std::string line; std::getline(lines, line);) {
        auto parsed = nlohmann::json::parse(line, nullptr, false);
        if (!parsed.is_discarded() && parsed.contains("threads") && parsed["threads"].is_array()) {
            for (auto& thread : parsed["threads"]) {
                if (!thread.value("crashed", false) || !thread.contains("stacktrace")) continue;
                const auto stack = thread["stacktrace"];
                if (stack.empty()) continue;
                nlohmann::json longer = nlohmann::json::array();
                for (size_t i = 0; i < frames; i++) longer.push_back(stack[i % stack.size()]);
                thread["stacktrace"] = std::move(longer);
                lengthened = true;
            }
            line = parsed.dump();
        }
        rewritten += line + "\n";
    }
    return lengthened && platform::Files::writeAtomically(record, platform::Data::fromString(rewritten));
}

// A fresh home whose last launch crashed during its start-up, its record lengthened; empty on failure.
std::string homeAfterLongStartUpCrash(size_t frames) {
    char pattern[] = "/tmp/kestrune-startup-report-home-XXXXXX";
    if (!mkdtemp(pattern)) return "";
    const std::string home = pattern;
    {
        Process crashing(home, {"KESTRUNE_TEST_CRASH=early"}, false);
        crashing.wait();
    }
    const std::string active = home + "/.cache/com.reportkit.data/com.kestrune.Kestrune/v3/active";
    const auto reports = platform::Files::listDirectory(active);
    if (reports.size() != 1 ||
        !lengthenCrashedThread(active + "/" + reports[0] + "/signal.crkrecord", frames))
        return "";
    return home;
}

void removeHome(const std::string& home) {
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values.size() % 2 ? values[values.size() / 2]
                             : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
}

size_t reportRequests() {
    size_t count = 0;
    for (const auto& request : service().server.requests())
        count += request.path.find("/reports") != std::string::npos;
    return count;
}

void BM_WindowAfterLongStartUpCrash(benchmark::State& state) {
    if (!service().ready) return state.SkipWithError("the loopback service could not be made");
    const size_t frames = static_cast<size_t>(state.range(0));
    const bool debug = state.range(1) != 0;
    std::vector<double> seconds;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string home = homeAfterLongStartUpCrash(frames);
        if (home.empty()) return state.SkipWithError("no start-up crash record to lengthen");
        service().server.enqueue("/spi/v2/platforms/mac/apps/com.kestrune.Kestrune/settings",
                                 {200, {{"Content-Type", "application/json"}}, service().settings(), 0});
        const size_t reportsBefore = reportRequests();
        state.ResumeTiming();
        const auto start = Clock::now();
        Process launch(home, {}, debug);
        std::optional<double> shown;
        while (!shown && Clock::now() - start < std::chrono::duration<double>(kLimitSeconds)) {
            if (!launch.read(1000)) break;
            if (launch.log.find(kShownLine) != std::string::npos)
                shown = std::chrono::duration<double>(Clock::now() - start).count();
        }
        kill(launch.pid, SIGTERM);
        launch.wait();
        removeHome(home);
        if (!shown) return state.SkipWithError("no window within the limit");
        if (reportRequests() == reportsBefore) return state.SkipWithError("the report was not sent");
        state.SetIterationTime(*shown);
        seconds.push_back(*shown);
    }
    state.counters["median_ms"] = median(seconds) * 1000;
    state.counters["max_ms"] = seconds.empty() ? 0 : *std::max_element(seconds.begin(), seconds.end()) * 1000;
}
BENCHMARK(BM_WindowAfterLongStartUpCrash)
    ->ArgsProduct({{100000, 600000}, {0, 1}})
    ->ArgNames({"frames", "debug"})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The nearest-rank percentile: the smallest value that at least `percent` of the values do not exceed.
double percentile(std::vector<double> values, double percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(percent / 100 * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

constexpr const char* kPackagedLine = "[CrashKit:Crash:Reports] Packaged report with id";
constexpr int kLandings = 20;

// Watches a home's processing folder from before a launch, to see its start-up work begin: the report's
// move into that folder.
class WorkWatch {
public:
    explicit WorkWatch(const std::string& home)
        : processing_(home + "/.cache/com.reportkit.data/com.kestrune.Kestrune/v3/processing"),
          watch_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        inotify_add_watch(watch_, processing_.c_str(), IN_MOVED_TO | IN_CREATE);
    }
    ~WorkWatch() { close(watch_); }
    WorkWatch(const WorkWatch&) = delete;
    WorkWatch& operator=(const WorkWatch&) = delete;

    // Waits until the launch's work has begun; false when it never does within the limit.
    bool waitForWork(Process& launch) const {
        const auto start = Clock::now();
        while (Clock::now() - start < std::chrono::duration<double>(kLimitSeconds)) {
            pollfd ready[2] = {{watch_, POLLIN, 0}, {launch.output, POLLIN, 0}};
            if (poll(ready, 2, 1000) <= 0) continue;
            if (ready[1].revents && !launch.read(0)) return false;
            if (!platform::Files::listDirectory(processing_).empty()) return true;
        }
        return false;
    }

private:
    std::string processing_;
    int watch_;
};

// The start-up work's length for a record of `frames` frames, unsignalled; none when a launch did not
// package the report.
std::optional<double> startUpWorkSeconds(size_t frames, bool debug) {
    const std::string home = homeAfterLongStartUpCrash(frames);
    if (home.empty()) return std::nullopt;
    std::optional<double> seconds;
    {
        const WorkWatch watch(home);
        Process launch(home, {}, debug);
        if (watch.waitForWork(launch)) {
            const auto began = Clock::now();
            while (Clock::now() - began < std::chrono::duration<double>(kLimitSeconds) &&
                   launch.log.find(kPackagedLine) == std::string::npos && launch.read(1000)) {
            }
            if (launch.log.find(kPackagedLine) != std::string::npos)
                seconds = std::chrono::duration<double>(Clock::now() - began).count();
        }
        kill(launch.pid, SIGTERM);
        launch.wait();
    }
    removeHome(home);
    return seconds;
}

void BM_SignalDuringStartUpWork(benchmark::State& state) {
    if (!service().ready) return state.SkipWithError("the loopback service could not be made");
    const size_t frames = static_cast<size_t>(state.range(0));
    const bool debug = state.range(1) != 0;
    std::optional<double> work;
    for (int i = 0; i < 2; i++) {
        const auto measured = startUpWorkSeconds(frames, debug);
        if (!measured) return state.SkipWithError("an unsignalled launch did not package the report");
        work = std::min(work.value_or(*measured), *measured);
    }
    std::vector<double> seconds, processor;
    int landing = 0, over = 0;
    // Each landing somewhere in its own twentieth of the span, so that runs after runs reach every moment.
    std::mt19937 random(std::random_device{}());
    std::uniform_real_distribution<double> within(0, 1);
    for (auto _ : state) {
        state.PauseTiming();
        const double fraction = 0.9 * (landing + within(random)) / kLandings;
        landing = (landing + 1) % kLandings;
        const auto workingFor = std::chrono::duration<double>(fraction * *work);
        const std::string home = homeAfterLongStartUpCrash(frames);
        if (home.empty()) return state.SkipWithError("no start-up crash record to lengthen");
        std::optional<double> spentBefore;
        double took = 0;
        double spentAfter = 0;
        {
            const WorkWatch watch(home);
            state.ResumeTiming();
            Process launch(home, {}, debug);
            if (!watch.waitForWork(launch)) {
                launch.wait();
                removeHome(home);
                return state.SkipWithError("the launch never began to prepare the report");
            }
            for (const auto began = Clock::now(); Clock::now() - began < workingFor;) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    workingFor - (Clock::now() - began));
                if (!launch.read(static_cast<int>(std::max<long long>(1, left.count())))) break;
            }
            spentBefore = launch.processorSecondsSoFar();
            const auto signalled = Clock::now();
            kill(launch.pid, SIGTERM);
            launch.wait();
            took = std::chrono::duration<double>(Clock::now() - signalled).count();
            spentAfter = launch.processorSeconds;
            if (launch.log.find("[CrashKit:Crash:Reports] Stopped:") == std::string::npos)
                over++;
            else if (!spentBefore) {
                removeHome(home);
                return state.SkipWithError("the launch's processor time could not be read");
            } else {
                seconds.push_back(took);
                processor.push_back(spentAfter - *spentBefore);
            }
        }
        removeHome(home);
        state.SetIterationTime(took);
    }
    if (seconds.empty()) return state.SkipWithError("every signal came after the work was over");
    state.counters["work_ms"] = *work * 1000;
    state.counters["over"] = over;
    state.counters["median_ms"] = median(seconds) * 1000;
    state.counters["max_ms"] = *std::max_element(seconds.begin(), seconds.end()) * 1000;
    state.counters["cpu_after_signal_median_ms"] = median(processor) * 1000;
    state.counters["cpu_after_signal_p90_ms"] = percentile(processor, 90) * 1000;
    state.counters["cpu_after_signal_max_ms"] = *std::max_element(processor.begin(), processor.end()) * 1000;
}
BENCHMARK(BM_SignalDuringStartUpWork)
    ->ArgsProduct({{100000, 600000}, {0, 1}})
    ->ArgNames({"frames", "debug"})
    ->Iterations(kLandings)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
