#include "tests/support/ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace testsupport {

namespace {
constexpr double kRunLimitSeconds = 120;  // real time for one run; only a hung run comes near it
}  // namespace

void defaultSignalsForChild(posix_spawnattr_t& attributes) {
    posix_spawnattr_init(&attributes);
    sigset_t none, stops;
    sigemptyset(&none);
    sigemptyset(&stops);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&stops, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &stops);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::string& quitOn, int signal) {
    std::vector<ProgramStop> stops;
    if (!quitOn.empty()) stops.push_back({quitOn, signal});
    return runProgram(arguments, environment, folder, stops);
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::vector<ProgramStop>& stops) {
    ProgramRun run;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return run;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    std::vector<std::string> variables = environment;
    std::vector<char*> envp, argv;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> words = arguments;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attributes;
    defaultSignalsForChild(attributes);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        return run;
    }
    // Both streams read as they come, waiting on the pipes, never sleeping.
    int fds[2] = {out[0], err[0]};
    std::string* texts[2] = {&run.out, &run.err};
    size_t stopsDone = 0;
    size_t saidBefore[2] = {0, 0};  // where the words of the next stop are looked for, in each stream
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kRunLimitSeconds);
    while (fds[0] >= 0 || fds[1] >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) break;
        pollfd polled[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        if (poll(polled, 2, static_cast<int>(left)) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || !polled[i].revents) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i], buffer, sizeof buffer);
            if (got <= 0) {
                close(fds[i]);
                fds[i] = -1;
                continue;
            }
            texts[i]->append(buffer, static_cast<size_t>(got));
        }
        while (stopsDone < stops.size()) {
            const ProgramStop& stop = stops[stopsDone];
            size_t found[2];
            for (int i = 0; i < 2; ++i) found[i] = texts[i]->find(stop.on, saidBefore[i]);
            if (found[0] == std::string::npos && found[1] == std::string::npos) break;
            for (int i = 0; i < 2; ++i)
                saidBefore[i] = found[i] == std::string::npos ? texts[i]->size() : found[i] + stop.on.size();
            if (stop.signal != SIGPIPE) {
                kill(pid, stop.signal);
            } else if (fds[0] >= 0) {
                close(fds[0]);
                fds[0] = -1;
            }
            ++stopsDone;
        }
    }
    for (int fd : fds) {
        if (fd < 0) continue;
        kill(pid, SIGKILL);  // hung: fails below
        close(fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return run;
}

}  // namespace testsupport
