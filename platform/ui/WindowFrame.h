#pragma once

#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Window.h"

namespace platform::ui {

class GraphicsContext;

// The part of a window's frame that lies over its content. A titled window whose content view fills the
// whole frame (full-size content) keeps its title bar above the content: the close, minimise and zoom
// buttons at the top left, and, unless the bar is transparent, the bar's own ground. Pictures of a window
// draw it after the content view, in the content view's space.
struct TitlebarButton {
    Window::StandardButton kind;
    Rect frame;    // in the content view's space
    bool enabled;  // the window's style allows what the button does
};

// The buttons the title bar shows over the content, left to right; none when the title bar is not over
// the content (borderless windows, or content below the bar) or every button is hidden.
std::vector<TitlebarButton> titlebarButtonsOverContent(const Window& window);
// The colour a button is filled with: red, yellow and green, grey when its window cannot do what it does.
Color titlebarButtonColor(const TitlebarButton& button);
// Draws the title bar's part over the content (its ground when not transparent, then the buttons).
void drawWindowFrameOverContent(const Window& window, GraphicsContext& context);

}  // namespace platform::ui
