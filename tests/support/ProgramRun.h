#pragma once

// A program a test launches and waits for: the application itself, mostly.

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

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
    ProgramStop(std::string words, int sent = SIGTERM) : on(std::move(words)), signal(sent) {}
    // Its stream `closes` (STDOUT_FILENO, STDERR_FILENO) closed once either stream says `on`.
    static ProgramStop closing(int stream, std::string on) {
        ProgramStop stop(std::move(on), SIGPIPE);
        stop.closes = stream;
        return stop;
    }
    // `signal` sent once `file` exists and holds `on`.
    static ProgramStop whenFileHolds(std::string file, std::string on, int signal) {
        ProgramStop stop(std::move(on), signal);
        stop.file = std::move(file);
        return stop;
    }

    std::string on;
    // Sent to it; SIGPIPE: the stream `closes` is closed instead, as by a reader that went away (`| head`).
    int signal = SIGTERM;
    int closes = STDOUT_FILENO;
    // When given, the stop waits for this file to exist and hold `on` (empty: to exist), not for the
    // streams to say it.
    std::string file;
};

// Where the program's standard output or error goes: a pipe the run reads (its text in ProgramRun), none
// (closed, as `>&-` leaves it), or a file opened for writing (`>/dev/full`).
struct ProgramStream {
    enum class Kind { Read, Closed, File };
    Kind kind = Kind::Read;
    std::string path;

    static ProgramStream closed() { return {Kind::Closed, ""}; }
    static ProgramStream file(std::string path) { return {Kind::File, std::move(path)}; }
};

// Starts the program (arguments[0]) in `folder` with exactly `environment`, reads its standard output
// and error as they come (waiting on the pipes, never sleeping) and waits for it to end. When `quitOn`
// is given, the program gets `signal` once either stream says so; one still running after two minutes of
// real time is killed. It starts with every signal unblocked and SIGINT, SIGTERM, SIGHUP and SIGPIPE at
// their default action, whatever the test's own process had (a shell runs a background job with SIGINT
// ignored).
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::string& quitOn = "", int signal = SIGTERM);
// The same with stops in order: each is done once, when its words come after those of the one before
// (a stop without words, at once after the one before), or when its file holds them. Its standard output
// and error go where `out` and `err` say.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::vector<ProgramStop>& stops,
                      const ProgramStream& out = {}, const ProgramStream& err = {});
// The attributes of such a start, for posix_spawn; posix_spawnattr_destroy when done.
void defaultSignalsForChild(posix_spawnattr_t& attributes);

}  // namespace testsupport
