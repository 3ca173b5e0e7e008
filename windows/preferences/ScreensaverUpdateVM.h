#pragma once

#include "windows/preferences/SystemPreferencesUpdateViewModel.h"

namespace kestrune {

// Locking by screensaver: the screensaver must ask for the password at once.
class ScreensaverUpdateVM : public SystemPreferencesUpdateViewModel {
public:
    ScreensaverUpdateVM();
    void updatePreferanceValues() override;
    // The General tab of the Security pane.
    void openAppropriateWindow() override;
    // Quits System Preferences.
    void closeAppropriateWindow() override;
    bool allConditionsSet() override;
};

}  // namespace kestrune
