#include "features/music/AbstractMusicController.h"

#include "engine/evidence/CommandLine.h"
#include "platform/base/Strings.h"

namespace kestrune {

std::optional<std::string> AbstractMusicController::bundleIdentiferForAppWithName(const std::string& name) {
    return platform::bundleIdentifierOfApplicationAtPath(
        platform::format("/Applications/%s.app", name.c_str()));
}

std::optional<std::string> AbstractMusicController::bundleIdentifier() const {
    auto name = appName();
    return name ? bundleIdentiferForAppWithName(*name) : std::nullopt;
}

std::shared_ptr<platform::ScriptableApplication> AbstractMusicController::currentApplication() const {
    auto identifier = bundleIdentifier();
    return identifier ? platform::ScriptableApplication::applicationWithBundleIdentifier(*identifier)
                      : nullptr;
}

bool AbstractMusicController::applicationIsRunning() const {
    auto application = currentApplication();
    return application && application->isRunning();
}

void AbstractMusicController::tellCurrentAppToExecuteTerminalCommand(const std::string& command) const {
    auto name = appName();
    if (!name) return;
    runShellCommand(
        platform::format("osascript -e 'tell application \"%s\" to %s'", name->c_str(), command.c_str()));
}

}  // namespace kestrune
