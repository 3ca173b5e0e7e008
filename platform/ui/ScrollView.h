#pragma once

#include "platform/ui/ClipView.h"
#include "platform/ui/Control.h"

namespace platform::ui {

enum class BorderType { None = 0, Line = 1, Bezel = 2, Groove = 3 };
enum class ScrollerStyle { Legacy = 0, Overlay = 1 };
enum class ScrollElasticity { Automatic = 0, None = 1, Allowed = 2 };
enum class ControlSize { Regular = 0, Small = 1, Mini = 2 };

// A scroller: the knob's proportion and position (0..1).
class Scroller : public Control {
public:
    static std::shared_ptr<Scroller> create(Rect frame = {}) { return make<Scroller>(frame); }
    // 15 points for legacy scrollers; overlay scrollers take no room.
    static double scrollerWidthForControlSize_scrollerStyle(ControlSize size, ScrollerStyle style);

    double knobProportion() const { return knobProportion_; }
    void setKnobProportion(double p) { knobProportion_ = p, setNeedsDisplay(true); }
    ScrollerStyle scrollerStyle() const { return style_; }
    void setScrollerStyle(ScrollerStyle style) { style_ = style; }
    // The track, then the knob; each replaceable.
    Rect knobRect() const;
    virtual void drawKnobSlotInRect_highlight(Rect slot, bool highlight);
    virtual void drawKnob();
    void drawRect(Rect dirty) override;

private:
    double knobProportion_ = 1;
    ScrollerStyle style_ = ScrollerStyle::Overlay;
};

// A clip view over a document view, with optional scrollers and a border.
class ScrollView : public View {
public:
    static std::shared_ptr<ScrollView> create(Rect frame = {}) { return make<ScrollView>(frame); }
    void initWithFrame(Rect frame) override;
    void initFromNib(NibArgs& args) override;

    // The content size a scroll view of `frameSize` leaves for its clip view.
    static Size contentSizeForFrameSize(Size frameSize, bool hasHorizontalScroller, bool hasVerticalScroller,
                                        BorderType border, ScrollerStyle style);
    static Size frameSizeForContentSize(Size contentSize, bool hasHorizontalScroller,
                                        bool hasVerticalScroller, BorderType border, ScrollerStyle style);
    static double borderInset(BorderType border);

    std::shared_ptr<ClipView> contentView() const { return clip_; }
    void setContentView(const std::shared_ptr<ClipView>& clip);
    std::shared_ptr<View> documentView() const { return clip_ ? clip_->documentView() : nullptr; }
    void setDocumentView(const std::shared_ptr<View>& view);
    Size contentSize() const;
    Rect documentVisibleRect() const { return clip_ ? clip_->documentVisibleRect() : Rect{}; }

    bool hasVerticalScroller() const { return hasVertical_; }
    void setHasVerticalScroller(bool flag);
    bool hasHorizontalScroller() const { return hasHorizontal_; }
    void setHasHorizontalScroller(bool flag);
    std::shared_ptr<Scroller> verticalScroller() const { return vertical_; }
    std::shared_ptr<Scroller> horizontalScroller() const { return horizontal_; }
    bool autohidesScrollers() const { return autohides_; }
    void setAutohidesScrollers(bool flag) { autohides_ = flag; }
    BorderType borderType() const { return border_; }
    void setBorderType(BorderType border);
    ScrollerStyle scrollerStyle() const { return style_; }
    void setScrollerStyle(ScrollerStyle style);
    ScrollElasticity verticalScrollElasticity() const { return verticalElasticity_; }
    void setVerticalScrollElasticity(ScrollElasticity e) { verticalElasticity_ = e; }
    ScrollElasticity horizontalScrollElasticity() const { return horizontalElasticity_; }
    void setHorizontalScrollElasticity(ScrollElasticity e) { horizontalElasticity_ = e; }
    bool drawsBackground() const { return clip_ && clip_->drawsBackground(); }
    void setDrawsBackground(bool flag) {
        if (clip_) clip_->setDrawsBackground(flag);
    }
    Color backgroundColor() const { return clip_ ? clip_->backgroundColor() : Color::controlColor(); }
    void setBackgroundColor(Color c) {
        if (clip_) clip_->setBackgroundColor(c);
    }

    // Places the clip view and scrollers inside the border.
    virtual void tile();
    // Updates the scrollers from the clip view's position.
    virtual void reflectScrolledClipView(ClipView* clip);
    void scrollWheel(const Event& e) override;
    void setFrame(Rect frame) override;
    void drawRect(Rect dirty) override;

private:
    std::shared_ptr<ClipView> clip_;
    std::shared_ptr<Scroller> vertical_;
    std::shared_ptr<Scroller> horizontal_;
    bool hasVertical_ = false;
    bool hasHorizontal_ = false;
    bool autohides_ = false;
    BorderType border_ = BorderType::None;
    ScrollerStyle style_ = ScrollerStyle::Overlay;
    ScrollElasticity verticalElasticity_ = ScrollElasticity::Automatic;
    ScrollElasticity horizontalElasticity_ = ScrollElasticity::Automatic;
};

}  // namespace platform::ui
