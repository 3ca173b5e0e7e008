#include "uikit/buttons/KSCustomCheckBox.h"

#include "platform/ui/GraphicsContext.h"

namespace kestrune {

namespace {
constexpr double kGap = 4;
}

void KSCustomCheckBox::layout() {
    Button::layout();
    if (didLayoutViewsOnce_) return;
    didLayoutViewsOnce_ = true;
    setButtonType(ui::ButtonType::Switch);
    setImage(ui::Image::imageNamed("checkbox_unchecked"));
    setAlternateImage(ui::Image::imageNamed("checkbox_checked"));
    // Setting the state again shows the picture that goes with it.
    setState(state());
}

void KSCustomCheckBox::drawRect(ui::Rect dirty) {
    auto* context = ui::GraphicsContext::current();
    const auto& picture = state() == ui::kStateOn && alternateImage() ? alternateImage() : image();
    if (!context || buttonType() != ui::ButtonType::Switch || !picture) return Button::drawRect(dirty);
    const ui::Rect b = bounds();
    const ui::Size s = picture->size();
    const double alpha = isEnabled() ? 1.0 : 0.5;
    const ui::Rect box{b.minX(), b.midY() - s.height / 2, s.width, s.height};
    picture->drawInRect_fromRect_operation_fraction(box, {}, ui::CompositingOperation::SourceOver, alpha);
    if (title().empty() && !attributedTitle()) return;
    ui::TextAttributes a =
        ui::TextAttributes::withFont(font(), ui::Color::controlTextColor().colorWithAlphaComponent(alpha));
    const ui::AttributedString text = attributedTitle().value_or(ui::AttributedString(title(), a));
    const ui::Size size = text.size();
    text.drawInRect({box.maxX() + kGap, b.midY() - size.height / 2, size.width, size.height});
}

}  // namespace kestrune
