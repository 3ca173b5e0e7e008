#pragma once

#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

class Panel;
class Popover;
class Responder;
class View;
class ViewController;
class Window;

// How a popover closes: only when asked, on any click outside it (transient), or on a click outside it
// in another application's window (semi-transient; there are no other applications here, so only when
// asked).
enum class PopoverBehavior { ApplicationDefined = 0, Transient = 1, Semitransient = 2 };

// An edge of a rectangle, in the coordinates of the view the rectangle belongs to.
enum class RectEdge { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };

// What a popover tells its delegate; every operation is optional.
class PopoverDelegate {
public:
    virtual ~PopoverDelegate() = default;
    virtual void popoverWillShow(Popover&) {}
    virtual void popoverDidShow(Popover&) {}
    // Asked before a close the user caused (a click outside, performClose); not before close().
    virtual bool popoverShouldClose(Popover&) { return true; }
    virtual void popoverWillClose(Popover&) {}
    virtual void popoverDidClose(Popover&) {}
};

// A small panel shown beside an edge of a rectangle of a view, holding a view controller's view. While
// it is shown it lives in a borderless window of its own placed against that edge (on the screen, y up),
// and the popover keeps itself alive; it closes when asked, or, when transient, at the next mouse-down
// in any other window.
class Popover : public UIObject {
public:
    static std::shared_ptr<Popover> create();
    ~Popover() override;

    PopoverBehavior behavior() const { return behavior_; }
    void setBehavior(PopoverBehavior behavior) { behavior_ = behavior; }
    std::shared_ptr<ViewController> contentViewController() const { return content_; }
    void setContentViewController(std::shared_ptr<ViewController> controller);
    // The content's size; zero takes the size of the content controller's view.
    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size) { contentSize_ = size; }
    std::shared_ptr<PopoverDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<PopoverDelegate> delegate) { delegate_ = std::move(delegate); }
    bool animates() const { return animates_; }
    void setAnimates(bool flag) { animates_ = flag; }

    // Shows the content beside the edge of the rectangle (in the view's coordinates; an empty one means
    // the view's bounds). A view outside any window shows nothing. Shown again, the popover moves.
    void showRelativeToRect_ofView_preferredEdge(Rect rect, const std::shared_ptr<View>& view, RectEdge edge);
    bool isShown() const { return shown_; }
    // Asks the delegate, then closes.
    void performClose(Responder* sender = nullptr);
    void close();

    // Where it was shown last.
    std::shared_ptr<View> positioningView() const { return positioningView_.lock(); }
    Rect positioningRect() const { return positioningRect_; }
    RectEdge preferredEdge() const { return preferredEdge_; }
    // The window holding the content while shown; none before the first showing.
    std::shared_ptr<Window> window() const;

    // Called by a window for every mouse-down it receives: transient popovers shown in other windows
    // close.
    static void windowDidReceiveMouseDown(const Window& window);
    static std::vector<std::shared_ptr<Popover>> shownPopovers();
    static void resetForTesting();

private:
    PopoverBehavior behavior_ = PopoverBehavior::ApplicationDefined;
    std::shared_ptr<ViewController> content_;
    Size contentSize_;
    std::weak_ptr<PopoverDelegate> delegate_;
    bool animates_ = true;
    bool shown_ = false;
    std::weak_ptr<View> positioningView_;
    Rect positioningRect_;
    RectEdge preferredEdge_ = RectEdge::MaxY;
    std::shared_ptr<Panel> window_;
};

}  // namespace platform::ui
