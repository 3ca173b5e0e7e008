#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace crashstoretest {

// Runs the crash store's helper program with the arguments and answers its wait status (-1 when it
// could not be started). The sanitizer's own fault handler is kept out of the child's way, so the
// child's handler is the one that sees the fault.
inline int runChild(const std::vector<std::string>& arguments) {
    std::vector<std::string> strings = {CRASH_STORE_CHILD_PATH};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    std::vector<std::string> environment = {
        "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0"};
    for (char** e = environ; *e; e++) {
        if (std::string(*e).rfind("ASAN_OPTIONS=", 0) != 0) environment.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& s : environment) envp.push_back(s.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return status;
}

}  // namespace crashstoretest
