#pragma once

#include <memory>

#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

// Keeps the window's size and puts its centre on the centre of the screen's whole frame (menu bar and
// dock included), then redisplays it. Without a screen the centre is (0, 0).
void updateFrameToCenterOfScreen(ui::Window& window, const std::shared_ptr<ui::Screen>& screen);
// Centres the window on the screen, brings the application forward and makes the window key and front.
void showWindowInCenter(ui::Window& window, const std::shared_ptr<ui::Screen>& screen);

}  // namespace kestrune
