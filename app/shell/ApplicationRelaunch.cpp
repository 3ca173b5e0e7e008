#include "app/shell/ApplicationRelaunch.h"

#include <algorithm>

#include "app/shell/CustomRunArgs.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/system/Application.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/Shell.h"

namespace kestrune {

std::vector<std::string> relaunchCommandArguments(float seconds, const std::string& executable,
                                                  const std::vector<std::string>& arguments) {
    // The program's path and arguments follow the script as positional parameters: the script text
    // holds only the delay, so no path can be read as shell syntax.
    std::vector<std::string> out = {
        "-c", platform::format("sleep %f; exec \"$0\" \"$@\"", static_cast<double>(seconds)), executable};
    out.insert(out.end(), arguments.begin(), arguments.end());
    return out;
}

void relaunchAfterDelay(float seconds) {
    auto& info = platform::ProcessInfo::shared();
    auto arguments = info.arguments();
    if (!arguments.empty()) arguments.erase(arguments.begin());  // the program path is passed separately
    if (std::find(arguments.begin(), arguments.end(), CustomRunArgs::kRelaunchedArgument) == arguments.end())
        arguments.push_back(CustomRunArgs::kRelaunchedArgument);
    auto command = relaunchCommandArguments(seconds, info.executablePath(), arguments);
    if (!platform::Shell::launchDetached("/bin/sh", command)) {
        platform::logf("Relaunch: could not start the relaunch shell");
    }
    platform::Application::shared().terminate();
}

}  // namespace kestrune
