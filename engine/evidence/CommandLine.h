#pragma once

#include <string>

namespace kestrune {

// Runs "/bin/sh -c <command>" and answers its standard output (read to the end, so the caller waits):
// call it off the main thread where the command may take long. The input variant feeds the text to
// the command's standard input.
std::string runShellCommand(const std::string& command);
std::string runShellCommandWithInput(const std::string& command, const std::string& input);

// The few shell commands the engine needs.
class CommandLine {
public:
    static void showScreensaver();
    static std::string screenSaverAppPath();
    // The displays sleep; the Mac does not.
    static void putComputerToSleep();
    static void restartMac();
    // The lid is closed: the registry listing says "= Yes". Empty or failed output counts as open.
    static bool ifLidIsClosed();
};

}  // namespace kestrune
