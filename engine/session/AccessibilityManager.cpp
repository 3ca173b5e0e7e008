#include "engine/session/AccessibilityManager.h"

#include "link/transport/DeviceSpecificConfig.h"
#include "platform/system/DesktopServices.h"
#include "platform/system/SecurityServices.h"

namespace kestrune {

bool AccessibilityManager::allAccessibilityConditionsSatisfied() {
    if (!needsAccessibilityToUnlockMac()) return true;
    return hasBeenAddedToAccessibility();
}

bool AccessibilityManager::hasBeenAddedToAccessibility() {
    return platform::SecurityServices::current()->isProcessTrusted(false);
}

bool AccessibilityManager::needsAccessibilityToUnlockMac() {
    return DeviceSpecificConfig::needsAccessibilityToUnlockMac();
}

void AccessibilityManager::askUserForAccesibility() {
    platform::SecurityServices::current()->isProcessTrusted(true);
}

void AccessibilityManager::openAccessibilityWindow() {
    platform::DesktopServices::current()->openURL(kAccessibilityPaneURL);
}

}  // namespace kestrune
