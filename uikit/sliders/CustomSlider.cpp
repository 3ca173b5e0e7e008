#include "uikit/sliders/CustomSlider.h"

namespace kestrune {

void CustomSlider::setNeedsDisplayInRect(ui::Rect) {
    Slider::setNeedsDisplayInRect(bounds());
}

}  // namespace kestrune
