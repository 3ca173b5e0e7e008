#pragma once

// A program a test launches and waits for: the application itself, mostly.

#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
    int status = -1;  // the exit status, -1 when it did not start or did not exit by itself
    std::string out, err;
};

// Starts the program (arguments[0]) in `folder` with exactly `environment`, reads its standard output
// and error as they come (waiting on the pipes, never sleeping) and waits for it to end. When `quitOn`
// is given, the program gets SIGTERM once either stream says so; one still running after two minutes of
// real time is killed.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                      const std::string& folder, const std::string& quitOn = "");

}  // namespace testsupport
