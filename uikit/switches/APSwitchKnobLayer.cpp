#include "uikit/switches/APSwitchKnobLayer.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Screen.h"

namespace kestrune {

std::shared_ptr<APSwitchKnobLayer> APSwitchKnobLayer::layer() {
    return std::make_shared<APSwitchKnobLayer>();
}

APSwitchKnobLayer::APSwitchKnobLayer() {
    setNeedsDisplayOnBoundsChange(true);
    setEnabled(true);
    setContentsScale(ui::Screen::mainScreen()->backingScaleFactor());
}

void APSwitchKnobLayer::setEnabled(bool enabled) {
    enabled_ = enabled;
    didChangeValueForKey("enabled");
    // White either way: the knob looks the same enabled or not.
    const ui::Color white = ui::Color::colorWithCalibratedWhite_alpha(1, 1);
    gradient_.stops = {{0.0, white}, {1.0, white}};
    setNeedsDisplay();
}

void APSwitchKnobLayer::setPressed(bool pressed) {
    pressed_ = pressed;
    didChangeValueForKey("pressed");
    setNeedsDisplay();
}

void APSwitchKnobLayer::drawInContext(ui::GraphicsContext& context) {
    const double r = cornerRadius();
    context.drawLinearGradient(gradient_,
                               ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(bounds(), r, r),
                               pressed_ ? 270 : 90);
}

}  // namespace kestrune
