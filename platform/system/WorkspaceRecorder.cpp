#include "platform/system/WorkspaceRecorder.h"

#include "platform/base/Log.h"

namespace platform {

void WorkspaceRecorder::revealFiles(const std::vector<std::string>& paths) {
    std::lock_guard lock(mutex_);
    for (const auto& path : paths) {
        logf("Workspace: reveal %s", path.c_str());
        revealed_.push_back(path);
    }
}

void WorkspaceRecorder::playSound(const std::string& path) {
    logf("SystemSound: play %s", path.c_str());
    std::lock_guard lock(mutex_);
    played_.push_back(path);
}

void WorkspaceRecorder::openFile_withApplication(const std::string& path, const std::string& application) {
    logf("Workspace: open %s in %s", path.c_str(), application.c_str());
    std::lock_guard lock(mutex_);
    opened_.push_back(application + ": " + path);
}

std::vector<std::string> WorkspaceRecorder::openedFiles() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

std::vector<std::string> WorkspaceRecorder::revealedFiles() const {
    std::lock_guard lock(mutex_);
    return revealed_;
}

std::vector<std::string> WorkspaceRecorder::playedSounds() const {
    std::lock_guard lock(mutex_);
    return played_;
}

}  // namespace platform
