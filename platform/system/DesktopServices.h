#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One entry of the user's login items: its identity within the list and the path it resolves to
// (none when it cannot be resolved without asking the user or mounting a volume).
struct LoginItem {
    uint64_t identifier = 0;
    std::optional<std::string> resolvedPath;
};

// The session's list of login items, as opened by one client. Observers run on the main run loop after
// each change, and belong to the list object they were added on.
class LoginItemsList {
public:
    virtual ~LoginItemsList() = default;
    virtual std::vector<LoginItem> snapshot() = 0;
    virtual void insertLast(const std::string& path) = 0;
    virtual void remove(uint64_t identifier) = 0;
    virtual uint64_t addObserver(std::function<void()> observer) = 0;
    virtual void removeObserver(uint64_t observer) = 0;
};

// The desktop's services that the application asks to do things for the user: running scripts that
// drive other applications, opening URLs, modal alerts, the Keychain menu extra's lock action and the
// login items. The program's entry (or a test) installs the backend; until then nothing happens and
// there is no login-items list.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Runs a script of the desktop's scripting language; false when it failed.
    virtual bool executeAppleScript(const std::string& source) = 0;
    virtual bool openURL(const std::string& url) = 0;
    virtual void runModalAlert(const std::string& message, const std::string& informativeText) = 0;
    // A modal alert that asks: the buttons in the order given (the first is the default one). Answers
    // the index of the button the user chose, or none when nobody could answer (no desktop shows it).
    virtual std::optional<size_t> runModalAlertWithButtons(const std::string& message,
                                                           const std::string& informativeText,
                                                           const std::vector<std::string>& buttons) = 0;
    // Loads the menu extra at the path and calls its lock action; false when the bundle, its class or
    // the action is missing.
    virtual bool lockScreenFromMenuExtra(const std::string& bundlePath) = 0;
    // The session's login items; null when the list cannot be opened.
    virtual std::shared_ptr<LoginItemsList> openSessionLoginItems() = 0;

    static std::shared_ptr<DesktopServices> current();
    static void install(std::shared_ptr<DesktopServices> backend);
};

}  // namespace platform
