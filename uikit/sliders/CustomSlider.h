#pragma once

#include <memory>

#include "platform/ui/Slider.h"

namespace kestrune {

namespace ui = platform::ui;

// A slider that always redraws its whole bounds, so that a custom bar is never left half redrawn.
class CustomSlider : public ui::Slider {
public:
    static std::shared_ptr<CustomSlider> create(ui::Rect frame = {}) { return ui::make<CustomSlider>(frame); }
    void setNeedsDisplayInRect(ui::Rect rect) override;
};

}  // namespace kestrune
