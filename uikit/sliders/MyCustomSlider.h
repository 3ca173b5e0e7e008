#pragma once

#include "platform/ui/Slider.h"

namespace kestrune {

namespace ui = platform::ui;

// The distance slider's bar: a thin rounded grey bar, filled in the product green up to the value.
class MyCustomSlider : public ui::SliderCell {
public:
    void drawBarInside_flipped(ui::Rect rect, bool flipped) override;
};

}  // namespace kestrune
