// The built application, quit by SIGTERM while its start-up work (the kits, the login-items check the
// quit itself queues) still runs on background workers: every quit must end cleanly, with nothing in
// the sanitizers' output. Workers are detached, so they may still run while the process tears down its
// statics; anything they reach must outlive that.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace {

#ifdef KESTRUNE_QUIT_TEST

constexpr int kQuits = 50;
constexpr int kAtOnce = 5;
constexpr double kRunLimitSeconds = 60;  // real time for one run; only a hung run comes near it

struct Launch {
    pid_t pid = -1;
    int output = -1;  // the child's standard output and error
    std::string log;
    bool signalled = false;
    int status = 0;
};

// Starts the application on its own fresh folders, its output going to a pipe.
Launch launch(const std::string& home) {
    Launch run;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return run;
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("HOME=", 0) == 0 || variable.rfind("XDG_", 0) == 0 ||
            variable.rfind("KESTRUNE_LOG_DEBUG=", 0) == 0)
            continue;
        variables.push_back(variable);
    }
    // The radio's coming on is the moment to quit at below, a line of the log at its usual level. The
    // debugging detail is on too: a run that fails shows all it said.
    variables.push_back("KESTRUNE_LOG_DEBUG=1");
    variables.push_back("HOME=" + home);
    variables.push_back("XDG_CONFIG_HOME=" + home + "/.config");
    variables.push_back("XDG_DATA_HOME=" + home + "/.local/share");
    variables.push_back("XDG_STATE_HOME=" + home + "/.local/state");
    variables.push_back("XDG_CACHE_HOME=" + home + "/.cache");
    std::vector<char*> environment;
    for (auto& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::string program = KESTRUNE_PROGRAM_PATH;
    std::string cleanRun = "-clean-run";
    char* arguments[] = {program.data(), cleanRun.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    if (posix_spawn(&run.pid, program.c_str(), &actions, nullptr, arguments, environment.data()) != 0)
        run.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    run.output = pipeFds[0];
    return run;
}

// Reads what the runs print, sends each its SIGTERM while it is still starting up, and collects
// every run's output until it closes (waiting on the pipes, never sleeping).
void quitAll(std::vector<Launch>& runs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kRunLimitSeconds);
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<Launch*> owners;
        for (auto& run : runs) {
            if (run.output < 0) continue;
            fds.push_back({run.output, POLLIN, 0});
            owners.push_back(&run);
        }
        if (fds.empty()) break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) break;
        if (poll(fds.data(), fds.size(), static_cast<int>(left)) < 0) break;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            Launch& run = *owners[i];
            char buffer[4096];
            const ssize_t got = read(run.output, buffer, sizeof buffer);
            if (got <= 0) {
                close(run.output);
                run.output = -1;
                continue;
            }
            run.log.append(buffer, static_cast<size_t>(got));
            // The radio is up and the kits are still starting on their queues.
            if (!run.signalled && run.log.find("BLE turned on!") != std::string::npos) {
                kill(run.pid, SIGTERM);
                run.signalled = true;
            }
        }
    }
    for (auto& run : runs) {
        if (run.output >= 0) {
            kill(run.pid, SIGKILL);  // hung: fails below
            close(run.output);
            run.output = -1;
        }
        waitpid(run.pid, &run.status, 0);
    }
}

class QuitWithWorkInFlightTest : public testsupport::KestruneTest {};

TEST_F(QuitWithWorkInFlightTest, FiftyQuitsEndCleanly) {
    for (int first = 0; first < kQuits; first += kAtOnce) {
        std::vector<Launch> runs;
        for (int i = first; i < first + kAtOnce; ++i) {
            runs.push_back(launch(home() + "/run-" + std::to_string(i)));
            ASSERT_GT(runs.back().pid, 0) << "cannot start " << KESTRUNE_PROGRAM_PATH;
        }
        quitAll(runs);
        for (size_t i = 0; i < runs.size(); ++i) {
            const Launch& run = runs[i];
            SCOPED_TRACE("run " + std::to_string(first + static_cast<int>(i)) + ":\n" + run.log);
            EXPECT_TRUE(run.signalled);
            EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0) << "status " << run.status;
            EXPECT_NE(run.log.find("Kestrune quit"), std::string::npos);
            for (const char* fault : {"runtime error", "AddressSanitizer", "LeakSanitizer"})
                EXPECT_EQ(run.log.find(fault), std::string::npos) << fault;
            if (HasFailure()) return;  // one run's output is enough to read
        }
    }
}

#endif

}  // namespace
