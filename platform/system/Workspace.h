#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"

namespace platform {

// The desktop's workspace: its own notification centre (power-off and the like, posted by the
// simulated session) and revealing files to the user. There is no file browser here; what was asked to
// be revealed is recorded and logged.
class Workspace {
public:
    static constexpr const char* kWillPowerOffNotification = "NSWorkspaceWillPowerOffNotification";

    static Workspace& shared();

    NotificationCenter& notificationCenter() { return center_; }
    void activateFileViewerSelectingFiles(const std::vector<std::string>& paths);
    std::vector<std::string> revealedFiles() const;
    void resetForTesting();

private:
    Workspace() = default;
    NotificationCenter center_;
    std::vector<std::string> revealed_;
};

// System sounds from files. No audio device is used here: a played sound is recorded and logged.
class SystemSound {
public:
    // Answers false when the file does not exist.
    static bool playFile(const std::string& path);
    static std::vector<std::string> playedFiles();
    static void resetForTesting();
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
