#pragma once

#include <string>

namespace kestrune {

// What one system-preference wizard is about: its texts and picture, the pane it opens and the check
// that says the setting is right. The texts are localised once, when the view model is made. The base
// opens nothing and is never satisfied.
class SystemPreferencesUpdateViewModel {
public:
    virtual ~SystemPreferencesUpdateViewModel() = default;

    // Re-reads the system's values before a check; nothing here.
    virtual void updatePreferanceValues() {}
    virtual void openAppropriateWindow() {}
    virtual void closeAppropriateWindow() {}
    virtual bool allConditionsSet() { return false; }

    // Start on the introduction page.
    bool showInfoScreen = false;
    // Check again whenever the application comes to the front.
    bool shouldVerifyAfterForeground = false;
    std::string updateText;
    std::string textAction1;
    std::string actionButtonText;
    std::string successText;
    std::string imageName;
    // Kept with the others; no page shows it.
    std::string upadteImageName;
    // The setting in words, for the log (never shown, not localised).
    std::string settingName = "the system setting";
};

}  // namespace kestrune
