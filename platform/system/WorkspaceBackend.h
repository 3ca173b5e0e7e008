#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// What does the workspace's work on a desktop: the file browser that reveals files and the player of
// system sounds; on this system a plain recorder (WorkspaceRecorder). The program's entry (or a test)
// installs it; until then requests are logged and go nowhere. Calls may come from any thread.
class WorkspaceBackend {
public:
    virtual ~WorkspaceBackend() = default;

    // The backend in use: the one installed, else one for a desktop without a file browser or sound.
    static std::shared_ptr<WorkspaceBackend> current();
    // Installs the backend (null: none).
    static void install(std::shared_ptr<WorkspaceBackend> backend);

    // Shows the files to the user, selected, in the file browser.
    virtual void revealFiles(const std::vector<std::string>& paths) = 0;
    // Plays the sound file, which exists.
    virtual void playSound(const std::string& path) = 0;
    // Opens the file in the named application; a desktop without it only logs the request.
    virtual void openFile_withApplication(const std::string& path, const std::string& application);
};

}  // namespace platform
