#include "engine/evidence/CommandLine.h"

#include "engine/evidence/VersionSwitch.h"
#include "platform/base/Strings.h"
#include "platform/system/SystemCommands.h"

namespace kestrune {

std::string runShellCommand(const std::string& command) {
    return platform::SystemCommands::runShellCommand(command).output;
}

std::string runShellCommandWithInput(const std::string& command, const std::string& input) {
    return platform::SystemCommands::runShellCommand(command, input).output;
}

void CommandLine::showScreensaver() {
    runShellCommand("open -a " + screenSaverAppPath());
}

std::string CommandLine::screenSaverAppPath() {
    if (systemIsBelow("10.13"))
        return "/System/Library/Frameworks/ScreenSaver.framework/Versions/A/Resources/ScreenSaverEngine.app";
    return "/System/Library/CoreServices/ScreenSaverEngine.app";
}

void CommandLine::putComputerToSleep() {
    runShellCommand("pmset displaysleepnow");
}

void CommandLine::restartMac() {
    runShellCommand("sudo shutdown -r now");
}

bool CommandLine::ifLidIsClosed() {
    // Only a listing that says the lid is open reads as open; an empty answer (a Mac without a lid, or a
    // listing that failed) counts as closed.
    std::string output =
        runShellCommand("ioreg -r -k AppleClamshellState -d 4 | grep AppleClamshellState  | head -1");
    return !platform::contains(output, "= No");
}

}  // namespace kestrune
