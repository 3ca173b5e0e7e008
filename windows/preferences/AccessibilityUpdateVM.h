#pragma once

#include "windows/preferences/SystemPreferencesUpdateViewModel.h"

namespace kestrune {

// Typing the password on unlock: the application must be allowed under Accessibility (where the
// system needs it).
class AccessibilityUpdateVM : public SystemPreferencesUpdateViewModel {
public:
    AccessibilityUpdateVM();
    // The Accessibility list of the Privacy pane.
    void openAppropriateWindow() override;
    // Quits System Preferences.
    void closeAppropriateWindow() override;
    bool allConditionsSet() override;
};

}  // namespace kestrune
