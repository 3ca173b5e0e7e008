#pragma once

#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

class BlurredWindowManager {
public:
    // Makes the window see-through and asks the window server to blur what lies behind it (radius 25).
    // Nothing here blurs: the window keeps the radius it asked for.
    static void enableBlurForWindow(ui::Window& window);
};

}  // namespace kestrune
