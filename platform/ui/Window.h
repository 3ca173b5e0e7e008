#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Color.h"
#include "platform/ui/Responder.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Screen;
class WindowController;

enum : unsigned {
    kWindowStyleBorderless = 0,
    kWindowStyleTitled = 1 << 0,
    kWindowStyleClosable = 1 << 1,
    kWindowStyleMiniaturizable = 1 << 2,
    kWindowStyleResizable = 1 << 3,
    kWindowStyleNonactivatingPanel = 1 << 7,
    kWindowStyleFullSizeContentView = 1 << 15,
};

// What a window tells its delegate. Every operation is optional: the defaults do nothing.
class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    virtual void windowDidUpdate(Window&) {}
    virtual void windowDidBecomeKey(Window&) {}
    virtual void windowDidResignKey(Window&) {}
    virtual void windowDidResize(Window&) {}
    virtual void windowDidMove(Window&) {}
    virtual bool windowShouldClose(Window&) { return true; }
    virtual void windowWillClose(Window&) {}
};

// A window: a frame in screen space, a content view, ordering, key status and event delivery. There is
// no window server: a window is "on screen" while the application holds it ordered in.
class Window : public Responder {
public:
    static constexpr double kTitleBarHeight = 22;
    static constexpr const char* kWillCloseNotification = "NSWindowWillCloseNotification";
    static constexpr const char* kDidResizeNotification = "NSWindowDidResizeNotification";

    static std::shared_ptr<Window> create(Rect contentRect, unsigned style = kWindowStyleTitled);
    Window();
    ~Window() override;

    virtual void initWithContentRect_styleMask_backing_defer(Rect contentRect, unsigned style, int backing,
                                                             bool defer);
    // The same on a given screen (the main one when none is given): the content rectangle's origin counts
    // from that screen's lower-left corner. The initialiser above then runs, a subclass's included.
    void initWithContentRect_styleMask_backing_defer_screen(Rect contentRect, unsigned style, int backing,
                                                            bool defer,
                                                            const std::shared_ptr<Screen>& screen);
    void initFromNib(NibArgs& args) override;

    // Geometry.
    Rect frame() const { return frame_; }
    virtual void setFrame_display(Rect frame, bool display);
    void setFrame(Rect frame) { setFrame_display(frame, true); }
    void setFrameOrigin(Point origin) { setFrame_display({origin, frame_.size}, true); }
    void setContentSize(Size size);
    Rect contentRectForFrameRect(Rect frame) const;
    Rect frameRectForContentRect(Rect content) const;
    void center();
    std::shared_ptr<Screen> screen() const;
    double backingScaleFactor() const;
    Rect convertRectToScreen(Rect r) const { return r.offsetBy(frame_.minX(), frame_.minY()); }
    Rect convertRectFromScreen(Rect r) const { return r.offsetBy(-frame_.minX(), -frame_.minY()); }
    Point convertPointToScreen(Point p) const { return {p.x + frame_.minX(), p.y + frame_.minY()}; }
    Point convertPointFromScreen(Point p) const { return {p.x - frame_.minX(), p.y - frame_.minY()}; }
    // The pointer's last known place in window space.
    Point mouseLocationOutsideOfEventStream() const { return mouse_; }

    std::shared_ptr<View> contentView() const { return contentView_; }
    virtual void setContentView(const std::shared_ptr<View>& view);

    // Look and behaviour.
    unsigned styleMask() const { return style_; }
    void setStyleMask(unsigned style);
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    enum class TitleVisibility { Visible = 0, Hidden = 1 };
    TitleVisibility titleVisibility() const { return titleVisibility_; }
    void setTitleVisibility(TitleVisibility v) { titleVisibility_ = v; }
    bool titlebarAppearsTransparent() const { return transparentTitlebar_; }
    void setTitlebarAppearsTransparent(bool flag) { transparentTitlebar_ = flag; }
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double alpha);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool flag) { opaque_ = flag; }
    const Color& backgroundColor() const { return background_; }
    void setBackgroundColor(Color color) { background_ = color; }
    bool hasShadow() const { return hasShadow_; }
    void setHasShadow(bool flag) { hasShadow_ = flag; }
    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }
    bool ignoresMouseEvents() const { return ignoresMouse_; }
    void setIgnoresMouseEvents(bool flag) { ignoresMouse_ = flag; }
    bool acceptsMouseMovedEvents() const { return acceptsMouseMoved_; }
    void setAcceptsMouseMovedEvents(bool flag) { acceptsMouseMoved_ = flag; }
    virtual bool isMovableByWindowBackground() const { return movableByBackground_; }
    void setMovableByWindowBackground(bool flag) { movableByBackground_ = flag; }
    bool isReleasedWhenClosed() const { return false; }
    // The blur radius the window server was asked to put behind the window (none: no blur).
    std::optional<double> backgroundBlurRadius() const { return blur_; }
    void setBackgroundBlurRadius(std::optional<double> radius) { blur_ = radius; }
    // The smallest frame the user may resize the window to; code may still set any frame.
    Size minSize() const { return minSize_; }
    void setMinSize(Size size) { minSize_ = size; }
    // The title bar's close, minimise and zoom buttons, each shown unless hidden.
    enum class StandardButton { Close = 0, Miniaturize = 1, Zoom = 2 };
    bool isStandardButtonHidden(StandardButton button) const {
        return (hiddenStandardButtons_ & (1u << static_cast<unsigned>(button))) != 0;
    }
    void setStandardButtonHidden(StandardButton button, bool hidden) {
        const unsigned bit = 1u << static_cast<unsigned>(button);
        hiddenStandardButtons_ = hidden ? (hiddenStandardButtons_ | bit) : (hiddenStandardButtons_ & ~bit);
    }

    // Ordering and key status.
    bool isVisible() const { return visible_; }
    virtual void orderFront(Responder* sender = nullptr);
    void orderFrontRegardless() { orderFront(nullptr); }
    virtual void orderOut(Responder* sender = nullptr);
    virtual void makeKeyAndOrderFront(Responder* sender = nullptr);
    void makeKeyWindow();
    void makeMainWindow();
    bool isKeyWindow() const;
    bool isMainWindow() const;
    // Borderless windows cannot become key unless a subclass says so, as on the platform.
    virtual bool canBecomeKeyWindow() const { return (style_ & kWindowStyleTitled) != 0; }
    virtual bool canBecomeMainWindow() const { return (style_ & kWindowStyleTitled) != 0; }
    virtual void becomeKeyWindow() {}
    virtual void resignKeyWindow() {}
    // Asks the delegate, then closes.
    void performClose(Responder* sender = nullptr);
    virtual void close();

    // Responders.
    std::shared_ptr<Responder> firstResponder() const;
    // Null makes the window itself first responder. Answers false when the current one refuses to resign
    // or the new one refuses to become it.
    bool makeFirstResponder(const std::shared_ptr<Responder>& responder);
    // Marks the first responder, when it is a view, for the next display pass (its focus ring changes).
    void firstResponderNeedsDisplay() const;
    std::shared_ptr<View> initialFirstResponder() const { return initialFirstResponder_.lock(); }
    void setInitialFirstResponder(std::weak_ptr<View> view) { initialFirstResponder_ = std::move(view); }
    std::shared_ptr<Responder> nextResponder() const override;

    // Events.
    virtual void sendEvent(const Event& e);
    // From the application's event queue (modal loops); none when it is empty.
    std::optional<Event> nextEventMatchingMask(uint64_t mask);
    bool performKeyEquivalent(const Event& e) override;
    void keyDown(const Event& e) override;

    std::shared_ptr<WindowDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<WindowDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<WindowController> windowController() const { return controller_.lock(); }
    void setWindowController(std::weak_ptr<WindowController> controller);

    // Passes.
    void layoutIfNeeded();
    void displayIfNeeded();
    void display();
    void update();

    // Animations (frame, alpha) through the animation context.
    class Animator {
    public:
        explicit Animator(std::shared_ptr<Window> w) : window_(std::move(w)) {}
        void setFrame(Rect frame);
        void setFrame_display(Rect frame, bool) { setFrame(frame); }
        void setAlphaValue(double alpha);

    private:
        std::shared_ptr<Window> window_;
    };
    Animator animator() { return Animator(sharedWindow()); }

    // Internal: a view subtree is leaving this window.
    void viewWillLeave(View& view);

    std::shared_ptr<Window> sharedWindow() { return std::static_pointer_cast<Window>(shared_from_this()); }

private:
    void deliverMouseMoved(const Event& e);
    Rect contentFrame() const;

    Rect frame_;
    unsigned style_ = kWindowStyleTitled;
    std::string title_;
    TitleVisibility titleVisibility_ = TitleVisibility::Visible;
    bool transparentTitlebar_ = false;
    double alpha_ = 1;
    bool opaque_ = true;
    Color background_ = Color::windowBackgroundColor();
    bool hasShadow_ = true;
    int level_ = 0;
    bool ignoresMouse_ = false;
    bool acceptsMouseMoved_ = false;
    bool movableByBackground_ = false;
    std::optional<double> blur_;
    Size minSize_;
    unsigned hiddenStandardButtons_ = 0;
    bool visible_ = false;
    std::shared_ptr<View> contentView_;
    std::weak_ptr<Responder> firstResponder_;
    bool windowIsFirstResponder_ = true;
    std::weak_ptr<View> initialFirstResponder_;
    std::weak_ptr<View> mouseDownView_;
    std::weak_ptr<View> rightMouseDownView_;
    std::weak_ptr<WindowDelegate> delegate_;
    std::weak_ptr<WindowController> controller_;
    Point mouse_;
};

// A window that floats above documents and can be key without being main.
class Panel : public Window {
public:
    static std::shared_ptr<Panel> create(Rect contentRect, unsigned style = kWindowStyleTitled);
    bool isFloatingPanel() const { return floating_; }
    void setFloatingPanel(bool flag) { floating_ = flag; }
    bool becomesKeyOnlyIfNeeded() const { return keyOnlyIfNeeded_; }
    void setBecomesKeyOnlyIfNeeded(bool flag) { keyOnlyIfNeeded_ = flag; }
    bool hidesOnDeactivate() const { return hidesOnDeactivate_; }
    void setHidesOnDeactivate(bool flag) { hidesOnDeactivate_ = flag; }
    bool canBecomeMainWindow() const override { return false; }

private:
    bool floating_ = false;
    bool keyOnlyIfNeeded_ = false;
    bool hidesOnDeactivate_ = true;
};

}  // namespace platform::ui
