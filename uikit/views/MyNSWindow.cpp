#include "uikit/views/MyNSWindow.h"

#include "platform/ui/Screen.h"
#include "uikit/views/WindowHelper.h"

namespace kestrune {

std::shared_ptr<MyNSWindow> MyNSWindow::create(ui::Rect contentRect, unsigned style) {
    auto window = std::make_shared<MyNSWindow>();
    window->initWithContentRect_styleMask_backing_defer(contentRect, style, 2, false);
    return window;
}

void MyNSWindow::initWithContentRect_styleMask_backing_defer(ui::Rect contentRect, unsigned, int backing,
                                                             bool defer) {
    MovableWindow::initWithContentRect_styleMask_backing_defer(contentRect, ui::kWindowStyleBorderless,
                                                               backing, defer);
}

void MyNSWindow::showWindowInCenter() {
    kestrune::showWindowInCenter(*this, ui::Screen::mainScreen());
}

}  // namespace kestrune
