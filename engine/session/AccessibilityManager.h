#pragma once

namespace kestrune {

// The accessibility permission, which typing the password into the lock screen needs from 10.14 on.
class AccessibilityManager {
public:
    static constexpr const char* kAccessibilityPaneURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

    static bool allAccessibilityConditionsSatisfied();
    static bool hasBeenAddedToAccessibility();
    static bool needsAccessibilityToUnlockMac();
    // The system asks the user; the answer is not used.
    static void askUserForAccesibility();
    static void openAccessibilityWindow();
};

}  // namespace kestrune
