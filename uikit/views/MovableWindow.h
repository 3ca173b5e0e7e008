#pragma once

#include <memory>

#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

// A window the user can drag by its background.
class MovableWindow : public ui::Window {
public:
    static std::shared_ptr<MovableWindow> create(ui::Rect contentRect,
                                                 unsigned style = ui::kWindowStyleTitled);
    bool isMovableByWindowBackground() const override { return true; }
};

}  // namespace kestrune
