#include "platform/ui/SplitView.h"

#include <algorithm>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
double along(const Rect& r, bool vertical) {
    return vertical ? r.minX() : r.minY();
}
double extent(const Rect& r, bool vertical) {
    return vertical ? r.width() : r.height();
}
}  // namespace

double SplitView::positionOfDividerAtIndex(size_t index) const {
    const auto& subs = subviews();
    if (index >= subs.size()) return 0;
    const Rect f = subs[index]->frame();
    return along(f, vertical_) + extent(f, vertical_);
}

Rect SplitView::dividerRectAtIndex(size_t index) const {
    const double at = positionOfDividerAtIndex(index);
    const Rect b = bounds();
    return vertical_ ? Rect{at, b.minY(), dividerThickness(), b.height()}
                     : Rect{b.minX(), at, b.width(), dividerThickness()};
}

void SplitView::setPosition_ofDividerAtIndex(double position, size_t index) {
    const auto subs = subviews();
    if (index + 1 >= subs.size()) return;
    auto& first = subs[index];
    auto& second = subs[index + 1];
    const Rect a = first->frame(), b = second->frame();
    const double start = along(a, vertical_);
    const double end = along(b, vertical_) + extent(b, vertical_);
    position = std::clamp(position, start, std::max(start, end - dividerThickness()));
    const double secondStart = position + dividerThickness();
    if (vertical_) {
        first->setFrame({a.minX(), a.minY(), position - a.minX(), a.height()});
        second->setFrame({secondStart, b.minY(), end - secondStart, b.height()});
    } else {
        first->setFrame({a.minX(), a.minY(), a.width(), position - a.minY()});
        second->setFrame({b.minX(), secondStart, b.width(), end - secondStart});
    }
    setNeedsDisplay(true);
    notifyResized();
}

void SplitView::notifyResized() {
    if (auto d = delegate()) d->splitViewDidResizeSubviews(*this);
    platform::NotificationCenter::defaultCenter().post(kDidResizeSubviewsNotification, this);
}

void SplitView::adjustSubviews() {
    const auto subs = subviews();
    if (subs.empty()) return;
    const Rect b = bounds();
    const double total = extent(b, vertical_) - dividerThickness() * (subs.size() - 1);
    double current = 0;
    for (const auto& s : subs) current += std::max(0.0, extent(s->frame(), vertical_));
    double at = along(b, vertical_);
    for (const auto& s : subs) {
        const double share = current > 0 ? std::max(0.0, extent(s->frame(), vertical_)) / current * total
                                         : total / subs.size();
        if (vertical_)
            s->setFrame({at, b.minY(), share, b.height()});
        else
            s->setFrame({b.minX(), at, b.width(), share});
        at += share + dividerThickness();
    }
    setNeedsDisplay(true);
}

void SplitView::resizeSubviewsWithOldSize(Size oldSize) {
    auto d = delegate();
    if (d && d->implements(SplitViewDelegate::Op::ResizeSubviewsWithOldSize)) {
        d->splitView_resizeSubviewsWithOldSize(*this, oldSize);
        return;
    }
    if (d && d->implements(SplitViewDelegate::Op::ShouldAdjustSizeOfSubview) && resizeAdjustableOnly(oldSize))
        return;
    adjustSubviews();
}

bool SplitView::resizeAdjustableOnly(Size oldSize) {
    // The change along the split goes to the subviews the delegate lets grow or shrink, shared in
    // proportion to their sizes; the others keep theirs. With none to take it, the usual fit applies.
    auto d = delegate();
    const auto subs = subviews();
    std::vector<bool> adjustable;
    double adjustableExtent = 0;
    size_t count = 0;
    for (const auto& s : subs) {
        adjustable.push_back(d->splitView_shouldAdjustSizeOfSubview(*this, s.get()));
        if (adjustable.back()) adjustableExtent += std::max(0.0, extent(s->frame(), vertical_)), ++count;
    }
    if (count == 0) return false;
    const Rect b = bounds();
    const double delta = extent(b, vertical_) - (vertical_ ? oldSize.width : oldSize.height);
    double at = along(b, vertical_);
    for (size_t i = 0; i < subs.size(); ++i) {
        double size = std::max(0.0, extent(subs[i]->frame(), vertical_));
        if (adjustable[i])
            size = std::max(0.0,
                            size + (adjustableExtent > 0 ? delta * size / adjustableExtent : delta / count));
        if (vertical_)
            subs[i]->setFrame({at, b.minY(), size, b.height()});
        else
            subs[i]->setFrame({b.minX(), at, b.width(), size});
        at += size + dividerThickness();
    }
    setNeedsDisplay(true);
    return true;
}

double SplitView::constrained(double proposed, size_t index) {
    auto d = delegate();
    if (!d) return proposed;
    double lo = -1e18, hi = 1e18;
    if (d->implements(SplitViewDelegate::Op::ConstrainMinCoordinate))
        lo = d->splitView_constrainMinCoordinate_ofSubviewAt(
            *this, along(subviews()[index]->frame(), vertical_), index);
    if (d->implements(SplitViewDelegate::Op::ConstrainMaxCoordinate)) {
        const Rect next = subviews()[index + 1]->frame();
        hi = d->splitView_constrainMaxCoordinate_ofSubviewAt(
            *this, along(next, vertical_) + extent(next, vertical_) - dividerThickness(), index);
    }
    if (d->implements(SplitViewDelegate::Op::ConstrainSplitPosition))
        proposed = d->splitView_constrainSplitPosition_ofSubviewAt(*this, proposed, index);
    return std::clamp(proposed, lo, std::max(lo, hi));
}

void SplitView::mouseDown(const Event& e) {
    const Point p = convertPoint_fromView(e.locationInWindow, nullptr);
    const auto count = subviews().size();
    for (size_t i = 0; i + 1 < count; ++i) {
        const Rect divider = dividerRectAtIndex(i);
        if (!divider.contains(p)) continue;
        auto keep = sharedView();
        const double grab = (vertical_ ? p.x : p.y) - along(divider, vertical_);
        if (auto d = delegate()) d->splitViewWillResizeSubviews(*this);
        auto w = window();
        const uint64_t mask =
            eventMaskFor(EventType::LeftMouseDragged) | eventMaskFor(EventType::LeftMouseUp);
        while (w) {
            auto next = w->nextEventMatchingMask(mask);
            if (!next) break;
            const Point q = convertPoint_fromView(next->locationInWindow, nullptr);
            setPosition_ofDividerAtIndex(constrained((vertical_ ? q.x : q.y) - grab, i), i);
            if (next->type == EventType::LeftMouseUp) break;
        }
        return;
    }
    View::mouseDown(e);
}

void SplitView::drawRect(Rect) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    c->setFillColor(dividerColor_);
    for (size_t i = 0; i + 1 < subviews().size(); ++i) c->fillRect(dividerRectAtIndex(i));
}

void VisualEffectView::drawRect(Rect) {
    if (material_ != Material::Dark && material_ != Material::HUDWindow) return;
    auto* context = GraphicsContext::current();
    if (!context) return;
    context->setFillColor(Color::colorWithSRGBRed_green_blue_alpha(0.17, 0.18, 0.2, 1));
    context->fillRect(bounds());
}

}  // namespace platform::ui
