#include "uikit/sliders/MyCustomSlider.h"

#include "platform/ui/GraphicsContext.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

namespace {
constexpr double kBarHeight = 3;
constexpr double kBarRadius = 1.5;
// The green stops this much short of the control's width at the maximum.
constexpr double kFillInset = 8;
}  // namespace

void MyCustomSlider::drawBarInside_flipped(ui::Rect rect, bool) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    context->setFillColor(ui::Color::lightGrayColor());
    context->fillPath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(
        {rect.minX(), rect.minY(), rect.width(), kBarHeight}, kBarRadius, kBarRadius));
    auto* slider = controlView();
    // Without a range there is no place for the value, and no green.
    if (!slider || slider->maxValue() == slider->minValue()) return;
    const double fraction =
        (slider->doubleValue() - slider->minValue()) / (slider->maxValue() - slider->minValue());
    const double width = fraction * (slider->frame().width() - kFillInset);
    context->setFillColor(kestruneGreen());
    context->fillPath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(
        {rect.minX(), rect.minY(), width, kBarHeight}, kBarRadius, kBarRadius));
}

}  // namespace kestrune
