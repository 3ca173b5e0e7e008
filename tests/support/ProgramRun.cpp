#include "tests/support/ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>

namespace testsupport {

namespace {
constexpr double kRunLimitSeconds = 120;  // real time for one run; only a hung run comes near it

// A file the program makes, in folders it may not have made yet: every folder on its way that exists is
// watched for entries made, moved in or written, so that a poll on the descriptor wakes at each change
// that may bring the file or its text. A folder is watched before the next one is looked for: one made
// in between is still seen.
class FileWatch {
public:
    FileWatch() : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~FileWatch() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;
    int descriptor() const { return descriptor_; }

    // The file's text, none while it does not exist; what woke the watch is read away first.
    std::optional<std::string> look(const std::string& path) {
        char events[4096];
        while (read(descriptor_, events, sizeof events) > 0) {
        }
        for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
            if (inotify_add_watch(descriptor_, path.substr(0, at).c_str(),
                                  IN_CREATE | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE) < 0)
                break;
        const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) return std::nullopt;
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = read(file, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(got));
        close(file);
        return text;
    }

private:
    int descriptor_;
};
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
                      const std::string& folder, const std::vector<ProgramStop>& stops,
                      const ProgramStream& out, const ProgramStream& err) {
    ProgramRun run;
    const ProgramStream* streams[2] = {&out, &err};
    // The read and write ends of a pipe for each stream the run reads.
    int pipes[2][2] = {{-1, -1}, {-1, -1}};
    for (int i = 0; i < 2; ++i) {
        if (streams[i]->kind != ProgramStream::Kind::Read) continue;
        if (pipe2(pipes[i], O_CLOEXEC) != 0) {
            for (auto& pipe : pipes)
                for (int end : pipe)
                    if (end >= 0) close(end);
            return run;
        }
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
    for (int i = 0; i < 2; ++i) {
        const int descriptor = i + 1;
        switch (streams[i]->kind) {
            case ProgramStream::Kind::Read:
                posix_spawn_file_actions_adddup2(&actions, pipes[i][1], descriptor);
                break;
            case ProgramStream::Kind::Closed:
                posix_spawn_file_actions_addclose(&actions, descriptor);
                break;
            case ProgramStream::Kind::File:
                posix_spawn_file_actions_addopen(&actions, descriptor, streams[i]->path.c_str(),
                                                 O_WRONLY | O_CREAT | O_TRUNC, 0600);
                break;
        }
    }
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attributes;
    defaultSignalsForChild(attributes);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    for (auto& pipe : pipes)
        if (pipe[1] >= 0) close(pipe[1]);
    if (spawned != 0) {
        for (auto& pipe : pipes)
            if (pipe[0] >= 0) close(pipe[0]);
        return run;
    }
    // Its end is heard on a descriptor of its own: a program that writes to no pipe of the run's has
    // nothing else to be waited on by.
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    bool exited = ended < 0;
    FileWatch watch;
    // Both streams read as they come, waiting on the pipes, never sleeping.
    int fds[2] = {pipes[0][0], pipes[1][0]};
    std::string* texts[2] = {&run.out, &run.err};
    size_t stopsDone = 0;
    size_t saidBefore[2] = {0, 0};  // where the words of the next stop are looked for, in each stream
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kRunLimitSeconds);
    auto watchedFile = [&]() -> const std::string* {
        return stopsDone < stops.size() && !stops[stopsDone].file.empty() ? &stops[stopsDone].file : nullptr;
    };
    // Each stop whose words were said, or whose file holds them, in order.
    auto doStops = [&] {
        while (stopsDone < stops.size()) {
            const ProgramStop& stop = stops[stopsDone];
            if (const std::string* file = watchedFile()) {
                const auto text = watch.look(*file);
                if (!text || text->find(stop.on) == std::string::npos) break;
            } else {
                size_t found[2];
                for (int i = 0; i < 2; ++i) found[i] = texts[i]->find(stop.on, saidBefore[i]);
                if (found[0] == std::string::npos && found[1] == std::string::npos) break;
                for (int i = 0; i < 2; ++i)
                    saidBefore[i] =
                        found[i] == std::string::npos ? texts[i]->size() : found[i] + stop.on.size();
            }
            if (stop.signal != SIGPIPE) {
                kill(pid, stop.signal);
            } else if (const int closed = stop.closes - 1; (closed == 0 || closed == 1) && fds[closed] >= 0) {
                close(fds[closed]);
                fds[closed] = -1;
            }
            ++stopsDone;
        }
    };
    doStops();
    while (fds[0] >= 0 || fds[1] >= 0 || !exited) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) break;
        pollfd polled[4] = {{fds[0], POLLIN, 0},
                            {fds[1], POLLIN, 0},
                            {exited ? -1 : ended, POLLIN, 0},
                            {watchedFile() ? watch.descriptor() : -1, POLLIN, 0}};
        if (poll(polled, 4, static_cast<int>(left)) < 0) break;
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
        if (polled[2].revents) exited = true;
        doStops();
    }
    if (fds[0] >= 0 || fds[1] >= 0 || !exited) kill(pid, SIGKILL);  // hung: fails below
    for (int fd : fds)
        if (fd >= 0) close(fd);
    if (ended >= 0) close(ended);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return run;
}

}  // namespace testsupport
