#pragma once

#include <memory>

#include "platform/ui/View.h"

namespace platform::ui {

class SplitView;

// What a split view asks of its delegate. Operations are optional: the split view uses one only when
// `implements` says so, and otherwise keeps its own behaviour.
class SplitViewDelegate {
public:
    enum class Op {
        ConstrainMinCoordinate,
        ConstrainMaxCoordinate,
        ConstrainSplitPosition,
        CanCollapseSubview,
        ShouldAdjustSizeOfSubview,
        ResizeSubviewsWithOldSize,
    };
    virtual ~SplitViewDelegate() = default;
    virtual bool implements(Op) const { return false; }
    virtual double splitView_constrainMinCoordinate_ofSubviewAt(SplitView&, double proposed, size_t) {
        return proposed;
    }
    virtual double splitView_constrainMaxCoordinate_ofSubviewAt(SplitView&, double proposed, size_t) {
        return proposed;
    }
    virtual double splitView_constrainSplitPosition_ofSubviewAt(SplitView&, double proposed, size_t) {
        return proposed;
    }
    virtual bool splitView_canCollapseSubview(SplitView&, View*) { return false; }
    virtual bool splitView_shouldAdjustSizeOfSubview(SplitView&, View*) { return true; }
    virtual void splitView_resizeSubviewsWithOldSize(SplitView&, Size) {}
    virtual void splitViewWillResizeSubviews(SplitView&) {}
    virtual void splitViewDidResizeSubviews(SplitView&) {}
};

// Subviews side by side (vertical dividers) or stacked (horizontal dividers, first on top), with dividers
// the user can drag. The split view is flipped.
class SplitView : public View {
public:
    enum class DividerStyle { Thick = 1, Thin = 2, PaneSplitter = 3 };
    static constexpr const char* kDidResizeSubviewsNotification = "NSSplitViewDidResizeSubviewsNotification";
    static std::shared_ptr<SplitView> create(Rect frame = {}) { return make<SplitView>(frame); }

    bool isFlipped() const override { return true; }
    bool isVertical() const { return vertical_; }
    void setVertical(bool flag) { vertical_ = flag, adjustSubviews(); }
    DividerStyle dividerStyle() const { return style_; }
    void setDividerStyle(DividerStyle s) { style_ = s, adjustSubviews(); }
    virtual double dividerThickness() const { return style_ == DividerStyle::Thin ? 1 : 9; }
    const Color& dividerColor() const { return dividerColor_; }
    void setDividerColor(Color c) { dividerColor_ = c, setNeedsDisplay(true); }

    std::shared_ptr<SplitViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SplitViewDelegate> d) { delegate_ = std::move(d); }

    // Moves divider `index` to `position` (the coordinate along the split axis), without asking the
    // delegate, as a program's request.
    void setPosition_ofDividerAtIndex(double position, size_t index);
    // Where divider `index` starts.
    double positionOfDividerAtIndex(size_t index) const;
    Rect dividerRectAtIndex(size_t index) const;
    // Fits the subviews to the bounds, keeping their proportions.
    void adjustSubviews();
    void resizeSubviewsWithOldSize(Size oldSize) override;

    void mouseDown(const Event& e) override;
    void drawRect(Rect dirty) override;

private:
    double constrained(double proposed, size_t index);
    bool resizeAdjustableOnly(Size oldSize);
    void notifyResized();
    bool vertical_ = true;
    DividerStyle style_ = DividerStyle::Thin;
    Color dividerColor_ = Color::gridColor();
    std::weak_ptr<SplitViewDelegate> delegate_;
};

// A view that blurs what lies behind it. There is no compositor here: the choices are stored, and the
// dark materials draw the tint they give over an average desktop, so that a picture shows the light
// text meant for them on a dark ground.
class VisualEffectView : public View {
public:
    enum class Material {
        AppearanceBased = 0,
        Light = 1,
        Dark = 2,
        Titlebar = 3,
        Menu = 5,
        Popover = 6,
        Sidebar = 7,
        HUDWindow = 13
    };
    enum class BlendingMode { BehindWindow = 0, WithinWindow = 1 };
    enum class State { FollowsWindowActiveState = 0, Active = 1, Inactive = 2 };
    static std::shared_ptr<VisualEffectView> create(Rect frame = {}) { return make<VisualEffectView>(frame); }

    Material material() const { return material_; }
    void setMaterial(Material m) {
        material_ = m;
        setNeedsDisplay(true);
    }
    BlendingMode blendingMode() const { return blending_; }
    void setBlendingMode(BlendingMode m) { blending_ = m; }
    State state() const { return state_; }
    void setState(State s) { state_ = s; }
    bool isEmphasized() const { return emphasized_; }
    void setEmphasized(bool flag) { emphasized_ = flag; }
    const std::shared_ptr<Image>& maskImage() const { return mask_; }
    void setMaskImage(std::shared_ptr<Image> image) { mask_ = std::move(image); }
    void drawRect(Rect dirty) override;

private:
    Material material_ = Material::AppearanceBased;
    BlendingMode blending_ = BlendingMode::BehindWindow;
    State state_ = State::FollowsWindowActiveState;
    bool emphasized_ = false;
    std::shared_ptr<Image> mask_;
};

}  // namespace platform::ui
