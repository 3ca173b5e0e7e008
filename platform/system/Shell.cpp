#include "platform/system/Shell.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/base/Log.h"

extern char** environ;

namespace platform {

namespace {

std::mutex gInterceptorMutex;
Shell::Interceptor gInterceptor;
// SIGINT and SIGHUP, each when the process was started with it ignored: one bit a signal number.
std::atomic<uint64_t> gKeptIgnored{0};

uint64_t bit(int signal) {
    return uint64_t{1} << signal;
}

std::vector<char*> argv(const std::string& path, const std::vector<std::string>& arguments) {
    std::vector<char*> out;
    out.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : arguments) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// A child starts with no signal blocked and SIGTERM and SIGPIPE at their default action, as a program
// started afresh would, and so do SIGINT and SIGHUP unless the process was started with them ignored. The
// application blocks the stop signals on every thread (a thread of its own takes them) and ignores
// SIGPIPE: a child would inherit both, and a tool it runs, or the application relaunched, could then not
// be stopped, or would write on into a closed pipe. An ignored SIGINT or SIGHUP it was started with is
// kept: its parent meant it for the whole job (a background job of a script, a run under nohup), and the
// process leaves it as it found it.
void startWithSignalsAsNew(posix_spawnattr_t& attr, short flags) {
    sigset_t none, asNew;
    sigemptyset(&none);
    sigemptyset(&asNew);
    const uint64_t kept = gKeptIgnored.load();
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        if (!(kept & bit(signal))) sigaddset(&asNew, signal);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &asNew);
    posix_spawnattr_setflags(&attr,
                             static_cast<short>(flags | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
}

int statusFrom(int wstatus) {
    if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
    return -1;
}

}  // namespace

Shell::Result Shell::run(const std::string& path, const std::vector<std::string>& arguments,
                         const std::string& input) {
    Result result;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) return result;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]), close(in[1]);
        return result;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(in[0]), close(in[1]), close(out[0]), close(out[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    startWithSignalsAsNew(attr, 0);
    pid_t pid = 0;
    auto args = argv(path, arguments);
    int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        logf("Shell: could not start %s: %s", path.c_str(), strerror(rc));
        close(in[1]), close(out[0]), close(err[0]);
        return result;
    }
    result.launched = true;

    // Feed the input and drain both outputs together, so a chatty child never blocks on a full pipe.
    size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    } else {
        fcntl(inFd, F_SETFL, O_NONBLOCK);
    }
    int fds[2] = {out[0], err[0]};
    std::string* sinks[2] = {&result.output, &result.errorOutput};
    int open = 2;
    while (open > 0 || inFd >= 0) {
        struct pollfd polls[3];
        int n = 0;
        int map[3];
        for (int i = 0; i < 2; ++i) {
            if (fds[i] >= 0) {
                polls[n] = {fds[i], POLLIN, 0};
                map[n++] = i;
            }
        }
        if (inFd >= 0) {
            polls[n] = {inFd, POLLOUT, 0};
            map[n++] = 2;
        }
        if (poll(polls, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int k = 0; k < n; ++k) {
            if (!polls[k].revents) continue;
            if (map[k] == 2) {
                ssize_t w = write(inFd, input.data() + written, input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 && errno != EAGAIN) written = input.size();
                if (written >= input.size()) {
                    close(inFd);
                    inFd = -1;
                }
                continue;
            }
            int i = map[k];
            char buffer[4096];
            ssize_t r = read(fds[i], buffer, sizeof buffer);
            if (r > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(r));
            } else if (r == 0 || errno != EINTR) {
                close(fds[i]);
                fds[i] = -1;
                --open;
            }
        }
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = statusFrom(wstatus);
    return result;
}

bool Shell::launchDetached(const std::string& path, const std::vector<std::string>& arguments) {
    Interceptor interceptor;
    {
        std::lock_guard lock(gInterceptorMutex);
        interceptor = gInterceptor;
    }
    if (interceptor) return interceptor(path, arguments);

    // In a session of its own, so that it lives on when this process ends (a relaunch ends us at once).
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    startWithSignalsAsNew(attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    auto args = argv(path, arguments);
    int rc = posix_spawn(&pid, path.c_str(), nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        logf("Shell: could not start %s: %s", path.c_str(), strerror(rc));
        return false;
    }
    return true;
}

void Shell::setSignalsIgnoredAtStart(const sigset_t& signals) {
    uint64_t kept = 0;
    for (int signal : {SIGINT, SIGHUP})
        if (sigismember(&signals, signal) == 1) kept |= bit(signal);
    gKeptIgnored = kept;
}

void Shell::setLaunchInterceptor(Interceptor interceptor) {
    std::lock_guard lock(gInterceptorMutex);
    gInterceptor = std::move(interceptor);
}

}  // namespace platform
