#include "menubar/statusitem/StatusItemView.h"

#include <cmath>
#include <string>

#include "app/support/Utilities.h"
#include "app/support/VersionVerifier.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace kestrune {

namespace {
constexpr const char* kVibrantDark = "NSAppearanceNameVibrantDark";

// The menu bar's appearance: the view's own when it asks for one, else vibrant dark on a dark desktop.
std::string menuBarAppearanceName(const ui::View& view) {
    if (!view.appearanceName().empty()) return view.appearanceName();
    const auto& desktop = ui::Application::shared().effectiveAppearanceName();
    return desktop.find("Dark") != std::string::npos ? kVibrantDark : "NSAppearanceNameVibrantLight";
}
}  // namespace

std::shared_ptr<StatusItemView> StatusItemView::initWithStatusItem(
    const std::shared_ptr<ui::StatusItem>& item) {
    const double length = item ? item->length() : 0;
    auto view = ui::make<StatusItemView>({0, 0, length, ui::StatusBar::systemStatusBar().thickness()});
    view->statusItem_ = item;
    if (item) item->setView(view);
    return view;
}

void StatusItemView::setImage(std::shared_ptr<ui::Image> image) {
    if (image == image_) return;
    image_ = std::move(image);
    setNeedsDisplay(true);
}

void StatusItemView::setAlternateImage(std::shared_ptr<ui::Image> image) {
    if (image == alternateImage_) return;
    alternateImage_ = std::move(image);
    if (isHighlighted_) setNeedsDisplay(true);
}

void StatusItemView::setHighlighted(bool highlighted) {
    if (highlighted == isHighlighted_) return;
    isHighlighted_ = highlighted;
    setNeedsDisplay(true);
}

ui::Rect StatusItemView::globalRect() const {
    auto w = window();
    if (!w) return {};
    return w->convertRectToScreen(frame());
}

bool StatusItemView::isDarkModeOn() const {
    if (!VersionVerifier::version_isNewerOrSameThenVersion(Utilities::operatingSystemVersion(), "10.10"))
        return false;
    return menuBarAppearanceName(*this).find(kVibrantDark) != std::string::npos;
}

ui::Rect StatusItemView::iconRect() const {
    const ui::Rect b = bounds();
    const double width = b.width() / kIconScale;
    const double height = b.height() / kIconScale;
    // Whole points, in single precision as the drawing did.
    const float x = std::round(static_cast<float>((b.width() - width) * 0.5));
    const float y = std::round(static_cast<float>((b.height() - height) * 0.5));
    return {x, y, width, height};
}

void StatusItemView::mouseDown(const ui::Event&) {
    if (action_) action_();
}

void StatusItemView::rightMouseDown(const ui::Event&) {
    if (rightClickAction_) rightClickAction_();
}

void StatusItemView::drawRect(ui::Rect dirty) {
    if (statusItem_) statusItem_->drawStatusBarBackgroundInRect_withHighlight(dirty, isHighlighted_);
    const auto& icon = (isHighlighted_ || isDarkModeOn()) ? alternateImage_ : image_;
    if (!icon) return;
    const ui::Rect rect = iconRect();
    icon->setSize(rect.size);
    icon->drawInRect_fromRect_operation_fraction(rect, {}, ui::CompositingOperation::SourceOver, 1.0);
}

}  // namespace kestrune
