#include "platform/ui/Button.h"

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurer.h"

namespace platform::ui {

void Button::setTitle(std::string title) {
    title_ = std::move(title);
    attributedTitle_.reset();
    setNeedsDisplay(true);
}

void Button::setState(int state) {
    if (state == kStateMixed && !allowsMixed_) state = kStateOn;
    state_ = state;
    setNeedsDisplay(true);
}

void Button::flipState() {
    switch (type_) {
        case ButtonType::PushOnPushOff:
        case ButtonType::Toggle:
        case ButtonType::Switch:
        case ButtonType::OnOff:
            setState(state_ == kStateOn ? kStateOff : kStateOn);
            break;
        case ButtonType::Radio:
            setState(kStateOn);
            break;
        default:
            break;
    }
}

void Button::performClick(Responder*) {
    if (!isEnabled()) return;
    flipState();
    sendAction();
}

void Button::mouseDown(const Event&) {
    if (!isEnabled()) return;
    setHighlighted(true);
}

void Button::mouseUp(const Event& e) {
    if (!isEnabled()) return;
    setHighlighted(false);
    // Only a release over the button counts as a click.
    if (bounds().contains(convertPoint_fromView(e.locationInWindow, nullptr))) performClick(this);
}

bool Button::performKeyEquivalent(const Event& e) {
    if (!keyEquivalent_.empty() && isEnabled() && e.charactersIgnoringModifiers == keyEquivalent_ &&
        (e.modifierFlags & (kCommandKeyMask | kControlKeyMask | kAlternateKeyMask | kShiftKeyMask)) ==
            keyModifiers_) {
        performClick(this);
        return true;
    }
    return Control::performKeyEquivalent(e);
}

Size Button::intrinsicContentSize() const {
    const Size text = AttributedString(title_, TextAttributes::withFont(font())).size();
    if (type_ == ButtonType::Switch || type_ == ButtonType::Radio)
        return {text.width + 20, std::max(18.0, text.height)};
    return {text.width + 28, 21};
}

void Button::drawFocusRingMask() {
    auto* c = GraphicsContext::current();
    if (!c) return;
    const Rect b = bounds();
    if (type_ == ButtonType::Switch || type_ == ButtonType::Radio) {
        const Rect box{b.minX() + 2, b.midY() - 7, 14, 14};
        c->fillPath(type_ == ButtonType::Radio
                        ? BezierPath::bezierPathWithOvalInRect(box)
                        : BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box, 3, 3));
    } else if (bordered_ && !transparent_) {
        c->fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b.insetBy(1, 1), 5, 5));
    } else {
        c->fillRect(b);
    }
}

void Button::drawRect(Rect) {
    auto* c = GraphicsContext::current();
    if (!c || transparent_) return;
    const Rect b = bounds();
    const double alpha = isEnabled() ? 1.0 : 0.5;
    // The default button of a window, the one Return presses, is drawn in the accent colour, its title
    // in white, as the desktop draws it (an alert's first button).
    const bool isDefault = bordered_ && keyEquivalent_ == "\r" && keyModifiers_ == 0 &&
                           type_ != ButtonType::Switch && type_ != ButtonType::Radio;
    TextAttributes attributes;
    attributes.font = font();
    attributes.foregroundColor =
        (isDefault ? Color::whiteColor() : Color::controlTextColor()).colorWithAlphaComponent(alpha);
    const AttributedString text = attributedTitle_.value_or(AttributedString(title_, attributes));
    const Size textSize = text.size();
    if (type_ == ButtonType::Switch || type_ == ButtonType::Radio) {
        // The box (or circle) at the left, the title after it, both centred vertically.
        const Rect box{b.minX() + 2, b.midY() - 7, 14, 14};
        auto shape = type_ == ButtonType::Radio
                         ? BezierPath::bezierPathWithOvalInRect(box)
                         : BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box, 3, 3);
        c->setFillColor(state_ == kStateOn ? Color::alternateSelectedControlColor() : Color::controlColor());
        c->fillPath(shape);
        c->setStrokeColor(Color::grayColor());
        c->strokePath(shape);
        if (state_ == kStateOn && type_ == ButtonType::Radio) {
            c->setFillColor(Color::whiteColor());
            c->fillPath(BezierPath::bezierPathWithOvalInRect(box.insetBy(4.5, 4.5)));
        } else if (state_ == kStateOn) {
            // A tick: down to a point left of the middle, then up to the top right. Points are given
            // from the box's top left, so that the tick stands upright in flipped views too.
            auto at = [&](double fx, double fy) {
                return Point{box.minX() + fx * box.width(),
                             isFlipped() ? box.minY() + fy * box.height() : box.maxY() - fy * box.height()};
            };
            BezierPath tick;
            tick.moveToPoint(at(0.25, 0.52));
            tick.lineToPoint(at(0.43, 0.72));
            tick.lineToPoint(at(0.76, 0.28));
            tick.setLineWidth(2);
            c->setStrokeColor(Color::whiteColor());
            c->strokePath(tick);
        }
        text.drawInRect({box.maxX() + 4, b.midY() - textSize.height / 2, textSize.width, textSize.height});
        return;
    }
    if (bordered_) {
        auto shape = BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b.insetBy(1, 1), 5, 5);
        if (isDefault) {
            c->setFillColor(Color::alternateSelectedControlColor().colorWithAlphaComponent(alpha));
            c->fillPath(shape);
        } else {
            c->setFillColor(isHighlighted() || state_ == kStateOn ? Color::selectedControlColor()
                                                                  : Color::controlColor());
            c->fillPath(shape);
            c->setStrokeColor(Color::lightGrayColor());
            c->strokePath(shape);
        }
    }
    const auto& shown = state_ == kStateOn && alternateImage_ ? alternateImage_ : image_;
    double titleX = b.midX() - textSize.width / 2;
    if (shown && imagePosition_ != ImagePosition::NoImage) {
        const Size s = shown->size();
        Rect r{b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height};
        if (imagePosition_ == ImagePosition::ImageLeft) r.origin.x = b.minX() + 6;
        shown->drawInRect_fromRect_operation_fraction(r, {}, CompositingOperation::SourceOver, alpha);
        if (imagePosition_ == ImagePosition::ImageOnly) return;
        // A left-aligned title follows a picture on its left.
        if (imagePosition_ == ImagePosition::ImageLeft && alignment() == TextAlignment::Left)
            titleX = r.maxX() + 4;
    } else if (alignment() == TextAlignment::Left) {
        titleX = b.minX() + 6;
    }
    if (!title_.empty() || attributedTitle_)
        text.drawInRect({titleX, b.midY() - textSize.height / 2, textSize.width, textSize.height});
}

}  // namespace platform::ui
