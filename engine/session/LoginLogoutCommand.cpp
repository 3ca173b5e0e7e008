#include "engine/session/LoginLogoutCommand.h"

namespace kestrune {

std::shared_ptr<LoginLogoutCommand> LoginLogoutCommand::initLoginCommandWithDevice(
    std::shared_ptr<MobileDevice> device) {
    auto command = std::make_shared<LoginLogoutCommand>();
    command->command_ = kCommandLogin;
    command->mobileDeviceResponsible_ = std::move(device);
    return command;
}

std::shared_ptr<LoginLogoutCommand> LoginLogoutCommand::initLogoutCommandWithDevice_withLogoutAction(
    std::shared_ptr<MobileDevice> device, int action) {
    auto command = std::make_shared<LoginLogoutCommand>();
    command->command_ = kCommandLogout;
    command->actionOnLogout_ = action;
    command->mobileDeviceResponsible_ = std::move(device);
    return command;
}

}  // namespace kestrune
