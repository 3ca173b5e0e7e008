#pragma once

// A program a test launches and waits for: the application itself, mostly.

#include <signal.h>
#include <spawn.h>

#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
    int status = -1;  // the exit status, -1 when it did not start or did not exit by itself
    int signal = 0;   // the signal that ended it, 0 when none did
    std::string out, err;
};

// What is done to a running program once either of its streams has said `on`.
struct ProgramStop {
    std::string on;
    // Sent to it; SIGPIPE: its standard output is closed instead, as by a reader that went away (`| head`).
    int signal = SIGTERM;
};

// Starts the program (arguments[0]) in `folder` with exactly `environment`, reads its standard output
// and error as they come (waiting on the pipes, never sleeping) and waits for it to end. When `quitOn`
// is given, the program gets `signal` once either stream says so; one still running after two minutes of
// real time is killed. It starts with every signal unblocked and SIGINT, SIGTERM, SIGHUP and SIGPIPE at
// their default action, whatever the test's own process had (a shell runs a background job with SIGINT
// ignored).
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::string& quitOn = "", int signal = SIGTERM);
// The same with stops in order: each is done once, when its words come after those of the one before.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::vector<ProgramStop>& stops);
// The attributes of such a start, for posix_spawn; posix_spawnattr_destroy when done.
void defaultSignalsForChild(posix_spawnattr_t& attributes);

}  // namespace testsupport
