#include "menubar/panel/PanelBackgrounds.h"

#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

bool drawPanel(ui::Rect rect) {
    auto* c = ui::GraphicsContext::current();
    if (!c) return false;
    const ui::Rect body{rect.minX(), rect.minY(), rect.width(), rect.height() - PanelColors::kArrowHeight};
    auto path = ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(body, PanelColors::kCornerRadius,
                                                                          PanelColors::kCornerRadius);
    ui::BezierPath arrow;
    const double mid = rect.midX();
    arrow.moveToPoint({mid - PanelColors::kArrowWidth * 0.5, body.maxY() - 0.5});
    arrow.lineToPoint({mid, rect.maxY()});
    arrow.lineToPoint({mid + PanelColors::kArrowWidth * 0.5, body.maxY() - 0.5});
    arrow.closePath();
    c->setFillColor(ui::Color::colorWithCalibratedRed_green_blue_alpha(
        PanelColors::kRed, PanelColors::kGreen, PanelColors::kBlue, PanelColors::kAlpha));
    c->fillPath(path);
    c->fillPath(arrow);
    return true;
}

}  // namespace

void registerPanelBackgroundsIfMissing() {
    for (const char* name : {"notification_background", "menubar_background", "menubar_background_big"}) {
        if (ui::Image::imageNamed(name)) continue;
        auto image = ui::Image::imageWithSize_flipped_drawingHandler({275, 377}, false, drawPanel);
        image->setName(name);
        ui::ImageRegistry::add(name, image);
    }
}

}  // namespace kestrune
