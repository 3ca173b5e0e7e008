#pragma once

#include "platform/ui/Slider.h"

namespace kestrune {

namespace ui = platform::ui;

// A slider drawn as a 2-point white line with the usual knob and no focus ring; it remembers where it
// drew the knob.
class CustomSliderCell : public ui::SliderCell {
public:
    void drawBarInside_flipped(ui::Rect rect, bool flipped) override;
    void drawKnob(ui::Rect knobRect) override;
    void drawFocusRingMaskWithFrame_inView(ui::Rect, ui::View*) override {}

    ui::Rect knobRect() const { return knobRect_; }

private:
    ui::Rect knobRect_;
};

}  // namespace kestrune
