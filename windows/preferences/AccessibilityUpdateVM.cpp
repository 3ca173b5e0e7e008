#include "windows/preferences/AccessibilityUpdateVM.h"

#include "app/support/Localizable.h"
#include "engine/session/AccessibilityManager.h"
#include "engine/session/SystemPreferences.h"

namespace kestrune {

AccessibilityUpdateVM::AccessibilityUpdateVM() {
    updateText = localizable("add_accessibility_to_unlock_mac_description");
    successText = localizable("security_preferances_have_been_updated");
    imageName = "security_privacy";
    textAction1 = localizable("unlock_settings_and_select_accessibility");
    actionButtonText = localizable("verify_action");
    shouldVerifyAfterForeground = true;
    settingName = "the Accessibility permission";
}

void AccessibilityUpdateVM::openAppropriateWindow() {
    AccessibilityManager::openAccessibilityWindow();
}

void AccessibilityUpdateVM::closeAppropriateWindow() {
    SystemPreferences::quitSystemPreferences();
}

bool AccessibilityUpdateVM::allConditionsSet() {
    return AccessibilityManager::allAccessibilityConditionsSatisfied();
}

}  // namespace kestrune
