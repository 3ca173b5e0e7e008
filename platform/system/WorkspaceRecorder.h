#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/system/WorkspaceBackend.h"

namespace platform {

// The workspace where there is no file browser and no audio device: what was asked to be revealed or
// played is logged and kept. The program's entry installs it on this system; tests read what was asked.
class WorkspaceRecorder final : public WorkspaceBackend {
public:
    void revealFiles(const std::vector<std::string>& paths) override;
    void playSound(const std::string& path) override;
    void openFile_withApplication(const std::string& path, const std::string& application) override;

    std::vector<std::string> revealedFiles() const;
    std::vector<std::string> playedSounds() const;
    // "<application>: <path>" of each file asked to be opened.
    std::vector<std::string> openedFiles() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> revealed_;
    std::vector<std::string> played_;
    std::vector<std::string> opened_;
};

}  // namespace platform
