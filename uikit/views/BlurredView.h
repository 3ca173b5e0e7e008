#pragma once

#include <memory>

#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// A plain view that draws nothing of its own.
class BlurredView : public ui::View {
public:
    static std::shared_ptr<BlurredView> create(ui::Rect frame = {}) { return ui::make<BlurredView>(frame); }
    void drawRect(ui::Rect) override {}
};

}  // namespace kestrune
