// What ctest starts each test through: test_runner PROGRAM ARGUMENTS..., most often one test of a test
// program (--gtest_filter=Suite.Name, as gtest_discover_tests runs it). A test that ends its process with
// status 0 in its middle (exit(0), _exit(0) or quick_exit(0) from its body) would pass, since ctest looks
// at nothing but the status. GoogleTest makes the file that TEST_PREMATURE_EXIT_FILE names when its run of
// the tests starts and removes it when that run ends: the file is made here first, so that one still there
// once the program has ended with status 0 says that the program ended before its run did (in a test, or
// before the run started), and the test fails, named. Any other end is handed on as it came: the status,
// or the signal the program died of, of which this program dies in turn, so that ctest reports a crash as
// one.
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

volatile sig_atomic_t gProgram = 0;

// A signal sent to this process alone (ctest stops a test's whole process tree itself) goes on to the
// program, whose end is then handed on as any other.
void forward(int signal) {
    if (gProgram > 0) kill(static_cast<pid_t>(gProgram), signal);
}

// The test asked for, or nullptr when the program runs more than one.
const char* testName(int argc, char** argv) {
    const char prefix[] = "--gtest_filter=";
    for (int i = 2; i < argc; ++i)
        if (strncmp(argv[i], prefix, sizeof prefix - 1) == 0) return argv[i] + sizeof prefix - 1;
    return nullptr;
}

// Makes the file GoogleTest removes at the end of its run, in TMPDIR, else in /tmp, and writes its path
// to `path`; false when neither takes it. GoogleTest itself does not check that it could write the file,
// and crashes when it cannot. (No C++ library here: this program starts once for every test.)
bool makeMarker(char (&path)[PATH_MAX]) {
    const char* folders[] = {getenv("TMPDIR"), "/tmp"};
    for (const char* folder : folders) {
        if (!folder || !*folder) continue;
        if (snprintf(path, sizeof path, "%s/kestrune-test-running-XXXXXX", folder) >=
            static_cast<int>(sizeof path))
            continue;
        const int file = mkstemp(path);
        if (file < 0) continue;
        close(file);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: test_runner PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    char marker[PATH_MAX];
    if (!makeMarker(marker)) {
        fprintf(stderr, "test_runner: cannot make a file in TMPDIR or /tmp: %s\n", strerror(errno));
        return 2;
    }
    setenv("TEST_PREMATURE_EXIT_FILE", marker, 1);

    struct sigaction action {};
    action.sa_handler = forward;
    sigemptyset(&action.sa_mask);
    const int forwarded[] = {SIGINT, SIGTERM, SIGHUP};
    for (int signal : forwarded) sigaction(signal, &action, nullptr);
    pid_t program = -1;
    const int spawned = posix_spawnp(&program, argv[1], nullptr, nullptr, argv + 1, environ);
    if (spawned != 0) {
        unlink(marker);
        fprintf(stderr, "test_runner: cannot start %s: %s\n", argv[1], strerror(spawned));
        return 127;
    }
    gProgram = program;
    int status = 0;
    while (waitpid(program, &status, 0) < 0) {
        if (errno != EINTR) {
            unlink(marker);
            fprintf(stderr, "test_runner: cannot wait for %s: %s\n", argv[1], strerror(errno));
            return 1;
        }
    }
    const bool endedEarly = access(marker, F_OK) == 0;
    unlink(marker);

    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        // The program left its core dump, where the system keeps them; this one would add nothing.
        const struct rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none);
        ::signal(signal, SIG_DFL);
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, signal);
        sigprocmask(SIG_UNBLOCK, &signals, nullptr);
        raise(signal);
        return 128 + signal;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    if (code == 0 && endedEarly) {
        const char* test = testName(argc, argv);
        if (test)
            fprintf(stderr, "%s FAILED: it ended the process (status 0) before it finished\n", test);
        else
            fprintf(stderr,
                    "%s FAILED: a test ended the process (status 0) before its tests finished (the last test "
                    "started above)\n",
                    argv[1]);
        return 1;
    }
    return code;
}
