#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrune {

// What the command line asks for. Anything it does not know is an error, answered with the usage
// before anything starts.
struct CommandLineOptions {
    enum class Mode { Run, Help, ListScenarios, Snapshot, Scenario, UsageError };
    Mode mode = Mode::Run;
    // The scenario asked for (Scenario).
    std::string scenario;
    // Where a scenario's pictures go, one pair per step of its timeline (Scenario); empty for none.
    std::string snapshots;
    // The scenes to draw (Snapshot; none for all) and the interface language to draw them in ("--language
    // CODE"; English when not given).
    std::vector<std::string> scenes;
    std::string language = "en";
    // Settings and data of a run of their own ("-clean-run"; a scenario always runs clean).
    bool cleanRun = false;
    // What is wrong with the command line (UsageError).
    std::string error;

    // The arguments the program itself was given, without its path.
    static CommandLineOptions parse(const std::vector<std::string>& arguments);
    static CommandLineOptions parse(int argc, char** argv);
};

std::string usageText();

// Help, the scenario list and usage errors are answered here, without starting anything: the exit
// status then (0, or 2 for a usage error, which goes to the error stream); none to go on.
std::optional<int> answerWithoutStarting(const CommandLineOptions& options, std::ostream& out,
                                         std::ostream& err);

// The arguments the application runs with: those given, and "-clean-run" for a scenario.
std::vector<std::string> applicationArguments(int argc, char** argv, const CommandLineOptions& options);

// The first lines of the log: what kind of run this is.
std::vector<std::string> startupNotices(const CommandLineOptions& options);

}  // namespace kestrune
