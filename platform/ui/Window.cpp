#include "platform/ui/Window.h"

#include <algorithm>
#include <functional>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Popover.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WindowController.h"

namespace platform::ui {

std::shared_ptr<Window> Window::create(Rect contentRect, unsigned style) {
    auto w = std::make_shared<Window>();
    w->initWithContentRect_styleMask_backing_defer(contentRect, style, 2, false);
    return w;
}

std::shared_ptr<Panel> Panel::create(Rect contentRect, unsigned style) {
    auto p = std::make_shared<Panel>();
    p->initWithContentRect_styleMask_backing_defer(contentRect, style, 2, false);
    return p;
}

Window::Window() = default;

Window::~Window() {
    if (contentView_) contentView_->setWindowForContentView(nullptr);
}

void Window::initWithContentRect_styleMask_backing_defer(Rect contentRect, unsigned style, int, bool) {
    style_ = style;
    frame_ = frameRectForContentRect(contentRect);
    Application::shared().registerWindow(sharedWindow());
    setContentView(View::create({{0, 0}, contentRect.size}));
}

void Window::initWithContentRect_styleMask_backing_defer_screen(Rect contentRect, unsigned style, int backing,
                                                                bool defer,
                                                                const std::shared_ptr<Screen>& screen) {
    const Rect on = (screen ? screen : Screen::mainScreen())->frame();
    initWithContentRect_styleMask_backing_defer(contentRect.offsetBy(on.minX(), on.minY()), style, backing,
                                                defer);
}

void Window::initFromNib(NibArgs& args) {
    initWithContentRect_styleMask_backing_defer(args.frame, args.windowStyle, 2, false);
}

Rect Window::contentRectForFrameRect(Rect frame) const {
    if ((style_ & kWindowStyleTitled) && !(style_ & kWindowStyleFullSizeContentView))
        frame.size.height -= kTitleBarHeight;
    return frame;
}

Rect Window::frameRectForContentRect(Rect content) const {
    if ((style_ & kWindowStyleTitled) && !(style_ & kWindowStyleFullSizeContentView))
        content.size.height += kTitleBarHeight;
    return content;
}

Rect Window::contentFrame() const {
    return {{0, 0}, contentRectForFrameRect(frame_).size};
}

void Window::setFrame_display(Rect frame, bool display) {
    const Rect old = frame_;
    frame_ = frame;
    if (contentView_) contentView_->setFrame(contentFrame());
    if (display && contentView_) contentView_->setNeedsDisplay(true);
    if (old.size != frame.size) {
        if (auto d = delegate()) d->windowDidResize(*this);
        platform::NotificationCenter::defaultCenter().post(kDidResizeNotification, this);
    }
    if (old.origin != frame.origin) {
        if (auto d = delegate()) d->windowDidMove(*this);
    }
}

void Window::setContentSize(Size size) {
    const Rect content = frameRectForContentRect({frame_.origin, size});
    // The top edge stays where it was.
    setFrame({frame_.minX(), frame_.maxY() - content.height(), content.width(), content.height()});
}

void Window::setStyleMask(unsigned style) {
    const Rect content = contentRectForFrameRect(frame_);
    style_ = style;
    frame_ = frameRectForContentRect(content);
}

void Window::center() {
    const Rect s = Screen::mainScreen()->visibleFrame();
    setFrameOrigin({s.midX() - frame_.width() / 2, s.minY() + (s.height() - frame_.height()) * 2 / 3});
}

std::shared_ptr<Screen> Window::screen() const {
    std::shared_ptr<Screen> best;
    double bestArea = 0;
    for (const auto& s : Screen::screens()) {
        const Rect overlap = s->frame().intersection(frame_);
        const double area = overlap.width() * overlap.height();
        if (area > bestArea) bestArea = area, best = s;
    }
    return best ? best : Screen::mainScreen();
}

double Window::backingScaleFactor() const {
    return screen()->backingScaleFactor();
}

void Window::setContentView(const std::shared_ptr<View>& view) {
    if (view == contentView_) return;
    auto old = contentView_;
    if (old) {
        contentView_ = nullptr;
        old->setWindowForContentView(nullptr);
    }
    if (!view) return;
    view->removeFromSuperview();
    contentView_ = view;
    view->setFrame(contentFrame());
    view->setWindowForContentView(sharedWindow());
    view->setNeedsLayout(true);
    view->setNeedsDisplay(true);
}

void Window::setAlphaValue(double alpha) {
    alpha_ = std::clamp(alpha, 0.0, 1.0);
}

// Ordering
// ---------------------------------------------------------------------------------------------------

void Window::orderFront(Responder*) {
    auto self = sharedWindow();
    Application::shared().windowDidOrderIn(self);
    if (visible_) return;
    visible_ = true;
    if (contentView_) {
        contentView_->setNeedsDisplay(true);
        ViewController::treeDidAppear(*contentView_);
    }
}

void Window::orderOut(Responder*) {
    if (!visible_) return;
    auto self = sharedWindow();
    visible_ = false;
    Application::shared().windowDidOrderOut(this);
    if (contentView_) ViewController::treeDidDisappear(*contentView_);
}

void Window::makeKeyAndOrderFront(Responder* sender) {
    orderFront(sender);
    makeKeyWindow();
    makeMainWindow();
}

void Window::makeKeyWindow() {
    if (!canBecomeKeyWindow()) return;
    Application::shared().setKeyWindow(sharedWindow());
}

void Window::makeMainWindow() {
    if (canBecomeMainWindow()) Application::shared().setMainWindow(sharedWindow());
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow().get() == this;
}

bool Window::isMainWindow() const {
    return Application::shared().mainWindow().get() == this;
}

void Window::performClose(Responder*) {
    if (auto d = delegate(); d && !d->windowShouldClose(*this)) return;
    close();
}

void Window::close() {
    auto self = sharedWindow();
    if (auto d = delegate()) d->windowWillClose(*this);
    platform::NotificationCenter::defaultCenter().post(kWillCloseNotification, this);
    orderOut(nullptr);
}

// Responders
// ---------------------------------------------------------------------------------------------------

std::shared_ptr<Responder> Window::firstResponder() const {
    if (windowIsFirstResponder_)
        return std::static_pointer_cast<Responder>(std::const_pointer_cast<Object>(shared_from_this()));
    if (auto r = firstResponder_.lock()) return r;
    return std::static_pointer_cast<Responder>(std::const_pointer_cast<Object>(shared_from_this()));
}

void Window::firstResponderNeedsDisplay() const {
    // Its focus ring comes or goes.
    if (auto* view = dynamic_cast<View*>(firstResponder_.lock().get())) view->setNeedsDisplay(true);
}

bool Window::makeFirstResponder(const std::shared_ptr<Responder>& responder) {
    auto current = firstResponder();
    if (current == responder) return true;
    firstResponderNeedsDisplay();
    struct AfterChange {
        const Window& window;
        ~AfterChange() { window.firstResponderNeedsDisplay(); }
    } afterChange{*this};
    if (current && current.get() != this && !current->resignFirstResponder()) return false;
    if (!responder || responder.get() == this) {
        windowIsFirstResponder_ = true;
        firstResponder_.reset();
        return true;
    }
    if (!responder->acceptsFirstResponder() || !responder->becomeFirstResponder()) {
        windowIsFirstResponder_ = true;
        firstResponder_.reset();
        return false;
    }
    windowIsFirstResponder_ = false;
    firstResponder_ = responder;
    return true;
}

std::shared_ptr<Responder> Window::nextResponder() const {
    if (auto explicitNext = Responder::nextResponder()) return explicitNext;
    return controller_.lock();
}

void Window::setWindowController(std::weak_ptr<WindowController> controller) {
    controller_ = std::move(controller);
}

void Window::viewWillLeave(View& view) {
    if (auto* fr = dynamic_cast<View*>(firstResponder_.lock().get()); fr && fr->isDescendantOf(&view))
        makeFirstResponder(nullptr);
    if (auto down = mouseDownView_.lock(); down && down->isDescendantOf(&view)) mouseDownView_.reset();
}

// Events ---------------------------------------------------------------------------------------------------

void Window::sendEvent(const Event& event) {
    auto self = sharedWindow();
    auto& app = Application::shared();
    app.setCurrentEvent(event);
    mouse_ = event.locationInWindow;
    switch (event.type) {
        case EventType::LeftMouseDown:
        case EventType::RightMouseDown: {
            // A click anywhere but in a transient popover closes it.
            Popover::windowDidReceiveMouseDown(*this);
            if (ignoresMouse_ || !contentView_) break;
            if (!isKeyWindow()) makeKeyWindow();
            View* hit = contentView_->hitTest(event.locationInWindow);
            if (!hit) break;
            auto view = hit->sharedView();
            if (event.type == EventType::LeftMouseDown) {
                if (view->acceptsFirstResponder()) makeFirstResponder(view);
                mouseDownView_ = view;
                view->mouseDown(event);
            } else {
                rightMouseDownView_ = view;
                view->rightMouseDown(event);
            }
            break;
        }
        case EventType::LeftMouseDragged:
            if (auto v = mouseDownView_.lock()) v->mouseDragged(event);
            break;
        case EventType::LeftMouseUp:
            if (auto v = mouseDownView_.lock()) {
                mouseDownView_.reset();
                v->mouseUp(event);
            }
            break;
        case EventType::RightMouseDragged:
            if (auto v = rightMouseDownView_.lock()) v->rightMouseDragged(event);
            break;
        case EventType::RightMouseUp:
            if (auto v = rightMouseDownView_.lock()) {
                rightMouseDownView_.reset();
                v->rightMouseUp(event);
            }
            break;
        case EventType::MouseMoved:
            deliverMouseMoved(event);
            break;
        case EventType::ScrollWheel:
            if (contentView_)
                if (View* hit = contentView_->hitTest(event.locationInWindow)) hit->scrollWheel(event);
            break;
        case EventType::KeyDown:
            if (performKeyEquivalent(event)) break;
            firstResponder()->keyDown(event);
            break;
        case EventType::KeyUp:
            firstResponder()->keyUp(event);
            break;
        case EventType::FlagsChanged:
            firstResponder()->flagsChanged(event);
            break;
        case EventType::MouseEntered:
        case EventType::MouseExited:
            break;
    }
    // The event stays the current one until the next, as the platform keeps it.
    app.updateWindows();
}

void Window::deliverMouseMoved(const Event& event) {
    if (!contentView_) return;
    auto& app = Application::shared();
    struct Hit {
        std::shared_ptr<View> view;
        std::shared_ptr<TrackingArea> area;
    };
    std::vector<Hit> areas;
    std::function<void(const std::shared_ptr<View>&)> collect = [&](const std::shared_ptr<View>& v) {
        if (v->isHidden()) return;
        for (const auto& a : v->trackingAreas()) areas.push_back({v, a});
        for (const auto& sub : v->subviews()) collect(sub);
    };
    collect(contentView_);
    for (const auto& [view, area] : areas) {
        const unsigned o = area->options();
        const bool active = (o & kTrackingActiveAlways) ||
                            ((o & kTrackingActiveInActiveApp) && app.isActive()) ||
                            ((o & kTrackingActiveInKeyWindow) && isKeyWindow());
        if (!active) continue;
        const Rect rect = (o & kTrackingInVisibleRect) ? view->visibleRect() : area->rect();
        const bool inside = rect.contains(view->convertPoint_fromView(event.locationInWindow, nullptr));
        auto owner = area->owner();
        if (!owner) continue;
        if ((o & kTrackingMouseEnteredAndExited) && inside != area->isInside()) {
            Event e = event;
            e.type = inside ? EventType::MouseEntered : EventType::MouseExited;
            e.trackingArea = area;
            area->setInside(inside);
            if (inside)
                owner->mouseEntered(e);
            else
                owner->mouseExited(e);
        }
        area->setInside(inside);
        if ((o & kTrackingMouseMoved) && inside) owner->mouseMoved(event);
    }
}

std::optional<Event> Window::nextEventMatchingMask(uint64_t mask) {
    auto e = Application::shared().nextEventMatchingMask(mask);
    if (e) mouse_ = e->locationInWindow;
    return e;
}

bool Window::performKeyEquivalent(const Event& e) {
    return contentView_ && contentView_->performKeyEquivalent(e);
}

void Window::keyDown(const Event& e) {
    Responder::keyDown(e);
}

// Passes ---------------------------------------------------------------------------------------------------

void Window::layoutIfNeeded() {
    if (contentView_) contentView_->layoutSubtreeIfNeeded();
}

void Window::displayIfNeeded() {
    if (contentView_) contentView_->displayIfNeeded();
}

void Window::display() {
    std::function<void(View&)> all = [&](View& v) {
        if (v.isHidden()) return;
        v.display();
        for (const auto& sub : std::vector<std::shared_ptr<View>>(v.subviews())) all(*sub);
    };
    if (contentView_) all(*contentView_);
}

void Window::update() {
    if (auto d = delegate()) d->windowDidUpdate(*this);
}

void Window::Animator::setFrame(Rect frame) {
    const Rect from = window_->frame();
    window_->setFrame(frame);
    AnimationContext::record(window_, "frame", from, frame);
}

void Window::Animator::setAlphaValue(double alpha) {
    const double from = window_->alphaValue();
    window_->setAlphaValue(alpha);
    AnimationContext::record(window_, "alphaValue", from, window_->alphaValue());
}

}  // namespace platform::ui
