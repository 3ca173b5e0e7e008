#include "uikit/views/ColorGradientView.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace kestrune {

void ColorGradientView::initWithFrame(ui::Rect frame) {
    View::initWithFrame(frame);
    startingColor_ = ui::Color::colorWithPatternImage(ui::Image::imageNamed("wizzard_iphone5"));
    endingColor_ = ui::Color::clearColor();
    angle_ = 270;
}

void ColorGradientView::setStartingColor(std::optional<ui::Color> color) {
    startingColor_ = std::move(color);
    setNeedsDisplay(true);
}

void ColorGradientView::setEndingColor(std::optional<ui::Color> color) {
    endingColor_ = std::move(color);
    setNeedsDisplay(true);
}

void ColorGradientView::drawRect(ui::Rect dirty) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const bool gradient = endingColor_ && !(startingColor_ && *startingColor_ == *endingColor_);
    if (gradient && startingColor_) {
        ui::Gradient g;
        g.stops = {{0.0, *startingColor_}, {1.0, *endingColor_}};
        context->drawLinearGradient(g, ui::BezierPath::bezierPathWithRect(bounds()), angle_);
        return;
    }
    if (gradient) return;  // a gradient from no colour draws nothing
    if (!startingColor_) return;
    context->setFillColor(*startingColor_);
    context->fillRect(dirty);
}

}  // namespace kestrune
