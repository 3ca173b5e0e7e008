#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/shell/ShellServices.h"

namespace kestrune {

// Decides the interface language: at launch the one used last (or the best match of the user's
// preferred languages), later the one the phone application reports. Screens reload their texts on
// "update_language".
class LanguageControllerMac : public LanguageSetupService {
public:
    static constexpr const char* kUpdateLanguageNotification = "update_language";

    static LanguageControllerMac& shared();

    // The stored language when it is supported (an unsupported one leaves the bundle's own table); with
    // none stored, the best match of the preferred languages, stored. Posts nothing.
    void setupInitialLanguageIfNeeded() override;
    // Switches to the code when it is given, differs from the stored one, is supported and differs from
    // the table in use: then posts "update_language" (this controller as sender), stores it and calls the
    // closure.
    void updateLanguageIfNeeded_didUpdateCallback(const std::optional<std::string>& code,
                                                  const std::function<void()>& didUpdateCallback);

private:
    LanguageControllerMac() = default;
};

}  // namespace kestrune
