#pragma once

#include "app/records/MacSessionServices.h"

namespace kestrune {

// The records' and the data manager's questions about the session, answered by the screen monitor and
// the accounts service. The program's entry (or a test) installs it once the platform's session
// services are in place.
class EngineSessionServices : public MacSessionServices {
public:
    static void install();

    bool ifUserLoggedInAndActive() override;
    bool laptopLidIsDownAndNoExternalMonitor() override;
    std::string getCurrentLogedInUsername() override;
    std::map<std::string, std::shared_ptr<DeviceUser>> getAllMacUsers() override;
    bool userWithUserNameIsEnabled(const std::string& username) override;
    bool macIsSleeping() override;
};

}  // namespace kestrune
