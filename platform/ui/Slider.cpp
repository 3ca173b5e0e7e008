#include "platform/ui/Slider.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Window.h"

namespace platform::ui {

Rect SliderCell::barRectFlipped(bool) const {
    if (!slider_) return {};
    const Rect b = slider_->bounds();
    // The bar runs under the knob's whole travel, nearly edge to edge.
    const double inset = 2;
    if (slider_->isVertical()) return {b.midX() - 2, b.minY() + inset, 4, b.height() - 2 * inset};
    return {b.minX() + inset, b.midY() - 2, b.width() - 2 * inset, 4};
}

Rect SliderCell::knobRectFlipped(bool flipped) const {
    if (!slider_) return {};
    const Rect b = slider_->bounds();
    const double k = knobThickness(), f = slider_->fraction();
    if (slider_->isVertical()) {
        const double travel = b.height() - k;
        return {b.midX() - k / 2, flipped ? b.minY() + travel * (1 - f) : b.minY() + travel * f, k, k};
    }
    return {b.minX() + (b.width() - k) * f, b.midY() - k / 2, k, k};
}

void SliderCell::drawBarInside_flipped(Rect rect, bool) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    c->setFillColor(Color::lightGrayColor());
    c->fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(rect, 2, 2));
}

void SliderCell::drawKnob(Rect knobRect) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    auto knob = BezierPath::bezierPathWithOvalInRect(knobRect.insetBy(1, 1));
    c->setFillColor(Color::whiteColor());
    c->fillPath(knob);
    c->setStrokeColor(Color::grayColor());
    c->strokePath(knob);
}

void SliderCell::drawFocusRingMaskWithFrame_inView(Rect, View*) {
    auto* c = GraphicsContext::current();
    if (!c || !slider_) return;
    c->fillPath(BezierPath::bezierPathWithOvalInRect(knobRectFlipped(slider_->isFlipped()).insetBy(1, 1)));
}

void SliderCell::drawWithFrame_inView(Rect, View*) {
    if (!slider_) return;
    const bool flipped = slider_->isFlipped();
    drawBarInside_flipped(barRectFlipped(flipped), flipped);
    drawKnob(knobRectFlipped(flipped));
}

void Slider::drawFocusRingMask() {
    if (cell_) cell_->drawFocusRingMaskWithFrame_inView(bounds(), this);
}

void Slider::initWithFrame(Rect frame) {
    Control::initWithFrame(frame);
    setCell(std::make_shared<SliderCell>());
    setContinuous(true);
}

void Slider::initFromNib(NibArgs& args) {
    Control::initFromNib(args);
    setCell(std::make_shared<SliderCell>());
    setContinuous(true);
}

void Slider::setCell(std::shared_ptr<SliderCell> cell) {
    if (cell_) cell_->setControlView(nullptr);
    cell_ = std::move(cell);
    if (cell_) cell_->setControlView(this);
    setNeedsDisplay(true);
}

void Slider::setDoubleValue(double value) {
    value = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (ticksOnly_ && ticks_ > 1 && max_ != min_) {
        const double step = (max_ - min_) / (ticks_ - 1);
        value = min_ + std::round((value - min_) / step) * step;
    }
    Control::setDoubleValue(value);
}

double Slider::fraction() const {
    if (max_ == min_) return 0;
    return std::clamp((doubleValue() - min_) / (max_ - min_), 0.0, 1.0);
}

void Slider::trackTo(Point windowLocation) {
    const Point p = convertPoint_fromView(windowLocation, nullptr);
    const Rect b = bounds();
    const double k = knobThickness();
    double f;
    if (isVertical()) {
        f = (p.y - b.minY() - k / 2) / std::max(1.0, b.height() - k);
        if (isFlipped()) f = 1 - f;
    } else {
        f = (p.x - b.minX() - k / 2) / std::max(1.0, b.width() - k);
    }
    setDoubleValue(min_ + std::clamp(f, 0.0, 1.0) * (max_ - min_));
}

void Slider::mouseDown(const Event& e) {
    if (!isEnabled()) return;
    auto keep = sharedView();
    trackTo(e.locationInWindow);
    if (isContinuous()) sendAction();
    auto w = window();
    const uint64_t mask = eventMaskFor(EventType::LeftMouseDragged) | eventMaskFor(EventType::LeftMouseUp);
    while (w) {
        auto next = w->nextEventMatchingMask(mask);
        if (!next) break;  // nothing more queued: the press is over
        trackTo(next->locationInWindow);
        if (next->type == EventType::LeftMouseUp) break;
        if (isContinuous()) sendAction();
    }
    sendAction();
}

void Slider::drawRect(Rect dirty) {
    if (cell_) cell_->drawWithFrame_inView(dirty, this);
}

void ProgressIndicator::startAnimation(Responder*) {
    animating_ = true;
    setNeedsDisplay(true);
}

void ProgressIndicator::stopAnimation(Responder*) {
    animating_ = false;
    setNeedsDisplay(true);
}

void ProgressIndicator::drawRect(Rect) {
    auto* c = GraphicsContext::current();
    if (!c || (!animating_ && !displayedWhenStopped_)) return;
    const Rect b = bounds();
    if (style_ == Style::Spinning) {
        // Twelve spokes around the centre.
        const double r = std::min(b.width(), b.height()) / 2;
        for (int i = 0; i < 12; ++i) {
            const double angle = i * M_PI / 6;
            BezierPath spoke;
            spoke.moveToPoint({b.midX() + std::cos(angle) * r * 0.5, b.midY() + std::sin(angle) * r * 0.5});
            spoke.lineToPoint({b.midX() + std::cos(angle) * r * 0.95, b.midY() + std::sin(angle) * r * 0.95});
            spoke.setLineWidth(std::max(1.0, r / 6));
            c->setStrokeColor(Color::colorWithCalibratedWhite_alpha(0.4, 0.3 + 0.05 * i));
            c->strokePath(spoke);
        }
        return;
    }
    c->setFillColor(Color::gridColor());
    c->fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b, 3, 3));
    if (indeterminate_ || max_ == min_) return;
    const double f = std::clamp((value_ - min_) / (max_ - min_), 0.0, 1.0);
    c->setFillColor(Color::alternateSelectedControlColor());
    c->fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(
        {b.minX(), b.minY(), b.width() * f, b.height()}, 3, 3));
}

}  // namespace platform::ui
