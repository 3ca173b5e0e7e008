#pragma once

#include <memory>
#include <string>

#include "platform/ui/Responder.h"

namespace platform::ui {

class Window;

// Owns a window (given, or loaded from a layout on first use) and follows it in the responder chain.
class WindowController : public Responder {
public:
    template <typename T = WindowController>
    static std::shared_ptr<T> createWithWindow(const std::shared_ptr<Window>& window) {
        auto controller = std::make_shared<T>();
        controller->initWithWindow(window);
        return controller;
    }
    template <typename T = WindowController>
    static std::shared_ptr<T> createWithWindowNibName(const std::string& name) {
        auto controller = std::make_shared<T>();
        controller->initWithWindowNibName(name);
        return controller;
    }

    virtual void initWithWindow(const std::shared_ptr<Window>& window);
    virtual void initWithWindowNibName(const std::string& name) { nibName_ = name; }
    const std::string& windowNibName() const { return nibName_; }

    // Loads the window on first use (windowWillLoad, loadWindow, windowDidLoad).
    std::shared_ptr<Window> window();
    void setWindow(const std::shared_ptr<Window>& window);
    bool isWindowLoaded() const { return window_ != nullptr; }
    virtual void windowWillLoad() {}
    virtual void loadWindow();
    virtual void windowDidLoad() {}

    virtual void showWindow(Responder* sender = nullptr);
    virtual void close();

private:
    std::string nibName_;
    std::shared_ptr<Window> window_;
    bool loading_ = false;
};

}  // namespace platform::ui
