#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"
#include "platform/ui/Layer.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/Responder.h"
#include "platform/ui/TrackingArea.h"

namespace platform::ui {

class Window;
class ClipView;
class ScrollView;
class ViewController;
class ViewAnimator;
struct NibArgs;

// Autoresizing of subviews when the superview's frame changes size.
enum : unsigned {
    kViewNotSizable = 0,
    kViewMinXMargin = 1,
    kViewWidthSizable = 2,
    kViewMaxXMargin = 4,
    kViewMinYMargin = 8,
    kViewHeightSizable = 16,
    kViewMaxYMargin = 32,
};

enum class WindowOrderingMode { Below = -1, Out = 0, Above = 1 };

// Whether a view shows the keyboard focus ring: Default and Exterior draw it, None never does.
enum class FocusRingType { Default = 0, None = 1, Exterior = 2 };

// Makes a UI object in two phases: construct, then the frame initialiser.
template <typename T>
std::shared_ptr<T> make(Rect frame = {}) {
    auto object = std::make_shared<T>();
    object->initWithFrame(frame);
    return object;
}

// A rectangle of a window's content, in a tree. A superview owns its subviews; the superview, the
// window and the controller are back-links. A view's frame is in its superview's space; `isFlipped`
// makes y grow downward inside it; the bounds origin offsets its content.
class View : public Responder {
public:
    static std::shared_ptr<View> create(Rect frame = {}) { return make<View>(frame); }
    View();
    ~View() override;

    virtual void initWithFrame(Rect frame);
    // From an interface layout: the frame comes from the layout.
    void initFromNib(NibArgs& args) override;
    // Which initialiser made the view.
    bool wasCreatedFromNib() const { return fromNib_; }

    // Geometry.
    Rect frame() const { return frame_; }
    virtual void setFrame(Rect frame);
    void setFrameOrigin(Point origin);
    void setFrameSize(Size size);
    Rect bounds() const { return bounds_; }
    virtual void setBounds(Rect bounds);
    virtual void setBoundsOrigin(Point origin);
    void setBoundsSize(Size size);
    virtual bool isFlipped() const { return false; }
    // Posted synchronously (sender: the view) when the flags are set; off unless asked for.
    static constexpr const char* kBoundsDidChangeNotification = "NSViewBoundsDidChangeNotification";
    static constexpr const char* kFrameDidChangeNotification = "NSViewFrameDidChangeNotification";
    bool postsBoundsChangedNotifications() const { return postsBounds_; }
    void setPostsBoundsChangedNotifications(bool flag) { postsBounds_ = flag; }
    bool postsFrameChangedNotifications() const { return postsFrame_; }
    void setPostsFrameChangedNotifications(bool flag) { postsFrame_ = flag; }
    double frameRotation() const { return frameRotation_; }
    void setFrameRotation(double degrees);
    Rect visibleRect() const;

    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool flag) { autoresizesSubviews_ = flag; }
    virtual void resizeSubviewsWithOldSize(Size oldSize);
    virtual void resizeWithOldSuperviewSize(Size oldSize);

    // Look.
    double alphaValue() const { return alpha_; }
    virtual void setAlphaValue(double alpha);
    bool isHidden() const { return hidden_; }
    virtual void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    virtual bool isOpaque() const { return false; }
    // Whether drawing is cut at the bounds (a renderer asks; the recording keeps everything).
    virtual bool wantsDefaultClipping() const { return true; }

    // Tree.
    View* superview() const { return superview_; }
    std::shared_ptr<View> superviewPtr() const;
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    void addSubview(const std::shared_ptr<View>& view);
    void addSubview_positioned_relativeTo(const std::shared_ptr<View>& view, WindowOrderingMode place,
                                          const View* other);
    void replaceSubview_with(const View* old, const std::shared_ptr<View>& replacement);
    void setSubviews(const std::vector<std::shared_ptr<View>>& views);
    void removeFromSuperview();
    bool isDescendantOf(const View* view) const;
    std::shared_ptr<View> viewWithTag(int tag);
    std::shared_ptr<Window> window() const;
    // Hooks around tree changes.
    virtual void viewWillMoveToSuperview(View*) {}
    virtual void viewDidMoveToSuperview() {}
    virtual void viewWillMoveToWindow(Window*) {}
    virtual void viewDidMoveToWindow() {}
    virtual void didAddSubview(View*) {}
    virtual void willRemoveSubview(View*) {}

    // Coordinates; a null view means the window's space.
    Point convertPoint_fromView(Point p, const View* view) const;
    Point convertPoint_toView(Point p, const View* view) const;
    Rect convertRect_fromView(Rect r, const View* view) const;
    Rect convertRect_toView(Rect r, const View* view) const;
    Size convertSize_toView(Size s, const View* view) const;
    // A point of the superview's space into this view's, and back.
    Point pointFromSuperview(Point p) const;
    Point pointToSuperview(Point p) const;

    // The deepest view under a point of the superview's space that is not hidden; alpha 0 still counts.
    virtual View* hitTest(Point p);
    bool mouse_inRect(Point p, Rect r) const { return r.contains(p); }
    virtual bool acceptsFirstMouse(const Event*) { return false; }
    virtual bool mouseDownCanMoveWindow() const { return !isOpaque(); }

    // Layout and display.
    bool needsLayout() const { return needsLayout_; }
    void setNeedsLayout(bool flag);
    virtual void layout() {}
    void layoutSubtreeIfNeeded();
    bool needsDisplay() const { return needsDisplay_; }
    virtual void setNeedsDisplay(bool flag);
    virtual void setNeedsDisplayInRect(Rect rect);
    Rect dirtyRect() const { return dirty_; }
    virtual void drawRect(Rect dirty);
    // Draws this view now (its subviews on the next pass), into a recording kept as its display list.
    void display();
    void displayIfNeeded();
    const DisplayList& displayList() const { return displayList_; }
    int displayCount() const { return displayCount_; }
    // -1 in a dimension: none.
    virtual Size intrinsicContentSize() const { return {-1, -1}; }

    // Layers: a view's layer holds its own look; subviews are not sublayers.
    bool wantsLayer() const { return wantsLayer_; }
    virtual void setWantsLayer(bool flag);
    std::shared_ptr<Layer> layer() const { return layer_; }
    virtual void setLayer(std::shared_ptr<Layer> layer);
    virtual std::shared_ptr<Layer> makeBackingLayer();
    bool canDrawSubviewsIntoLayer() const { return drawSubviewsIntoLayer_; }
    void setCanDrawSubviewsIntoLayer(bool flag) { drawSubviewsIntoLayer_ = flag; }
    virtual void updateLayer() {}
    // Whether the layer applies its filters (stored; nothing is filtered here).
    bool layerUsesCoreImageFilters() const { return layerUsesFilters_; }
    void setLayerUsesCoreImageFilters(bool flag) { layerUsesFilters_ = flag; }
    // The appearance the view asks for ("NSAppearanceNameVibrantDark" ...); empty: its window's.
    const std::string& appearanceName() const { return appearanceName_; }
    void setAppearanceName(std::string name) { appearanceName_ = std::move(name); }

    // Animations through the animation context.
    ViewAnimator animator();

    // Scrolling.
    std::shared_ptr<ScrollView> enclosingScrollView() const;
    ClipView* enclosingClipView() const;
    // Scrolls the nearest clip view so that the point of this view is at its origin (clamped).
    void scrollPoint(Point p);
    bool scrollRectToVisible(Rect r);

    // Tracking areas.
    void addTrackingArea(const std::shared_ptr<TrackingArea>& area);
    void removeTrackingArea(const std::shared_ptr<TrackingArea>& area);
    const std::vector<std::shared_ptr<TrackingArea>>& trackingAreas() const { return trackingAreas_; }
    virtual void updateTrackingAreas() {}

    // Key-equivalent search: depth-first over the subviews.
    bool performKeyEquivalent(const Event& e) override;
    std::shared_ptr<Responder> nextResponder() const override;

    // Dragging destination.
    void registerForDraggedTypes(std::vector<std::string> types) { draggedTypes_ = std::move(types); }
    void unregisterDraggedTypes() { draggedTypes_.clear(); }
    const std::vector<std::string>& registeredDraggedTypes() const { return draggedTypes_; }
    virtual unsigned draggingEntered(const DraggingInfo&) { return kDragOperationNone; }
    virtual unsigned draggingUpdated(const DraggingInfo&) { return kDragOperationNone; }
    virtual void draggingExited(const DraggingInfo*) {}
    virtual bool prepareForDragOperation(const DraggingInfo&) { return true; }
    virtual bool performDragOperation(const DraggingInfo&) { return false; }
    virtual void concludeDragOperation(const DraggingInfo&) {}
    virtual void draggingEnded(const DraggingInfo&) {}
    virtual bool wantsPeriodicDraggingUpdates() { return true; }

    // Accessibility.
    virtual bool accessibilityIsIgnored() { return true; }
    virtual std::vector<std::string> accessibilityAttributeNames() { return {}; }
    virtual platform::Value accessibilityAttributeValue(const std::string&) { return {}; }
    virtual bool accessibilityIsAttributeSettable(const std::string&) { return false; }
    virtual void accessibilitySetValue_forAttribute(const platform::Value&, const std::string&) {}
    virtual std::vector<std::string> accessibilityActionNames() { return {}; }
    virtual void accessibilityPerformAction(const std::string&) {}
    virtual std::shared_ptr<UIObject> accessibilityHitTest(Point) { return sharedAs<UIObject>(); }

    // Live resizing by the user: there is no user dragging window edges here, so never in progress.
    bool inLiveResize() const { return false; }
    virtual void viewWillStartLiveResize() {}
    virtual void viewDidEndLiveResize() {}

    // Focus.
    virtual bool canBecomeKeyView() { return acceptsFirstResponder() && !isHiddenOrHasHiddenAncestor(); }
    virtual Rect focusRingMaskBounds() const { return bounds_; }
    // The shape the focus ring goes around, filled in the view's space; none, no ring.
    virtual void drawFocusRingMask() {}
    FocusRingType focusRingType() const { return focusRingType_; }
    void setFocusRingType(FocusRingType type) { focusRingType_ = type, setNeedsDisplay(true); }
    // Whether the view takes typed text, and so keyboard focus whatever the keyboard-access setting.
    virtual bool needsPanelToBecomeKey() const { return false; }
    // Whether the ring shows now: the view is its key window's first responder and still accepts it, its
    // ring type is not None, and it takes typed text or full keyboard access is on (other controls take
    // focus only from the keyboard).
    bool showsFocusRing();
    // Draws the platform's focus ring around the mask into the current context when it shows; the
    // display pass and the renderer call it after the view's own drawing.
    void drawFocusRingIfShown();

    // Snapshots through the installed renderer.
    std::shared_ptr<Image> bitmapImageRepForCachingDisplayInRect(Rect rect);
    void cacheDisplayInRect_toBitmapImageRep(Rect rect, const std::shared_ptr<Image>& image);

    // The controller that owns this view as its view (back-link).
    std::shared_ptr<ViewController> viewController() const { return controller_.lock(); }
    void setViewController(std::weak_ptr<ViewController> controller) { controller_ = std::move(controller); }

    // Internal: the window of a content view (set by the window).
    void setWindowForContentView(const std::shared_ptr<Window>& window);
    std::shared_ptr<View> sharedView() { return std::static_pointer_cast<View>(shared_from_this()); }

private:
    void insertSubviewAt(const std::shared_ptr<View>& view, size_t index);
    void detachSubview(View* view);
    void moveToWindow(const std::shared_ptr<Window>& oldWindow, const std::shared_ptr<Window>& newWindow);
    void updateLayerGeometry();
    void postChange(const char* name);

    Rect frame_;
    Rect bounds_;
    double frameRotation_ = 0;
    unsigned autoresizingMask_ = kViewNotSizable;
    bool autoresizesSubviews_ = true;
    double alpha_ = 1;
    bool hidden_ = false;
    int tag_ = -1;
    std::string identifier_;
    std::string toolTip_;
    View* superview_ = nullptr;
    std::weak_ptr<View> superviewWeak_;
    std::vector<std::shared_ptr<View>> subviews_;
    std::weak_ptr<Window> window_;  // for a content view; others ask their superview
    bool needsLayout_ = true;
    bool needsDisplay_ = true;
    Rect dirty_;
    DisplayList displayList_;
    int displayCount_ = 0;
    bool wantsLayer_ = false;
    std::shared_ptr<Layer> layer_;
    bool drawSubviewsIntoLayer_ = false;
    bool layerUsesFilters_ = false;
    std::string appearanceName_;
    std::vector<std::shared_ptr<TrackingArea>> trackingAreas_;
    std::vector<std::string> draggedTypes_;
    std::weak_ptr<ViewController> controller_;
    bool fromNib_ = false;
    FocusRingType focusRingType_ = FocusRingType::Default;
    bool postsBounds_ = false;
    bool postsFrame_ = false;
};

// Changes made through a view's animator: the model value is set at once (through the view's own
// setters) and the change is recorded with the current animation group's timing.
class ViewAnimator {
public:
    explicit ViewAnimator(std::shared_ptr<View> view) : view_(std::move(view)) {}
    void setFrame(Rect frame);
    void setFrameOrigin(Point origin);
    void setFrameSize(Size size);
    void setAlphaValue(double alpha);
    void setBoundsOrigin(Point origin);

private:
    std::shared_ptr<View> view_;
};

}  // namespace platform::ui
