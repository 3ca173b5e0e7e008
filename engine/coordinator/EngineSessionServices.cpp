#include "engine/coordinator/EngineSessionServices.h"

#include "app/records/DeviceUser.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/UserControl.h"

namespace kestrune {

void EngineSessionServices::install() {
    MacSessionServices::install(std::make_shared<EngineSessionServices>());
}

bool EngineSessionServices::ifUserLoggedInAndActive() {
    return MacDisplayControl::shared().ifUserLoggedInAndActive();
}

bool EngineSessionServices::laptopLidIsDownAndNoExternalMonitor() {
    return MacDisplayControl::shared().laptopLidIsDownAndNoExternalMonitor();
}

std::string EngineSessionServices::getCurrentLogedInUsername() {
    return UserControl::getCurrentLogedInUsername();
}

std::map<std::string, std::shared_ptr<DeviceUser>> EngineSessionServices::getAllMacUsers() {
    return UserControl::getAllMacUsers();
}

bool EngineSessionServices::macIsSleeping() {
    return MacDisplayControl::shared().macIsSleeping();
}

bool EngineSessionServices::userWithUserNameIsEnabled(const std::string& username) {
    return UserControl::userWithUserNameIsEnabled(username);
}

}  // namespace kestrune
