#include "platform/ui/WindowController.h"

#include "platform/base/Log.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Window.h"

namespace platform::ui {

void WindowController::initWithWindow(const std::shared_ptr<Window>& window) {
    setWindow(window);
}

std::shared_ptr<Window> WindowController::window() {
    if (!window_ && !nibName_.empty() && !loading_) {
        loading_ = true;
        windowWillLoad();
        loadWindow();
        loading_ = false;
        if (window_) windowDidLoad();
    }
    return window_;
}

void WindowController::setWindow(const std::shared_ptr<Window>& window) {
    if (window_ && window_->windowController().get() == this) window_->setWindowController({});
    window_ = window;
    if (window_) window_->setWindowController(sharedAs<WindowController>());
}

void WindowController::loadWindow() {
    // The layout connects the window outlet through setWindow; a layout without one leaves none.
    for (const auto& object : Nib::load(nibName_, sharedAs<UIObject>())) {
        if (window_) break;
        if (auto w = std::dynamic_pointer_cast<Window>(object)) setWindow(w);
    }
    if (!window_) platform::logf("WindowController: layout %s has no window", nibName_.c_str());
}

void WindowController::showWindow(Responder*) {
    if (auto w = window()) w->makeKeyAndOrderFront(nullptr);
}

void WindowController::close() {
    if (window_) window_->close();
}

}  // namespace platform::ui
