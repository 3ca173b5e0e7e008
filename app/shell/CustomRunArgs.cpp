#include "app/shell/CustomRunArgs.h"

#include <algorithm>

#include "platform/system/ProcessInfo.h"

namespace kestrune {

bool CustomRunArgs::isCleanRun() {
    return containsRunArgument("-clean-run");
}

bool CustomRunArgs::shouldWipeCleanRunData() {
    return isCleanRun() && !containsRunArgument(kRelaunchedArgument);
}

bool CustomRunArgs::containsRunArgument(const std::string& argument) {
    auto arguments = platform::ProcessInfo::shared().arguments();
    return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
}

}  // namespace kestrune
