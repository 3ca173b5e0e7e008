#pragma once

#include <map>
#include <memory>
#include <string>

namespace kestrune {

class DeviceUser;

// What the records and the data manager ask about the Mac's session and its user accounts. The screen
// monitor and the user-accounts service of the engine answer these once they exist and install
// themselves here; until then a default answers from the process: the session is active, the lid is
// open, the Mac is awake, the user is the one running the application.
class MacSessionServices {
public:
    virtual ~MacSessionServices() = default;

    // A user is logged in and the session is active (not locked).
    virtual bool ifUserLoggedInAndActive() = 0;
    // The laptop's lid is closed and no external display is attached.
    virtual bool laptopLidIsDownAndNoExternalMonitor() = 0;
    // The Mac is going to sleep or asleep. A running process is awake until the power-event listener
    // says otherwise.
    virtual bool macIsSleeping() { return false; }
    // The short name of the user running the application.
    virtual std::string getCurrentLogedInUsername() = 0;
    // The Mac's user accounts by short name.
    virtual std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers() = 0;
    // The account of that short name exists and is enabled.
    virtual bool userWithUserNameIsEnabled(const std::string& username) = 0;

    // The services in use; the default ones until others are installed.
    static std::shared_ptr<MacSessionServices> current();
    // Installs the services (null restores the default).
    static void install(std::shared_ptr<MacSessionServices> services);
};

}  // namespace kestrune
