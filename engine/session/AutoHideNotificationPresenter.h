#pragma once

#include <memory>
#include <string>

namespace kestrune {

// Shows a user notification that removes itself after a few seconds. The notifications feature sits
// above the engine and installs itself here; until it does, the text only reaches the log.
class AutoHideNotificationPresenter {
public:
    virtual ~AutoHideNotificationPresenter() = default;
    // The text is already localised.
    virtual void showAutoHideNotificationWithText_identifier(const std::string& text,
                                                             const std::string& identifier) = 0;

    static void install(std::shared_ptr<AutoHideNotificationPresenter> presenter);
    // Shows it through the installed presenter, else logs it.
    static void show(const std::string& text, const std::string& identifier);
};

}  // namespace kestrune
