#pragma once

// Runs the crash probe (tests/reporting/crash/capture/programs/crash_probe.cpp) and reads what it left:
// shared by the capture tests, later users of real crash records and the crash benchmark.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/reporting/crash/capture/programs/CrashProbeKinds.h"

extern char** environ;

namespace crashprobe {

struct Run {
    bool started = false;
    bool hung = false;   // killed after the time limit
    int status = 0;      // wait status
    std::string output;  // standard output, when asked for
};

// Spawns the probe with HOME and the XDG folders inside `home` (and the extra NAME=VALUE entries), waits
// at most `limitSeconds` (a hang is killed and reported), and answers how it ended.
inline Run run(const std::string& program, const std::vector<std::string>& arguments, const std::string& home,
               bool captureOutput = false, int limitSeconds = 10,
               const std::vector<std::string>& extraEnvironment = {}) {
    Run result;
    // The "storage" record describes the volume of the Documents folder, so there is one.
    mkdir((home + "/Documents").c_str(), 0700);
    std::vector<std::string> strings = {program};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = {
        "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config", "XDG_DATA_HOME=" + home + "/.local/share",
        "XDG_STATE_HOME=" + home + "/.local/state", "XDG_CACHE_HOME=" + home + "/.cache"};
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    // LD_BIND_NOW is left out unless asked for: the probe is bound as it was linked, or a test of the
    // binding would pass whatever the build did.
    for (char** e = environ; *e; e++) {
        const std::string entry(*e);
        if (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_", 0) != 0 &&
            entry.rfind("LD_BIND_NOW=", 0) != 0)
            environment.push_back(entry);
    }
    std::vector<char*> envp;
    for (auto& s : environment) envp.push_back(s.data());
    envp.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput && pipe2(pipeEnds, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    }
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[1] >= 0) close(pipeEnds[1]);
    if (spawned != 0) {
        if (pipeEnds[0] >= 0) close(pipeEnds[0]);
        return result;
    }
    result.started = true;
    const int process = int(syscall(SYS_pidfd_open, pid, 0));
    const int64_t limit = int64_t(limitSeconds) * 1000;
    struct timespec begin;
    clock_gettime(CLOCK_MONOTONIC, &begin);
    for (;;) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const int64_t elapsed = (now.tv_sec - begin.tv_sec) * 1000 + (now.tv_nsec - begin.tv_nsec) / 1000000;
        if (elapsed >= limit) {
            result.hung = true;
            kill(pid, SIGKILL);
            break;
        }
        struct pollfd watched[2] = {{process, POLLIN, 0}, {pipeEnds[0], POLLIN, 0}};
        const int count = pipeEnds[0] >= 0 ? 2 : 1;
        if (poll(watched, nfds_t(count), int(limit - elapsed)) < 0) continue;
        if (count == 2 && (watched[1].revents & (POLLIN | POLLHUP))) {
            char buffer[256];
            const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
            if (got > 0) result.output.append(buffer, size_t(got));
            if (got <= 0) {
                close(pipeEnds[0]);
                pipeEnds[0] = -1;
            }
        }
        if (watched[0].revents & POLLIN) break;
    }
    waitpid(pid, &result.status, 0);
    if (pipeEnds[0] >= 0) close(pipeEnds[0]);
    if (process >= 0) close(process);
    return result;
}

// What the probe said before it crashed.
struct Facts {
    std::vector<std::pair<uint64_t, uint64_t>> functions;
    std::vector<std::pair<uint64_t, uint64_t>> stacks;
    std::vector<std::string> images;
    // Ranges the probe named ("named <name> <low> <high>"): a function's extent, or a block of memory.
    std::map<std::string, std::pair<uint64_t, uint64_t>> named;

    static bool inAny(const std::vector<std::pair<uint64_t, uint64_t>>& ranges, uint64_t value,
                      uint64_t slackBelow = 0) {
        for (const auto& [low, high] : ranges) {
            if (value + slackBelow >= low && value < high) return true;
        }
        return false;
    }
};

inline Facts readFacts(const std::string& path) {
    Facts facts;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        uint64_t low = 0, high = 0;
        fields >> kind;
        if (kind == "image") {
            facts.images.push_back(line.substr(kind.size() + 1));
            continue;
        }
        if (kind == "named") {
            std::string name;
            if (fields >> name >> low >> high) facts.named[name] = {low, high};
            continue;
        }
        fields >> low >> high;
        if (kind == "fn") facts.functions.emplace_back(low, high);
        if (kind == "stack") facts.stacks.emplace_back(low, high);
    }
    return facts;
}

}  // namespace crashprobe
