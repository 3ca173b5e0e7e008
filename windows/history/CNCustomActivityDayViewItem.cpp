#include "windows/history/CNCustomActivityDayViewItem.h"

#include <algorithm>

#include "platform/ui/GraphicsContext.h"
#include "uikit/views/ColorAdditions.h"

namespace kestrune {

void CNCustomActivityDayViewItem::setDayViewModel(std::shared_ptr<ActivityDayViewModel> model) {
    dayViewModel_ = std::move(model);
    setNeedsDisplay(true);
}

void CNCustomActivityDayViewItem::drawRect(ui::Rect) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const double b = kBorder;
    const double w = bounds().width() - 2 * b, h = bounds().height() - 2 * b;
    context->setFillColor(ui::Color::lightGrayColor());
    context->fillPath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius({b, b, w, h}, b, b));
    if (!dayViewModel_) return;
    const double perMinute = h / kMinutesPerDay;
    context->setFillColor(colorWithHexColorString("4CB748"));
    for (const auto& part : dayViewModel_->sessionArray) {
        const double y1 = part->startDateInMinutesOfDay * perMinute + b;
        const double y2 = part->endDateInMinutesOfDay * perMinute + b;
        context->fillPath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(
            {b, y1, w, std::max(0.0, y2 - y1)}, b, b));
    }
}

}  // namespace kestrune
