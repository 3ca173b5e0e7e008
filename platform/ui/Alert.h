#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform::ui {

class Button;
class Image;
class TextField;
class Window;

// The desktop's alert as a window of its own: the application's icon at the top left, the message in
// bold beside it with the informative text below, and the buttons along the bottom edge, laid from the
// right in the order given. The first is the default button, which Return presses; an alert without
// buttons gets an "OK" one, as the desktop gives it.
class Alert {
public:
    static constexpr double kWidth = 420;

    std::string messageText;
    std::string informativeText;
    std::vector<std::string> buttonTitles;
    std::shared_ptr<Image> icon;  // none: the texts start at the left margin

    // A new window laid out for the texts: kWidth points wide (wider where the buttons need more room on
    // their one row), as tall as the texts need. Its content view holds the icon, the two texts and the
    // buttons (see the accessors below).
    std::shared_ptr<Window> makeWindow() const;

    // The parts of a window made by makeWindow, for those who look at or press them: the buttons in the
    // order of their titles, and the two texts.
    static std::vector<std::shared_ptr<Button>> buttonsOf(const Window& window);
    static std::shared_ptr<TextField> messageFieldOf(const Window& window);
    static std::shared_ptr<TextField> informativeFieldOf(const Window& window);
};

}  // namespace platform::ui
