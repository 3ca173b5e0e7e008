#include "engine/session/StartOnLoginController.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/shell/ThreadHelpers.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/Bundle.h"
#include "platform/system/DesktopServices.h"
#include "platform/system/SecurityServices.h"

namespace kestrune {

namespace {
platform::SharedInstance<StartOnLoginController> gStartOnLoginController;
}  // namespace

StartOnLoginController& StartOnLoginController::shared() {
    return gStartOnLoginController.get([] { return StartOnLoginController::make(); });
}

void StartOnLoginController::resetSharedForTesting() {
    gStartOnLoginController.resetForTesting();
}

std::string StartOnLoginController::helperBundleIdentifier() {
    std::string identifier = platform::Bundle::main().bundleIdentifier();
    auto dot = identifier.rfind('.');
    std::string prefix = dot == std::string::npos ? identifier : identifier.substr(0, dot);
    return prefix + ".LaunchAtLoginHelperApp";
}

void StartOnLoginController::setStartOnLogin(bool startOnLogin) {
    if (!platform::SecurityServices::current()->setLoginHelperEnabled(helperBundleIdentifier(),
                                                                      startOnLogin)) {
        runOnMainQueueAsync([] {
            platform::DesktopServices::current()->runModalAlert(
                "An error ocurred", "Couldn't add Kestrune to launch at login item list.");
        });
    }
    DeviceLocalSettings::shared().setStartKestruneOnApplicationStart(startOnLogin);
}

bool StartOnLoginController::startOnLogin() const {
    return DeviceLocalSettings::shared().startKestruneOnApplicationStart();
}

}  // namespace kestrune
