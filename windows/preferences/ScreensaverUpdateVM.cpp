#include "windows/preferences/ScreensaverUpdateVM.h"

#include "app/support/Localizable.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "engine/session/SystemPreferences.h"

namespace kestrune {

ScreensaverUpdateVM::ScreensaverUpdateVM() {
    updateText = localizable("update_security_preferances_to_use_screensaver_description");
    successText = localizable("security_preferances_have_been_updated");
    imageName = "security_general";
    textAction1 = localizable("check_require_password");
    // Values that cannot be read cannot be verified either: the button only confirms.
    actionButtonText = localizable(
        ScreensaverPreconditions::shared().screensaverPreconditionsUnknown() ? "ok" : "verify_action");
    settingName = "the screensaver's password setting";
}

void ScreensaverUpdateVM::updatePreferanceValues() {
    SystemPreferences::forceUpdateCachedValues();
}

void ScreensaverUpdateVM::openAppropriateWindow() {
    SystemPreferences::launchSecurityPreferences();
}

void ScreensaverUpdateVM::closeAppropriateWindow() {
    SystemPreferences::quitSystemPreferences();
}

bool ScreensaverUpdateVM::allConditionsSet() {
    return SystemPreferences::preconditionsToLockMacOnScreensaverAreSet();
}

}  // namespace kestrune
