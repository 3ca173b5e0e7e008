#include "uikit/sliders/CustomSliderCell.h"

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

void CustomSliderCell::drawBarInside_flipped(ui::Rect rect, bool) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    context->saveGState();
    context->setCompositingOperation(ui::CompositingOperation::SourceOver);
    context->setFillColor(ui::Color::colorWithCalibratedWhite_alpha(1, 1));
    context->fillRect({rect.minX(), rect.midY() - 1, rect.width(), 2});
    context->restoreGState();
}

void CustomSliderCell::drawKnob(ui::Rect knobRect) {
    SliderCell::drawKnob(knobRect);
    knobRect_ = knobRect;
}

}  // namespace kestrune
