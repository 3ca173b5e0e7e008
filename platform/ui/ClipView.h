#pragma once

#include "platform/ui/View.h"

namespace platform::ui {

// The view of a scroll view that shows part of the document view; its bounds origin is the scroll
// offset. Setting the bounds origin does not clamp (and posts the bounds notification when asked);
// scrollToPoint clamps to the document.
class ClipView : public View {
public:
    static std::shared_ptr<ClipView> create(Rect frame = {}) { return make<ClipView>(frame); }

    std::shared_ptr<View> documentView() const { return document_.lock(); }
    void setDocumentView(const std::shared_ptr<View>& view);
    Rect documentRect() const;
    Rect documentVisibleRect() const { return bounds(); }
    // The bounds moved to the nearest origin that keeps them inside the document.
    Rect constrainBoundsRect(Rect proposed) const;
    void scrollToPoint(Point p);

    bool isFlipped() const override;
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag) { drawsBackground_ = flag; }
    const Color& backgroundColor() const { return background_; }
    void setBackgroundColor(Color color) { background_ = color, setNeedsDisplay(true); }
    void drawRect(Rect dirty) override;

private:
    std::weak_ptr<View> document_;
    bool drawsBackground_ = true;
    Color background_ = Color::controlColor();
};

}  // namespace platform::ui
