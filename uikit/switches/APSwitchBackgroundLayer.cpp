#include "uikit/switches/APSwitchBackgroundLayer.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Screen.h"

namespace kestrune {

std::shared_ptr<APSwitchBackgroundLayer> APSwitchBackgroundLayer::layer() {
    return std::make_shared<APSwitchBackgroundLayer>();
}

APSwitchBackgroundLayer::APSwitchBackgroundLayer() {
    setNeedsDisplayOnBoundsChange(true);
    const ui::Color clear = ui::Color::colorWithDeviceWhite_alpha(0, 0);
    gradient_.stops = {{0.0, clear}, {1.0, clear}};
    setContentsScale(ui::Screen::mainScreen()->backingScaleFactor());
}

void APSwitchBackgroundLayer::setEnabled(bool enabled) {
    enabled_ = enabled;
    didChangeValueForKey("enabled");
    setNeedsDisplay();
}

void APSwitchBackgroundLayer::setOnTintColor(const ui::Color& color) {
    onTintColor_ = color;
    didChangeValueForKey("onTintColor");
    setNeedsDisplay();
}

void APSwitchBackgroundLayer::drawInContext(ui::GraphicsContext& context) {
    const ui::Rect b = bounds();
    context.setFillColor(ui::Color::colorWithCalibratedWhite_alpha(1, 0.35));
    context.fillRect(b);
    context.setFillColor(onTintColor_);
    context.fillRect({0, 0, b.width() / 2, b.height()});
    if (!enabled_) {
        context.setFillColor(ui::Color::colorWithCalibratedWhite_alpha(1, 0.75));
        context.fillRect(b);
    }
    context.drawLinearGradient(gradient_, ui::BezierPath::bezierPathWithRect(b), 90);
    // The inner shadow: a stroke just outside the visible track, of which only the shadow falls inside.
    context.saveGState();
    context.setCompositingOperation(ui::CompositingOperation::PlusDarker);
    ui::Shadow shadow;
    shadow.shadowColor = ui::Color::colorWithCalibratedWhite_alpha(0, enabled_ ? 0.3 : 0.1);
    shadow.shadowBlurRadius = 3;
    shadow.shadowOffset = {0, -3};
    context.setShadow(shadow);
    context.setStrokeColor(ui::Color::redColor());
    context.strokePath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b.insetBy(-1, -1), 2, 2));
    context.restoreGState();
}

}  // namespace kestrune
