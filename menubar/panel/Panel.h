#pragma once

#include <memory>

#include "platform/ui/Window.h"

namespace kestrune {

namespace ui = platform::ui;

// The borderless window that hangs under the status item. Borderless windows refuse key focus; this one
// takes it, so that it hears keys and learns when it loses focus. Escape asks to cancel.
class Panel : public ui::Panel {
public:
    bool canBecomeKeyWindow() const override { return true; }
    void keyDown(const ui::Event& e) override;
};

}  // namespace kestrune
