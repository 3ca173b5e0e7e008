#include "uikit/views/MovableWindow.h"

namespace kestrune {

std::shared_ptr<MovableWindow> MovableWindow::create(ui::Rect contentRect, unsigned style) {
    auto window = std::make_shared<MovableWindow>();
    window->initWithContentRect_styleMask_backing_defer(contentRect, style, 2, false);
    return window;
}

}  // namespace kestrune
