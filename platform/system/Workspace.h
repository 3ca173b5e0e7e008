#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"

namespace platform {

// The desktop's workspace: its own notification centre (power-off and the like, posted by the session)
// and revealing files to the user, which the installed WorkspaceBackend does.
class Workspace {
public:
    static constexpr const char* kWillPowerOffNotification = "NSWorkspaceWillPowerOffNotification";

    static Workspace& shared();

    NotificationCenter& notificationCenter() { return center_; }
    void activateFileViewerSelectingFiles(const std::vector<std::string>& paths);
    void openFile_withApplication(const std::string& path, const std::string& application);
    // Removes every observer of the workspace's centre.
    void resetForTesting();

private:
    Workspace() = default;
    NotificationCenter center_;
};

// System sounds from files, played by the installed WorkspaceBackend.
class SystemSound {
public:
    // Answers false when the file does not exist.
    static bool playFile(const std::string& path);
};

// The event that launched the application. A launch at login carries property data "lgit"; the
// simulated login-item launcher says so through KESTRUNE_LAUNCH_EVENT ("oapp" or "oapp:lgit").
struct LaunchEvent {
    std::string eventID;
    std::string propertyData;  // empty when the event has none

    static std::optional<LaunchEvent> current();
    static void setCurrentForTesting(std::optional<LaunchEvent> event);
};

}  // namespace platform
