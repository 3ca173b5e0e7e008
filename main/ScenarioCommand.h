#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "engine/coordinator/CoordinatorServices.h"
#include "main/CheckedOutput.h"
#include "main/FeatureWiring.h"

namespace platform {
class SimulatedSession;
}

namespace kestrune {

class ScenarioRunner;
class ScenarioSnapshots;
class ScenarioWorld;
struct CommandLineOptions;

// `kestrune --scenario NAME`: the application as it always runs, in a scripted world, with the
// timeline on standard output and the application's log in a file of its own. The program's entry
// makes it before anything logs, sets the world up once the simulated session and radio are installed,
// and starts it with the application. A timeline that cannot be written stops the run: its reader gone
// (EPIPE), as SIGPIPE would (StopSignals.h); any other failure (a full disk, a terminal gone: EIO) with
// one line on standard error that says why and names the home, which is kept, and a failed status. An
// output that goes nowhere (closed at start) has the closing lines on standard error instead. A home
// that nothing could name (the reader gone, or standard error unwritable or going nowhere too) is
// removed at exit.
class ScenarioCommand {
public:
    // None unless the options ask for a scenario. The log goes to the file from here on.
    static std::unique_ptr<ScenarioCommand> prepare(const CommandLineOptions& options,
                                                    const std::string& logPath);
    // Pictures asked for (--snapshots DIR) need a folder to write in and the drawing module: checked
    // before anything starts. The exit status when they cannot be had (the reason on `err`); none to go on.
    static std::optional<int> checkSnapshots(const CommandLineOptions& options, std::ostream& err);
    ~ScenarioCommand();

    // The world on the installed radio, the session and the features' devices; the coordinator's window
    // services for it.
    void setUp(std::shared_ptr<platform::SimulatedSession> session, FeatureDevices devices,
               CoordinatorServices& services);
    // Plays the scenario once the application runs; the application quits when it is over.
    void start();
    // 0 when the scenario ended as it expects, every picture asked for was written and its output could
    // be written (or its reader went away only after the end), 1 otherwise.
    int exitStatus() const;
    // Once the application has run, stopped by `signal` (0: by nothing but its own end or its output that
    // could not be written; SIGPIPE: its output closed): the exit status. A scenario that a signal cut short
    // still prints the end of its timeline and its closing lines, and answers the signal's status (the
    // process then ends by the signal itself, StopSignals.h).
    int finish(int signal);
    const std::string& logPath() const { return logPath_; }

    // Where a scenario's log goes: the application's state folder, in the scenario's home of its own.
    static std::string defaultLogPath(const std::string& scenario);

private:
    ScenarioCommand(std::string scenario, std::string logPath, std::FILE* log, std::string snapshots);
    // Where the pictures, the log and the home are: once, when the timeline has ended.
    void printClosingLines();
    // The first write of the timeline that failed, with its errno.
    void outputFailed(int error);
    // The output failed otherwise than by its reader going away.
    bool unwritable() const { return output_.error() != 0 && output_.error() != EPIPE; }

    std::string scenario_;
    std::string snapshotsFolder_;
    std::string logPath_;
    std::FILE* log_ = nullptr;
    CheckedOutput output_{STDOUT_FILENO};
    std::shared_ptr<ScenarioWorld> world_;
    std::unique_ptr<ScenarioRunner> runner_;
    std::unique_ptr<ScenarioSnapshots> snapshots_;
    bool stopped_ = false, closed_ = false;
};

}  // namespace kestrune
