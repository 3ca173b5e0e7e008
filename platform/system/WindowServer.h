#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Object.h"
#include "platform/base/Value.h"

namespace platform {

// Workspace notifications about the screens and spaces, posted on the workspace's centre, and the
// application's notification about the screen set-up, posted on the default centre.
inline constexpr const char* kWorkspaceScreensDidSleepNotification = "NSWorkspaceScreensDidSleepNotification";
inline constexpr const char* kWorkspaceScreensDidWakeNotification = "NSWorkspaceScreensDidWakeNotification";
inline constexpr const char* kWorkspaceActiveSpaceDidChangeNotification =
    "NSWorkspaceActiveSpaceDidChangeNotification";
inline constexpr const char* kWorkspaceDidActivateApplicationNotification =
    "NSWorkspaceDidActivateApplicationNotification";
inline constexpr const char* kApplicationDidChangeScreenParametersNotification =
    "NSApplicationDidChangeScreenParametersNotification";

// Screen coordinates: origin at the bottom left of the primary screen, y upwards.
struct DisplayPoint {
    double x = 0;
    double y = 0;
};

struct DisplayRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct ScreenDescription {
    uint32_t displayNumber = 0;
    DisplayRect frame;
};

struct WindowDescription {
    std::string ownerName;
    int64_t ownerProcessID = 0;
    std::string windowName;
    DisplayRect bounds;
};

// The user key of the did-activate-application notification: the RunningApplication that came to the front.
inline constexpr const char* kWorkspaceApplicationKey = "NSWorkspaceApplicationKey";

// A running application as the workspace describes it.
class RunningApplication : public Object {
public:
    RunningApplication(std::string localizedName, std::string bundleIdentifier)
        : localizedName_(std::move(localizedName)), bundleIdentifier_(std::move(bundleIdentifier)) {}
    std::string className() const override { return "RunningApplication"; }
    const std::string& localizedName() const { return localizedName_; }
    // Empty for an application without one.
    const std::string& bundleIdentifier() const { return bundleIdentifier_; }

private:
    std::string localizedName_;
    std::string bundleIdentifier_;
};

// The window server: the login session's dictionary, the screens and the mouse, display
// reconfiguration, the display wrangler's idle request and the list of windows on screen. The program's
// entry (or a test) installs the backend; until then there is no session, no screen and no window.
class WindowServer {
public:
    using ReconfigurationCallback = std::function<void(uint32_t display, uint32_t flags)>;

    virtual ~WindowServer() = default;

    // The current login session's dictionary; none when the window server has none for us.
    virtual std::optional<Value::Dictionary> copyCurrentSessionDictionary() = 0;
    // The screens in the system's order (the first holds the menu bar) and the screen with keyboard
    // focus.
    virtual std::vector<ScreenDescription> screens() = 0;
    virtual std::optional<ScreenDescription> mainScreen() = 0;
    virtual bool displayIsBuiltin(uint32_t displayNumber) = 0;
    virtual DisplayPoint mouseLocation() = 0;

    // Registers a callback that runs on the calling thread's run loop, several times for each change of
    // the displays. Answers 0 when it could not be registered. A thread must remove its callbacks before
    // it ends.
    virtual uint64_t addDisplayReconfigurationCallback(ReconfigurationCallback callback) = 0;
    virtual void removeDisplayReconfigurationCallback(uint64_t registration) = 0;

    // The display wrangler's idle request: true puts the displays to sleep, false wakes them. Answers
    // false when the registry entry is missing.
    virtual bool setDisplayIdleRequest(bool idle) = 0;

    virtual std::vector<WindowDescription> onScreenWindows() = 0;

    // The application that has the keyboard now; none when the window server cannot say.
    virtual std::shared_ptr<RunningApplication> frontmostApplication() { return nullptr; }
    // This process's application became active (it is now the frontmost one) or resigned (the
    // application in front before it gets the front back). A window server that keeps the front
    // announces each change on the workspace's centre; main thread.
    virtual void applicationDidComeToFront(std::shared_ptr<RunningApplication>) {}
    virtual void applicationDidLeaveFront(std::shared_ptr<RunningApplication>) {}

    static std::shared_ptr<WindowServer> current();
    static void install(std::shared_ptr<WindowServer> backend);
};

}  // namespace platform
