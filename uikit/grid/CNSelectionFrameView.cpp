#include "uikit/grid/CNSelectionFrameView.h"

#include <cmath>

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

void CNSelectionFrameView::drawRect(ui::Rect) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Size size = bounds().size;
    // Half a point in, so that the one-point outline lies on whole pixels.
    auto path = ui::BezierPath::bezierPathWithRect(
        {0.5, 0.5, std::floor(size.width) - 1, std::floor(size.height) - 1});
    context->setFillColor(ui::Color::colorWithCalibratedWhite_alpha(0.0, 0.15));
    context->fillPath(path);
    path.setLineWidth(1.0);
    context->setStrokeColor(ui::Color::whiteColor());
    context->strokePath(path);
}

}  // namespace kestrune
