// The built application, quit while work still runs on background workers: by SIGTERM while its start-up
// work (the kits, the login-items check the quit itself queues) runs, by SIGINT while a phone connects
// and its deliveries run on the Bluetooth queue, and by SIGTERM or SIGHUP while a scenario is still being
// set up. Every quit must end cleanly, with nothing in the sanitizers' output, and then by its signal:
// what workers read must outlive them, and they must be done before the process tears its statics down.
// Each quit also starts with a worker waiting for the main thread (the program's test switch), which a
// quit that leaves the main loop open would keep waiting: a delivery caught that way is too rare for the
// runs to meet by chance.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "main/ScenarioCommand.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"

namespace {

#ifdef KESTRUNE_QUIT_TEST

// A run that says nothing for this long is hung, and is stopped: it logs every few moments while it
// starts and quits (the debugging detail is on), and on a machine at a load of 60 the longest silence
// seen was some 15 s (the main thread taking the signal under the address sanitizer). A limit on the
// whole batch would fail slow runs on a busy machine, where a hang is what it is for.
constexpr double kSilentSecondsOfAHungRun = 120;
// What all the batches of one test may take, so that a test whose runs are slow but alive fails with its
// own message before ctest stops it as a bare "Timeout" (300 s, CMakeLists.txt).
constexpr double kTestBudgetSeconds = 270;
// The quit meets a delivery that is still running in about one run in thirty: sixty runs catch a quit
// that tears down under it more often than not. They are shared out among tests of one batch each, which
// ctest runs side by side: each takes a few seconds alone under the address sanitizer, where a batch of
// twenty took a minute and a half of processor time.
constexpr int kRunsPerBatch = 5;
constexpr int kPhoneQuits = 60;
constexpr int kKitQuits = 50;

// How a run is started and when it is quit: on the first line of its output, or of the scenario's own
// log file, that holds the marker; for a scenario without a marker, as soon as its home appears.
struct QuitPlan {
    std::vector<std::string> arguments;
    std::string marker;
    int signal = SIGTERM;
    std::string scenario;  // empty: the marker is looked for in the output
};

struct Launch {
    pid_t pid = -1;
    int output = -1;  // the child's standard output and error
    std::string log;
    int watch = -1;         // inotify on the folders on the way to the scenario's log
    std::string temporary;  // the run's $TMPDIR
    std::string scenarioLogPath;
    std::string scenarioLog;
    bool signalled = false;
    bool hung = false;  // silent for kSilentSecondsOfAHungRun, or still running when the test's time ran out
    std::chrono::steady_clock::time_point heard;  // when it last said something
    int status = 0;
};

// Starts the application on its own fresh folders, its output going to a pipe.
Launch launch(const std::string& home, const QuitPlan& plan) {
    Launch run;
    if (!plan.scenario.empty()) {
        // A scenario makes a home of its own in $TMPDIR, here the run's folder, and logs to a file inside
        // it: the folders on the way to that file are watched as they appear (readScenarioLog).
        run.temporary = home + "/tmp";
        platform::Files::createDirectories(run.temporary, 0700);
        run.watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (run.watch < 0 || inotify_add_watch(run.watch, run.temporary.c_str(), IN_CREATE) < 0) return run;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return run;
    // The radio's coming on is the moment to quit at below, a line of the log at its usual level. The
    // debugging detail is on too: a run that fails shows all it said.
    auto variables = testsupport::childEnvironment(
        {"HOME=", "XDG_", "TMPDIR=", "KESTRUNE_LOG_DEBUG=", "KESTRUNE_TEST_WAIT_AT_QUIT="},
        {"KESTRUNE_LOG_DEBUG=1", "KESTRUNE_TEST_WAIT_AT_QUIT=1", "HOME=" + home,
         "XDG_CONFIG_HOME=" + home + "/.config", "XDG_DATA_HOME=" + home + "/.local/share",
         "XDG_STATE_HOME=" + home + "/.local/state", "XDG_CACHE_HOME=" + home + "/.cache"});
    if (!run.temporary.empty()) variables.push_back("TMPDIR=" + run.temporary);
    std::vector<char*> environment;
    for (auto& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::string program = KESTRUNE_PROGRAM_PATH;
    std::vector<std::string> words = {program};
    words.insert(words.end(), plan.arguments.begin(), plan.arguments.end());
    std::vector<char*> arguments;
    for (auto& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawnattr_t attributes;
    testsupport::defaultSignalsForChild(attributes);
    if (posix_spawn(&run.pid, program.c_str(), &actions, &attributes, arguments.data(), environment.data()) !=
        0)
        run.pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    run.output = pipeFds[0];
    run.heard = std::chrono::steady_clock::now();
    return run;
}

// The scenario's log file once its folder exists: the home the scenario made in the run's $TMPDIR, then
// the log's folder inside it. Each folder found is watched before its entries are read, so that one
// made in between is still seen.
std::string findScenarioLog(Launch& run, const std::string& scenario) {
    std::string home;
    for (const auto& name : platform::Files::listDirectory(run.temporary))
        if (name.rfind("kestrune-scenario-" + scenario + "-", 0) == 0) home = run.temporary + "/" + name;
    if (home.empty()) return "";
    const std::string log = kestrune::ScenarioCommand::defaultLogPath(scenario);
    const std::string state = platform::StandardFolders::library();
    if (log.rfind(state, 0) != 0) return "";
    std::string path = home + "/.local/state" + log.substr(state.size());
    // Every folder from the home down to the log's.
    for (size_t at = home.size(); at != std::string::npos; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (inotify_add_watch(run.watch, folder.c_str(), IN_CREATE | IN_MODIFY) < 0) return "";
    }
    return path;
}

// Reads what the scenario's log file has gained since the last read.
void readScenarioLog(Launch& run, const std::string& scenario) {
    char events[4096];
    while (read(run.watch, events, sizeof events) > 0) {
    }
    if (run.scenarioLogPath.empty()) run.scenarioLogPath = findScenarioLog(run, scenario);
    if (run.scenarioLogPath.empty()) return;
    const int file = open(run.scenarioLogPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return;
    char buffer[4096];
    ssize_t got;
    while ((got = pread(file, buffer, sizeof buffer, static_cast<off_t>(run.scenarioLog.size()))) > 0)
        run.scenarioLog.append(buffer, static_cast<size_t>(got));
    close(file);
}

// Reads what the runs print and log, sends each its signal at its marker, and collects every run's
// output until it closes (waiting on the pipes and the folder watches, never sleeping). A run silent for
// kSilentSecondsOfAHungRun, or still running at `deadline`, is hung: it is stopped, and fails below.
void quitAll(std::vector<Launch>& runs, const QuitPlan& plan,
             std::chrono::steady_clock::time_point deadline) {
    const auto silence = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(kSilentSecondsOfAHungRun));
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        std::vector<pollfd> fds;
        std::vector<Launch*> owners;
        auto wake = deadline;
        for (auto& run : runs) {
            if (run.output < 0) continue;
            if (now >= deadline || now - run.heard >= silence) {
                run.hung = true;
                kill(run.pid, SIGKILL);
                close(run.output);
                run.output = -1;
                continue;
            }
            wake = std::min(wake, run.heard + silence);
            fds.push_back({run.output, POLLIN, 0});
            owners.push_back(&run);
            if (run.watch >= 0) {
                fds.push_back({run.watch, POLLIN, 0});
                owners.push_back(&run);
            }
        }
        if (fds.empty()) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        if (poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(left, 1))) < 0) break;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            Launch& run = *owners[i];
            run.heard = std::chrono::steady_clock::now();
            if (fds[i].fd == run.watch) {
                readScenarioLog(run, plan.scenario);
            } else {
                char buffer[4096];
                const ssize_t got = read(run.output, buffer, sizeof buffer);
                if (got <= 0) {
                    close(run.output);
                    run.output = -1;
                    continue;
                }
                run.log.append(buffer, static_cast<size_t>(got));
            }
            const std::string& watched = plan.scenario.empty() ? run.log : run.scenarioLog;
            const bool due = plan.marker.empty() ? !run.scenarioLogPath.empty()
                                                 : watched.find(plan.marker) != std::string::npos;
            if (!run.signalled && due) {
                kill(run.pid, plan.signal);
                run.signalled = true;
            }
        }
    }
    for (auto& run : runs) {
        if (run.output >= 0) {
            run.hung = true;
            kill(run.pid, SIGKILL);
            close(run.output);
            run.output = -1;
        }
        waitpid(run.pid, &run.status, 0);
        if (run.watch >= 0) {
            readScenarioLog(run, plan.scenario);
            close(run.watch);
            run.watch = -1;
        }
    }
}

class QuitWithWorkInFlightTest : public testsupport::KestruneTest {
protected:
    // A scenario cut short by the signal says so as its timeline's end and still names the home it keeps,
    // its log in it, in its closing lines.
    static void expectTheScenarioEndedAfterTheSignal(const Launch& run, int signal) {
        const std::string stopped =
            std::string("end    stopped by SIG") + sigabbrev_np(signal) + " before it was over\n";
        const size_t end = run.log.find(stopped);
        EXPECT_NE(end, std::string::npos) << stopped;
        const auto homes = platform::Files::listDirectory(run.temporary);
        ASSERT_EQ(homes.size(), 1u);
        const std::string home = run.temporary + "/" + homes[0];
        EXPECT_NE(run.log.find("The application's log of this run: " + home + "/", end), std::string::npos);
        EXPECT_NE(run.log.find(": " + home + "\n", end), std::string::npos);
    }

    // Quits `quits` runs, `atOnce` at a time, each by the plan; every run must end, once the quit's last
    // line is out, by the plan's signal, as a program the signal stopped, and with no sanitizer report.
    void quitRuns(const QuitPlan& plan, int quits, int atOnce) {
        const auto began = std::chrono::steady_clock::now();
        const auto deadline = began + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                          std::chrono::duration<double>(kTestBudgetSeconds));
        for (int first = 0; first < quits; first += atOnce) {
            std::vector<Launch> runs;
            for (int i = first; i < first + atOnce; ++i) {
                runs.push_back(launch(home() + "/run-" + std::to_string(i), plan));
                ASSERT_GT(runs.back().pid, 0)
                    << "cannot start " << KESTRUNE_PROGRAM_PATH << " (or watch its log)";
            }
            quitAll(runs, plan, deadline);
            for (size_t i = 0; i < runs.size(); ++i) {
                const Launch& run = runs[i];
                SCOPED_TRACE("run " + std::to_string(first + static_cast<int>(i)) + ":\n" + run.log +
                             (plan.scenario.empty() ? "" : "\nIts log:\n" + run.scenarioLog));
                EXPECT_FALSE(run.hung)
                    << "stopped: silent for " << kSilentSecondsOfAHungRun << " s, or still running after "
                    << std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count()
                    << " s of the test's " << kTestBudgetSeconds << " s";
                EXPECT_TRUE(run.signalled);
                EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == plan.signal)
                    << "status " << run.status;
                const std::string& log = plan.scenario.empty() ? run.log : run.scenarioLog;
                EXPECT_NE(log.find("Kestrune quit"), std::string::npos);
                // Work that waits for the main thread must not hold the quit up until it gives up: the
                // worker the switch started is let go, its closure unrun.
                EXPECT_EQ(log.find("work still running"), std::string::npos);
                EXPECT_NE(log.find("a worker waits for the main thread as the quit begins"),
                          std::string::npos);
                EXPECT_NE(log.find("the worker waiting for the main thread went on without it"),
                          std::string::npos);
                EXPECT_EQ(log.find("the main loop turned after the quit"), std::string::npos);
                for (const char* fault : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
                    EXPECT_EQ(run.log.find(fault), std::string::npos) << fault;
                if (!plan.scenario.empty()) expectTheScenarioEndedAfterTheSignal(run, plan.signal);
                if (HasFailure()) return;  // one run's output is enough to read
            }
        }
    }
};

class QuitsWhileTheKitsStart : public QuitWithWorkInFlightTest, public ::testing::WithParamInterface<int> {};

TEST_P(QuitsWhileTheKitsStart, EndCleanly) {
    // The radio is up and the kits are still starting on their queues.
    quitRuns({{"-clean-run"}, "BLE turned on!", SIGTERM, ""}, kRunsPerBatch, kRunsPerBatch);
}

INSTANTIATE_TEST_SUITE_P(Shards, QuitsWhileTheKitsStart, ::testing::Range(0, kKitQuits / kRunsPerBatch));

class QuitsWhileThePhoneConnects : public QuitWithWorkInFlightTest,
                                   public ::testing::WithParamInterface<int> {};

TEST_P(QuitsWhileThePhoneConnects, EndCleanly) {
    // The phone's notifications are being switched on: its answer, the Mac's first handshake message
    // and the rest of the connection run on the Bluetooth queue while the quit goes on.
    quitRuns({{"--scenario", "wifi"}, "STATE: Peripheral subscribing for notifications", SIGINT, "wifi"},
             kRunsPerBatch, kRunsPerBatch);
}

INSTANTIATE_TEST_SUITE_P(Shards, QuitsWhileThePhoneConnects,
                         ::testing::Range(0, kPhoneQuits / kRunsPerBatch));

TEST_F(QuitWithWorkInFlightTest, AScenarioStoppedWhileItIsBeingSetUpEndsAsOneCutShort) {
    // Its first log line comes before the application runs, while the features and the world are made:
    // the signal waits for the application to take it rather than end the process there.
    quitRuns({{"--scenario", "wifi"}, "a scripted phone and the simulated Mac session", SIGTERM, "wifi"}, 12,
             6);
}

TEST_F(QuitWithWorkInFlightTest, AScenarioStoppedAsSoonAsItsHomeIsMadeEndsAsOneCutShort) {
    // Its terminal closed in its first moments: from before its home is made, the signal must wait for
    // the application to take it, or the home would be left behind unnamed.
    quitRuns({{"--scenario", "wifi"}, "", SIGHUP, "wifi"}, 14, 7);
}

#endif

}  // namespace
