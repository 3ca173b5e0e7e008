#include "menubar/panel/SingleMobileDeviceView.h"

#include "app/support/Localizable.h"

namespace kestrune {

namespace {
void setY(ui::View* view, double y) {
    if (!view) return;
    const ui::Rect f = view->frame();
    view->setFrame({f.minX(), y, f.width(), f.height()});
}
}  // namespace

void SingleMobileDeviceView::setLoaderVisible(bool visible) {
    if (!distanceLabel) return;
    const ui::Rect f = distanceLabel->frame();
    distanceLabel->setFrame({visible ? kDistanceLabelXWithLoader : kDistanceLabelXWithoutLoader, f.minY(),
                             f.width(), f.height()});
}

void SingleMobileDeviceView::layoutForTrackedPhone() {
    setY(nameLabel.get(), 39);
    setY(distanceLabel.get(), 23);
    setY(loadingImage.get(), 25);
    setY(rescanButton.get(), 25);
    setY(helpButton.get(), 21);
}

void SingleMobileDeviceView::addRescanHoverEffect() {
    if (!rescanButton || rescanTrackingArea_) return;
    rescanTrackingArea_ = ui::TrackingArea::create(
        rescanButton->frame(), ui::kTrackingMouseEnteredAndExited | ui::kTrackingActiveAlways,
        weakAs<ui::Responder>());
    addTrackingArea(rescanTrackingArea_);
}

void SingleMobileDeviceView::mouseEntered(const ui::Event& e) {
    if (e.trackingArea != rescanTrackingArea_ || !rescanButton || !distanceLabel) return;
    if (rescanButton->alphaValue() <= 0) return;
    savedLabelText_ = distanceLabel->stringValue();
    distanceLabel->setStringValue(localizable("rescan"));
}

void SingleMobileDeviceView::mouseExited(const ui::Event& e) {
    if (e.trackingArea != rescanTrackingArea_ || !distanceLabel) return;
    if (savedLabelText_) distanceLabel->setStringValue(*savedLabelText_);
    savedLabelText_.reset();
}

}  // namespace kestrune
