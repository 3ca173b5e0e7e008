#pragma once

#include <memory>

#include "platform/ui/SplitView.h"

namespace kestrune {

namespace ui = platform::ui;

// A split view through which the window can be dragged.
class MovableSplitView : public ui::SplitView {
public:
    static std::shared_ptr<MovableSplitView> create(ui::Rect frame = {}) {
        return ui::make<MovableSplitView>(frame);
    }
    bool mouseDownCanMoveWindow() const override { return true; }
};

}  // namespace kestrune
