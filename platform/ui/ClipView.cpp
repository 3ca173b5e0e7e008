#include "platform/ui/ClipView.h"

#include <algorithm>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/ScrollView.h"

namespace platform::ui {

void ClipView::setDocumentView(const std::shared_ptr<View>& view) {
    if (auto old = document_.lock()) old->removeFromSuperview();
    document_ = view;
    if (view) addSubview(view);
    setBoundsOrigin(constrainBoundsRect(bounds()).origin);
}

Rect ClipView::documentRect() const {
    auto doc = document_.lock();
    if (!doc) return bounds();
    // The document's frame, never smaller than what the clip view shows.
    Rect r = doc->frame();
    r.size.width = std::max(r.width(), bounds().width());
    r.size.height = std::max(r.height(), bounds().height());
    return r;
}

Rect ClipView::constrainBoundsRect(Rect proposed) const {
    const Rect doc = documentRect();
    proposed.origin.x =
        std::clamp(proposed.origin.x, doc.minX(), std::max(doc.minX(), doc.maxX() - proposed.width()));
    proposed.origin.y =
        std::clamp(proposed.origin.y, doc.minY(), std::max(doc.minY(), doc.maxY() - proposed.height()));
    return proposed;
}

void ClipView::scrollToPoint(Point p) {
    setBoundsOrigin(constrainBoundsRect({p, bounds().size}).origin);
    if (auto* scroll = dynamic_cast<ScrollView*>(superview())) scroll->reflectScrolledClipView(this);
}

bool ClipView::isFlipped() const {
    auto doc = document_.lock();
    return doc && doc->isFlipped();
}

void ClipView::drawRect(Rect dirty) {
    if (!drawsBackground_) return;
    if (auto* c = GraphicsContext::current()) {
        c->setFillColor(background_);
        c->fillRect(dirty);
    }
}

}  // namespace platform::ui
