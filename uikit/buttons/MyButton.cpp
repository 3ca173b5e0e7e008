#include "uikit/buttons/MyButton.h"

#include "platform/ui/AnimationContext.h"
#include "platform/ui/TrackingArea.h"
#include "uikit/images/ImageTintColor.h"

namespace kestrune {

namespace {
void animateAlpha(ui::View& view, double alpha) {
    auto keep = view.sharedView();
    ui::AnimationContext::runGroup([&](ui::AnimationContext&) { keep->animator().setAlphaValue(alpha); });
}
}  // namespace

void MyButton::awakeFromNib() {
    Button::awakeFromNib();
    initalize();
    setImage(imageTintedWithColor(image(), ui::Color::blackColor()));
}

void MyButton::initalize() {
    createTrackingArea();
    setDefaultValue();
}

void MyButton::createTrackingArea() {
    addTrackingArea(ui::TrackingArea::create(visibleRect(),
                                             ui::kTrackingMouseEnteredAndExited |
                                                 ui::kTrackingActiveInActiveApp | ui::kTrackingAssumeInside |
                                                 ui::kTrackingInVisibleRect,
                                             weakAs<ui::Responder>()));
}

void MyButton::setDefaultValue() {
    animateAlpha(*this, 0.6);
}

void MyButton::mouseEntered(const ui::Event&) {
    animateAlpha(*this, 1.0);
}

void MyButton::mouseExited(const ui::Event&) {
    setDefaultValue();
}

}  // namespace kestrune
