#include "platform/system/Workspace.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

#include "platform/base/Log.h"

namespace platform {

namespace {
std::mutex gWorkspaceMutex;
std::vector<std::string> gPlayed;
bool gLaunchEventOverridden = false;
std::optional<LaunchEvent> gLaunchEvent;
}  // namespace

Workspace& Workspace::shared() {
    static auto* workspace = new Workspace;
    return *workspace;
}

void Workspace::activateFileViewerSelectingFiles(const std::vector<std::string>& paths) {
    std::lock_guard lock(gWorkspaceMutex);
    for (const auto& p : paths) {
        logf("Workspace: reveal %s", p.c_str());
        revealed_.push_back(p);
    }
}

std::vector<std::string> Workspace::revealedFiles() const {
    std::lock_guard lock(gWorkspaceMutex);
    return revealed_;
}

void Workspace::resetForTesting() {
    std::lock_guard lock(gWorkspaceMutex);
    revealed_.clear();
    center_.removeAllObservers();
}

bool SystemSound::playFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        logf("SystemSound: no sound file at %s", path.empty() ? "(none)" : path.c_str());
        return false;
    }
    std::lock_guard lock(gWorkspaceMutex);
    gPlayed.push_back(path);
    logf("SystemSound: play %s", path.c_str());
    return true;
}

std::vector<std::string> SystemSound::playedFiles() {
    std::lock_guard lock(gWorkspaceMutex);
    return gPlayed;
}

void SystemSound::resetForTesting() {
    std::lock_guard lock(gWorkspaceMutex);
    gPlayed.clear();
}

std::optional<LaunchEvent> LaunchEvent::current() {
    {
        std::lock_guard lock(gWorkspaceMutex);
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
    std::lock_guard lock(gWorkspaceMutex);
    gLaunchEventOverridden = true;
    gLaunchEvent = std::move(event);
}

}  // namespace platform
