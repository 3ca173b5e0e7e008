#include "platform/ui/View.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::ui {

View::View() = default;

View::~View() {
    for (auto& sub : subviews_) sub->superview_ = nullptr;
}

void View::initWithFrame(Rect frame) {
    frame_ = frame;
    bounds_ = {{0, 0}, frame.size};
}

// The layout path does not go through initWithFrame: classes that set themselves up differently on the
// two paths override each.
void View::initFromNib(NibArgs& args) {
    fromNib_ = true;
    frame_ = args.frame;
    bounds_ = {{0, 0}, args.frame.size};
}

// Geometry ------------------------------------------------------------------------------------------

void View::setFrame(Rect frame) {
    const Rect old = frame_;
    if (old == frame) return;
    frame_ = frame;
    setNeedsLayout(true);
    if (old.size != frame.size) {
        bounds_.size = frame.size;
        if (autoresizesSubviews_) resizeSubviewsWithOldSize(old.size);
        setNeedsDisplay(true);
    }
    updateLayerGeometry();
    if (window()) updateTrackingAreas();
    if (postsFrame_) postChange(kFrameDidChangeNotification);
}

void View::postChange(const char* name) {
    // Observers filter on the sender; the object carries the view itself.
    platform::NotificationCenter::defaultCenter().post(name, this, {},
                                                       platform::Value(weak_from_this().lock()));
}

void View::setFrameOrigin(Point origin) {
    setFrame({origin, frame_.size});
}

void View::setFrameSize(Size size) {
    setFrame({frame_.origin, size});
}

void View::setBounds(Rect bounds) {
    if (bounds_ == bounds) return;
    bounds_ = bounds;
    setNeedsDisplay(true);
    if (postsBounds_) postChange(kBoundsDidChangeNotification);
}

void View::setBoundsOrigin(Point origin) {
    setBounds({origin, bounds_.size});
}

void View::setBoundsSize(Size size) {
    setBounds({bounds_.origin, size});
}

void View::setFrameRotation(double degrees) {
    frameRotation_ = degrees;
    if (superview_) superview_->setNeedsDisplay(true);
}

Rect View::visibleRect() const {
    // The bounds, cut down by every enclosing view's bounds on the way up.
    Rect visible = bounds_;
    const View* child = this;
    for (const View* v = superview_; v; child = v, v = v->superview_) {
        const Rect inParent = child->convertRect_toView(visible, v);
        const Rect cut = inParent.intersection(v->bounds_);
        if (cut.isEmpty()) return {};
        visible = child->convertRect_fromView(cut, v);
    }
    return visible;
}

void View::resizeSubviewsWithOldSize(Size oldSize) {
    for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_))
        sub->resizeWithOldSuperviewSize(oldSize);
}

void View::resizeWithOldSuperviewSize(Size old) {
    if (!superview_ || autoresizingMask_ == kViewNotSizable) return;
    const Size now = superview_->frame_.size;
    const double dw = now.width - old.width, dh = now.height - old.height;
    const unsigned m = autoresizingMask_;
    auto share = [](double delta, bool a, bool b, bool c) {
        const int parts = int(a) + int(b) + int(c);
        return parts == 0 ? 0.0 : delta / parts;
    };
    Rect f = frame_;
    const double xs = share(dw, m & kViewMinXMargin, m & kViewWidthSizable, m & kViewMaxXMargin);
    // In a flipped superview the bottom margin is the one at larger y.
    const bool flipped = superview_->isFlipped();
    const bool lowMargin = flipped ? (m & kViewMaxYMargin) : (m & kViewMinYMargin);
    const bool highMargin = flipped ? (m & kViewMinYMargin) : (m & kViewMaxYMargin);
    const double ys = share(dh, lowMargin, m & kViewHeightSizable, highMargin);
    if (m & kViewMinXMargin) f.origin.x += xs;
    if (m & kViewWidthSizable) f.size.width += xs;
    if (lowMargin) f.origin.y += ys;
    if (m & kViewHeightSizable) f.size.height += ys;
    setFrame(f);
}

// Look ------------------------------------------------------------------------------------------------

void View::setAlphaValue(double alpha) {
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    if (layer_) layer_->setOpacity(alpha_);
    if (superview_) superview_->setNeedsDisplay(true);
}

void View::setHidden(bool hidden) {
    if (hidden_ == hidden) return;
    hidden_ = hidden;
    if (layer_) layer_->setHidden(hidden);
    if (hidden) {
        // A hidden view gives up first responder, as on the platform.
        if (auto w = window(); w && w->firstResponder()) {
            auto* fr = dynamic_cast<View*>(w->firstResponder().get());
            if (fr && fr->isDescendantOf(this)) w->makeFirstResponder(nullptr);
        }
    } else {
        setNeedsDisplay(true);
    }
}

bool View::isHiddenOrHasHiddenAncestor() const {
    for (const View* v = this; v; v = v->superview_)
        if (v->hidden_) return true;
    return false;
}

// Tree ------------------------------------------------------------------------------------------------

std::shared_ptr<View> View::superviewPtr() const {
    return superviewWeak_.lock();
}

std::shared_ptr<Window> View::window() const {
    const View* v = this;
    while (v->superview_) v = v->superview_;
    return v->window_.lock();
}

void View::setWindowForContentView(const std::shared_ptr<Window>& window) {
    auto old = this->window();
    window_ = window;
    if (old != window) moveToWindow(old, window);
}

bool View::isDescendantOf(const View* view) const {
    for (const View* v = this; v; v = v->superview_)
        if (v == view) return true;
    return false;
}

std::shared_ptr<View> View::viewWithTag(int tag) {
    if (tag_ == tag) return sharedView();
    for (const auto& sub : subviews_)
        if (auto found = sub->viewWithTag(tag)) return found;
    return nullptr;
}

void View::addSubview(const std::shared_ptr<View>& view) {
    if (!view) return;
    insertSubviewAt(view, SIZE_MAX);
}

void View::addSubview_positioned_relativeTo(const std::shared_ptr<View>& view, WindowOrderingMode place,
                                            const View* other) {
    if (!view) return;
    size_t index = place == WindowOrderingMode::Below ? 0 : SIZE_MAX;
    if (other) {
        for (size_t i = 0; i < subviews_.size(); ++i) {
            if (subviews_[i].get() != other) continue;
            index = place == WindowOrderingMode::Below ? i : i + 1;
            break;
        }
    }
    insertSubviewAt(view, index);
}

void View::insertSubviewAt(const std::shared_ptr<View>& view, size_t index) {
    if (view.get() == this || isDescendantOf(view.get())) return;  // a view cannot contain its ancestor
    auto keep = view;
    const auto oldWindow = keep->window();
    if (keep->superview_) keep->superview_->detachSubview(keep.get());
    keep->window_.reset();
    keep->viewWillMoveToSuperview(this);
    // The position is counted after the view left its old place (it may have been one of ours).
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + index, keep);
    keep->superview_ = this;
    keep->superviewWeak_ = sharedView();
    const auto newWindow = window();
    if (oldWindow != newWindow) keep->moveToWindow(oldWindow, newWindow);
    keep->viewDidMoveToSuperview();
    didAddSubview(keep.get());
    setNeedsLayout(true);
    keep->setNeedsDisplay(true);
}

void View::detachSubview(View* view) {
    willRemoveSubview(view);
    auto it =
        std::find_if(subviews_.begin(), subviews_.end(), [view](const auto& s) { return s.get() == view; });
    if (it == subviews_.end()) return;
    auto keep = *it;
    subviews_.erase(it);
    keep->superview_ = nullptr;
    keep->superviewWeak_.reset();
    setNeedsLayout(true);
    setNeedsDisplay(true);
}

void View::removeFromSuperview() {
    if (!superview_) return;
    auto keep = sharedView();  // the superview held the last reference, perhaps
    const auto oldWindow = window();
    viewWillMoveToSuperview(nullptr);
    superview_->detachSubview(this);
    if (oldWindow) moveToWindow(oldWindow, nullptr);
    viewDidMoveToSuperview();
}

void View::replaceSubview_with(const View* old, const std::shared_ptr<View>& replacement) {
    for (size_t i = 0; i < subviews_.size(); ++i) {
        if (subviews_[i].get() != old) continue;
        subviews_[i]->removeFromSuperview();
        if (replacement) insertSubviewAt(replacement, i);
        return;
    }
}

void View::setSubviews(const std::vector<std::shared_ptr<View>>& views) {
    for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) {
        if (std::find(views.begin(), views.end(), sub) == views.end()) sub->removeFromSuperview();
    }
    for (const auto& v : views) addSubview(v);
}

void View::moveToWindow(const std::shared_ptr<Window>& oldWindow, const std::shared_ptr<Window>& newWindow) {
    const bool wasVisible = oldWindow && oldWindow->isVisible();
    const bool isVisible = newWindow && newWindow->isVisible();
    if (oldWindow) oldWindow->viewWillLeave(*this);
    std::function<void(View&)> walk = [&](View& v) {
        v.viewWillMoveToWindow(newWindow.get());
        for (const auto& sub : std::vector<std::shared_ptr<View>>(v.subviews_)) walk(*sub);
        v.viewDidMoveToWindow();
        if (newWindow) v.updateTrackingAreas();
    };
    walk(*this);
    if (wasVisible && (!isVisible || oldWindow != newWindow)) ViewController::treeDidDisappear(*this);
    if (isVisible && (!wasVisible || oldWindow != newWindow)) ViewController::treeDidAppear(*this);
}

// Coordinates -------------------------------------------------------------------------------------------

Point View::pointFromSuperview(Point p) const {
    const bool superFlipped = superview_ && superview_->isFlipped();
    const double dx = p.x - frame_.minX();
    const double dyTop = superFlipped ? p.y - frame_.minY() : frame_.maxY() - p.y;
    return {bounds_.minX() + dx, bounds_.minY() + (isFlipped() ? dyTop : frame_.height() - dyTop)};
}

Point View::pointToSuperview(Point p) const {
    const bool superFlipped = superview_ && superview_->isFlipped();
    const double dx = p.x - bounds_.minX();
    const double local = p.y - bounds_.minY();
    const double dyTop = isFlipped() ? local : frame_.height() - local;
    return {frame_.minX() + dx, superFlipped ? frame_.minY() + dyTop : frame_.maxY() - dyTop};
}

namespace {
Point toWindowSpace(const View* v, Point p) {
    for (; v; v = v->superview()) p = v->pointToSuperview(p);
    return p;
}
Point fromWindowSpace(const View* v, Point p) {
    std::vector<const View*> chain;
    for (; v; v = v->superview()) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = (*it)->pointFromSuperview(p);
    return p;
}
Rect normalised(Point a, Point b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}
}  // namespace

Point View::convertPoint_fromView(Point p, const View* view) const {
    return fromWindowSpace(this, view ? toWindowSpace(view, p) : p);
}

Point View::convertPoint_toView(Point p, const View* view) const {
    const Point w = toWindowSpace(this, p);
    return view ? fromWindowSpace(view, w) : w;
}

Rect View::convertRect_fromView(Rect r, const View* view) const {
    return normalised(convertPoint_fromView(r.origin, view),
                      convertPoint_fromView({r.maxX(), r.maxY()}, view));
}

Rect View::convertRect_toView(Rect r, const View* view) const {
    return normalised(convertPoint_toView(r.origin, view), convertPoint_toView({r.maxX(), r.maxY()}, view));
}

Size View::convertSize_toView(Size s, const View* view) const {
    return convertRect_toView({{0, 0}, s}, view).size;
}

View* View::hitTest(Point p) {
    if (hidden_) return nullptr;
    if (!frame_.contains(p)) return nullptr;
    const Point local = pointFromSuperview(p);
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it)
        if (View* hit = (*it)->hitTest(local)) return hit;
    return this;
}

// Layout and display -------------------------------------------------------------------------------------

void View::setNeedsLayout(bool flag) {
    needsLayout_ = flag;
}

void View::layoutSubtreeIfNeeded() {
    if (hidden_) return;
    if (needsLayout_) {
        needsLayout_ = false;
        layout();
    }
    for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) sub->layoutSubtreeIfNeeded();
}

void View::setNeedsDisplay(bool flag) {
    needsDisplay_ = flag;
    dirty_ = flag ? bounds_ : Rect{};
}

void View::setNeedsDisplayInRect(Rect rect) {
    needsDisplay_ = true;
    dirty_ = dirty_.unionWith(rect.intersection(bounds_).isEmpty() ? rect : rect.intersection(bounds_));
}

void View::drawRect(Rect) {}

void View::display() {
    RecordingContext context(isFlipped());
    const Rect dirty = needsDisplay_ && !dirty_.isEmpty() ? dirty_ : bounds_;
    needsDisplay_ = false;
    dirty_ = {};
    {
        GraphicsContext::Scope scope(&context);
        drawRect(dirty);
        drawFocusRingIfShown();
    }
    displayList_ = context.takeDisplayList();
    ++displayCount_;
    if (layer_) {
        std::function<void(Layer&)> show = [&](Layer& l) {
            l.displayIfNeeded();
            for (const auto& sub : l.sublayers()) show(*sub);
        };
        show(*layer_);
    }
}

bool View::showsFocusRing() {
    // Asked of every view drawn: the cheap refusals first.
    if (focusRingType_ == FocusRingType::None) return false;
    auto w = window();
    if (!w || w->firstResponder().get() != this || !w->isKeyWindow()) return false;
    if (isHiddenOrHasHiddenAncestor() || !acceptsFirstResponder()) return false;
    return needsPanelToBecomeKey() || Application::shared().isFullKeyboardAccessEnabled();
}

void View::drawFocusRingIfShown() {
    auto* context = GraphicsContext::current();
    if (!context || !showsFocusRing()) return;
    context->saveGState();
    context->drawFocusRing(
        focusRingMaskBounds(), [this] { drawFocusRingMask(); }, Color::keyboardFocusIndicatorColor());
    context->restoreGState();
}

void View::displayIfNeeded() {
    if (hidden_) return;
    if (needsDisplay_) display();
    for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) sub->displayIfNeeded();
}

// Layers ------------------------------------------------------------------------------------------------

void View::setWantsLayer(bool flag) {
    wantsLayer_ = flag;
    if (flag && !layer_) setLayer(makeBackingLayer());
}

std::shared_ptr<Layer> View::makeBackingLayer() {
    return Layer::layer();
}

void View::setLayer(std::shared_ptr<Layer> layer) {
    layer_ = std::move(layer);
    if (!layer_) return;
    layer_->setViewBacking(true);
    // The layer takes the view's alpha and hidden state, which it keeps in step from now on.
    layer_->setOpacity(alpha_);
    layer_->setHidden(hidden_);
    updateLayerGeometry();
}

void View::updateLayerGeometry() {
    if (!layer_) return;
    // The view's own layer follows the view's frame; it animates only inside an animation group, which
    // the layer decides for itself.
    layer_->setAnchorPoint({0, 0});
    layer_->setBounds({{0, 0}, frame_.size});
    layer_->setPosition(frame_.origin);
}

ViewAnimator View::animator() {
    return ViewAnimator(sharedView());
}

// Scrolling ---------------------------------------------------------------------------------------------

ClipView* View::enclosingClipView() const {
    for (View* v = superview_; v; v = v->superview_)
        if (auto* clip = dynamic_cast<ClipView*>(v)) return clip;
    return nullptr;
}

std::shared_ptr<ScrollView> View::enclosingScrollView() const {
    for (View* v = superview_; v; v = v->superview_)
        if (dynamic_cast<ScrollView*>(v)) return std::static_pointer_cast<ScrollView>(v->sharedView());
    return nullptr;
}

void View::scrollPoint(Point p) {
    auto* clip = enclosingClipView();
    if (!clip) return;
    clip->scrollToPoint(convertPoint_toView(p, clip));
}

bool View::scrollRectToVisible(Rect r) {
    auto* clip = enclosingClipView();
    if (!clip) return false;
    const Rect target = convertRect_toView(r, clip);
    const Rect visible = clip->bounds();
    Point origin = visible.origin;
    auto axis = [](double lo, double hi, double vlo, double vsize, double current) {
        if (hi - lo > vsize || lo < vlo) return lo;
        if (hi > vlo + vsize) return hi - vsize;
        return current;
    };
    origin.x = axis(target.minX(), target.maxX(), visible.minX(), visible.width(), origin.x);
    origin.y = axis(target.minY(), target.maxY(), visible.minY(), visible.height(), origin.y);
    if (origin == visible.origin) return false;
    clip->scrollToPoint(origin);
    return clip->bounds().origin != visible.origin;
}

// Tracking areas ------------------------------------------------------------------------------------------

void View::addTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    if (area && std::find(trackingAreas_.begin(), trackingAreas_.end(), area) == trackingAreas_.end())
        trackingAreas_.push_back(area);
}

void View::removeTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    std::erase(trackingAreas_, area);
}

// Responder chain -------------------------------------------------------------------------------------------

bool View::performKeyEquivalent(const Event& e) {
    for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_))
        if (!sub->isHidden() && sub->performKeyEquivalent(e)) return true;
    return false;
}

std::shared_ptr<Responder> View::nextResponder() const {
    if (auto explicitNext = Responder::nextResponder()) return explicitNext;
    if (auto parent = superviewWeak_.lock()) return parent;
    if (!superview_) {
        if (auto w = window_.lock()) return w;
    }
    return nullptr;
}

// Snapshots
// -----------------------------------------------------------------------------------------------------

std::shared_ptr<Image> View::bitmapImageRepForCachingDisplayInRect(Rect rect) {
    return Image::create(rect.size);
}

void View::cacheDisplayInRect_toBitmapImageRep(Rect rect, const std::shared_ptr<Image>& image) {
    if (!image) return;
    auto* renderer = Renderer::current();
    if (!renderer) {
        platform::logf("View: no renderer is installed; the cached image has no pixels");
        return;
    }
    auto w = window();
    const double scale = w ? w->backingScaleFactor() : Screen::mainScreen()->backingScaleFactor();
    image->setBitmap(renderer->renderView(*this, rect, scale));
}

// Animator
// ------------------------------------------------------------------------------------------------------

void ViewAnimator::setFrame(Rect frame) {
    const Rect from = view_->frame();
    view_->setFrame(frame);
    AnimationContext::record(view_, "frame", from, frame);
}

void ViewAnimator::setFrameOrigin(Point origin) {
    const Point from = view_->frame().origin;
    view_->setFrameOrigin(origin);
    AnimationContext::record(view_, "frameOrigin", from, origin);
}

void ViewAnimator::setFrameSize(Size size) {
    const Size from = view_->frame().size;
    view_->setFrameSize(size);
    AnimationContext::record(view_, "frameSize", from, size);
}

void ViewAnimator::setAlphaValue(double alpha) {
    const double from = view_->alphaValue();
    view_->setAlphaValue(alpha);
    AnimationContext::record(view_, "alphaValue", from, view_->alphaValue());
}

void ViewAnimator::setBoundsOrigin(Point origin) {
    const Point from = view_->bounds().origin;
    view_->setBoundsOrigin(origin);
    AnimationContext::record(view_, "boundsOrigin", from, origin);
}

}  // namespace platform::ui
