#include "platform/system/Workspace.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/WorkspaceBackend.h"

namespace platform {

namespace {
std::mutex gLaunchEventMutex;
bool gLaunchEventOverridden = false;
std::optional<LaunchEvent> gLaunchEvent;
}  // namespace

Workspace& Workspace::shared() {
    static SharedInstance<Workspace> instance;
    return instance.get([] { return new Workspace; });
}

void Workspace::activateFileViewerSelectingFiles(const std::vector<std::string>& paths) {
    WorkspaceBackend::current()->revealFiles(paths);
}

void Workspace::openFile_withApplication(const std::string& path, const std::string& application) {
    WorkspaceBackend::current()->openFile_withApplication(path, application);
}

void Workspace::resetForTesting() {
    center_.removeAllObservers();
}

bool SystemSound::playFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        logf("SystemSound: no sound file at %s", path.empty() ? "(none)" : path.c_str());
        return false;
    }
    WorkspaceBackend::current()->playSound(path);
    return true;
}

std::optional<LaunchEvent> LaunchEvent::current() {
    {
        std::lock_guard lock(gLaunchEventMutex);
        if (gLaunchEventOverridden) return gLaunchEvent;
    }
    const char* env = getenv("KESTRUNE_LAUNCH_EVENT");
    if (!env || !*env) return std::nullopt;
    std::string text(env);
    auto colon = text.find(':');
    if (colon == std::string::npos) return LaunchEvent{text, ""};
    return LaunchEvent{text.substr(0, colon), text.substr(colon + 1)};
}

void LaunchEvent::setCurrentForTesting(std::optional<LaunchEvent> event) {
    std::lock_guard lock(gLaunchEventMutex);
    gLaunchEventOverridden = true;
    gLaunchEvent = std::move(event);
}

}  // namespace platform
