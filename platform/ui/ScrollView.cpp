#include "platform/ui/ScrollView.h"

#include <algorithm>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Nib.h"

namespace platform::ui {

double Scroller::scrollerWidthForControlSize_scrollerStyle(ControlSize, ScrollerStyle style) {
    return style == ScrollerStyle::Overlay ? 0 : 15;
}

Rect Scroller::knobRect() const {
    const Rect b = bounds();
    if (knobProportion_ >= 1) return {};
    const bool vertical = b.height() >= b.width();
    const double length = (vertical ? b.height() : b.width()) * knobProportion_;
    const double travel = (vertical ? b.height() : b.width()) - length;
    const double at = travel * std::clamp(doubleValue(), 0.0, 1.0);
    return vertical ? Rect{b.minX() + 3, isFlipped() ? at : b.height() - at - length, b.width() - 6, length}
                    : Rect{at, b.minY() + 3, length, b.height() - 6};
}

void Scroller::drawKnobSlotInRect_highlight(Rect slot, bool) {
    auto* c = GraphicsContext::current();
    if (!c || style_ == ScrollerStyle::Overlay) return;
    c->setFillColor(Color::colorWithCalibratedWhite_alpha(0.97, 1));
    c->fillRect(slot);
}

void Scroller::drawKnob() {
    auto* c = GraphicsContext::current();
    const Rect knob = knobRect();
    if (!c || knob.isEmpty()) return;
    c->setFillColor(Color::colorWithCalibratedWhite_alpha(0, 0.4));
    c->fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(knob, 3, 3));
}

void Scroller::drawRect(Rect) {
    drawKnobSlotInRect_highlight(bounds(), false);
    drawKnob();
}

double ScrollView::borderInset(BorderType border) {
    switch (border) {
        case BorderType::None:
            return 0;
        case BorderType::Line:
            return 1;
        case BorderType::Bezel:
            return 1;
        case BorderType::Groove:
            return 2;
    }
    return 0;
}

Size ScrollView::contentSizeForFrameSize(Size frame, bool horizontal, bool vertical, BorderType border,
                                         ScrollerStyle style) {
    const double inset = borderInset(border);
    const double width = Scroller::scrollerWidthForControlSize_scrollerStyle(ControlSize::Regular, style);
    return {frame.width - 2 * inset - (vertical ? width : 0),
            frame.height - 2 * inset - (horizontal ? width : 0)};
}

Size ScrollView::frameSizeForContentSize(Size content, bool horizontal, bool vertical, BorderType border,
                                         ScrollerStyle style) {
    const double inset = borderInset(border);
    const double width = Scroller::scrollerWidthForControlSize_scrollerStyle(ControlSize::Regular, style);
    return {content.width + 2 * inset + (vertical ? width : 0),
            content.height + 2 * inset + (horizontal ? width : 0)};
}

void ScrollView::initWithFrame(Rect frame) {
    View::initWithFrame(frame);
    setContentView(ClipView::create({}));
}

void ScrollView::initFromNib(NibArgs& args) {
    View::initFromNib(args);
    setContentView(ClipView::create({}));
}

void ScrollView::setContentView(const std::shared_ptr<ClipView>& clip) {
    std::shared_ptr<View> doc = documentView();
    if (clip_) clip_->removeFromSuperview();
    clip_ = clip;
    if (!clip_) return;
    addSubview_positioned_relativeTo(clip_, WindowOrderingMode::Below, nullptr);
    if (doc) clip_->setDocumentView(doc);
    tile();
}

void ScrollView::setDocumentView(const std::shared_ptr<View>& view) {
    if (!clip_) return;
    clip_->setDocumentView(view);
    reflectScrolledClipView(clip_.get());
}

Size ScrollView::contentSize() const {
    return contentSizeForFrameSize(frame().size, hasHorizontal_, hasVertical_, border_, style_);
}

void ScrollView::setHasVerticalScroller(bool flag) {
    hasVertical_ = flag;
    if (flag && !vertical_) {
        vertical_ = Scroller::create({});
        addSubview(vertical_);
    }
    if (vertical_) vertical_->setHidden(!flag);
    tile();
}

void ScrollView::setHasHorizontalScroller(bool flag) {
    hasHorizontal_ = flag;
    if (flag && !horizontal_) {
        horizontal_ = Scroller::create({});
        addSubview(horizontal_);
    }
    if (horizontal_) horizontal_->setHidden(!flag);
    tile();
}

void ScrollView::setBorderType(BorderType border) {
    border_ = border;
    tile();
    setNeedsDisplay(true);
}

void ScrollView::setScrollerStyle(ScrollerStyle style) {
    style_ = style;
    if (vertical_) vertical_->setScrollerStyle(style);
    if (horizontal_) horizontal_->setScrollerStyle(style);
    tile();
}

void ScrollView::setFrame(Rect frame) {
    View::setFrame(frame);
    tile();
}

void ScrollView::tile() {
    if (!clip_) return;
    const double inset = borderInset(border_);
    const double w = Scroller::scrollerWidthForControlSize_scrollerStyle(ControlSize::Regular, style_);
    const Size content = contentSize();
    const Rect b = bounds();
    // The clip view sits at the top left inside the border; scrollers take the right and bottom edges
    // (in overlay style they float over the content).
    const double clipY = isFlipped() ? inset : b.height() - inset - content.height;
    clip_->setFrame({inset, clipY, content.width, content.height});
    const double scrollerWidth = w > 0 ? w : 15;
    if (vertical_)
        vertical_->setFrame({b.width() - inset - scrollerWidth, clipY, scrollerWidth, content.height});
    if (horizontal_)
        horizontal_->setFrame(
            {inset, isFlipped() ? b.height() - inset - scrollerWidth : inset, content.width, scrollerWidth});
    reflectScrolledClipView(clip_.get());
}

void ScrollView::reflectScrolledClipView(ClipView* clip) {
    if (!clip) return;
    const Rect doc = clip->documentRect();
    const Rect visible = clip->bounds();
    if (vertical_) {
        const double travel = doc.height() - visible.height();
        vertical_->setKnobProportion(doc.height() > 0 ? std::min(1.0, visible.height() / doc.height()) : 1);
        double position = travel > 0 ? (visible.minY() - doc.minY()) / travel : 0;
        if (!clip->isFlipped()) position = 1 - position;
        vertical_->setDoubleValue(std::clamp(position, 0.0, 1.0));
    }
    if (horizontal_) {
        const double travel = doc.width() - visible.width();
        horizontal_->setKnobProportion(doc.width() > 0 ? std::min(1.0, visible.width() / doc.width()) : 1);
        horizontal_->setDoubleValue(travel > 0 ? std::clamp((visible.minX() - doc.minX()) / travel, 0.0, 1.0)
                                               : 0);
    }
}

void ScrollView::scrollWheel(const Event& e) {
    if (!clip_) return;
    // A positive delta moves the content down (towards its top).
    Point origin = clip_->bounds().origin;
    origin.x -= e.deltaX;
    origin.y += clip_->isFlipped() ? -e.deltaY : e.deltaY;
    clip_->scrollToPoint(origin);
}

void ScrollView::drawRect(Rect) {
    if (border_ == BorderType::None) return;
    auto* c = GraphicsContext::current();
    if (!c) return;
    const double inset = borderInset(border_);
    auto path = BezierPath::bezierPathWithRect(bounds().insetBy(inset / 2, inset / 2));
    path.setLineWidth(inset);
    c->setStrokeColor(Color::gridColor());
    c->strokePath(path);
}

}  // namespace platform::ui
