#pragma once

#include <string>
#include <vector>

namespace kestrune {

// Relaunching the application: a shell outlives this process, waits the delay and starts the program
// again with the same arguments; this process terminates at once.
void relaunchAfterDelay(float seconds);

// The shell command line used for it (program and arguments), for the record and for tests.
std::vector<std::string> relaunchCommandArguments(float seconds, const std::string& executable,
                                                  const std::vector<std::string>& arguments);

}  // namespace kestrune
