#include "uikit/views/WindowHelper.h"

#include "platform/ui/Application.h"
#include "uikit/views/GeometryFunctions.h"

namespace kestrune {

void updateFrameToCenterOfScreen(ui::Window& window, const std::shared_ptr<ui::Screen>& screen) {
    const ui::Point centre = screen ? rectCenter(screen->frame()) : ui::Point{0, 0};
    window.setFrame_display(rectCenteredAtPoint(window.frame(), centre), true);
}

void showWindowInCenter(ui::Window& window, const std::shared_ptr<ui::Screen>& screen) {
    updateFrameToCenterOfScreen(window, screen);
    ui::Application::shared().activateIgnoringOtherApps(true);
    window.makeKeyAndOrderFront(nullptr);
}

}  // namespace kestrune
