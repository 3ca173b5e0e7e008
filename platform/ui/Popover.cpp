#include "platform/ui/Popover.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
// Popovers on screen, kept alive while shown. Interface objects live on the main thread only. Never
// destroyed: a popover still shown at exit does not outlive the application it would order out from.
std::vector<std::shared_ptr<Popover>>& shownList() {
    static auto* list = new std::vector<std::shared_ptr<Popover>>;
    return *list;
}

// The gap between the popover's window and the edge it points at (where the arrow would be).
constexpr double kArrowGap = 4;
}  // namespace

std::shared_ptr<Popover> Popover::create() {
    return std::make_shared<Popover>();
}

Popover::~Popover() {
    if (window_) window_->orderOut(nullptr);
}

void Popover::setContentViewController(std::shared_ptr<ViewController> controller) {
    content_ = std::move(controller);
    if (shown_ && window_ && content_) window_->setContentView(content_->view());
}

std::shared_ptr<Window> Popover::window() const {
    return window_;
}

void Popover::showRelativeToRect_ofView_preferredEdge(Rect rect, const std::shared_ptr<View>& view,
                                                      RectEdge edge) {
    auto host = view ? view->window() : nullptr;
    if (!host) {
        platform::logf("Popover: not shown, its view is in no window");
        return;
    }
    if (!content_) {
        platform::logf("Popover: not shown, it has no content");
        return;
    }
    const bool wasShown = shown_;
    if (!wasShown)
        if (auto d = delegate()) d->popoverWillShow(*this);
    positioningView_ = view;
    positioningRect_ = rect.isEmpty() ? view->bounds() : rect;
    preferredEdge_ = edge;

    auto contentView = content_->view();
    Size size = contentSize_;
    if (size.width <= 0 || size.height <= 0) size = contentView ? contentView->frame().size : Size{};
    // The edge in screen terms: y grows upward on the screen, downward in a flipped view.
    const Rect onScreen = host->convertRectToScreen(view->convertRect_toView(positioningRect_, nullptr));
    const bool flipped = view->isFlipped();
    Point origin;
    switch (edge) {
        case RectEdge::MinY:
        case RectEdge::MaxY: {
            const bool below = (edge == RectEdge::MinY) != flipped;
            origin.x = onScreen.midX() - size.width / 2;
            origin.y = below ? onScreen.minY() - kArrowGap - size.height : onScreen.maxY() + kArrowGap;
            break;
        }
        case RectEdge::MinX:
        case RectEdge::MaxX:
            origin.x = edge == RectEdge::MinX ? onScreen.minX() - kArrowGap - size.width
                                              : onScreen.maxX() + kArrowGap;
            origin.y = onScreen.midY() - size.height / 2;
            break;
    }
    if (!window_) {
        window_ = Panel::create({origin, size}, kWindowStyleBorderless);
        window_->setOpaque(false);
        window_->setBackgroundColor(Color::clearColor());
        window_->setLevel(host->level() + 1);
    } else {
        window_->setFrame({origin, size});
    }
    if (contentView) {
        contentView->setFrame({0, 0, size.width, size.height});
        if (window_->contentView() != contentView) window_->setContentView(contentView);
    }
    window_->orderFront(nullptr);
    shown_ = true;
    auto& list = shownList();
    auto self = sharedAs<Popover>();
    if (std::find(list.begin(), list.end(), self) == list.end()) list.push_back(self);
    if (!wasShown)
        if (auto d = delegate()) d->popoverDidShow(*this);
}

void Popover::performClose(Responder*) {
    if (!shown_) return;
    if (auto d = delegate(); d && !d->popoverShouldClose(*this)) return;
    close();
}

void Popover::close() {
    if (!shown_) return;
    auto keep = sharedAs<Popover>();
    auto d = delegate();
    if (d) d->popoverWillClose(*this);
    shown_ = false;
    if (window_) window_->orderOut(nullptr);
    auto& list = shownList();
    list.erase(std::remove(list.begin(), list.end(), keep), list.end());
    if (d) d->popoverDidClose(*this);
}

void Popover::windowDidReceiveMouseDown(const Window& window) {
    // A copy: closing changes the list.
    const auto shown = shownList();
    for (const auto& popover : shown) {
        if (popover->behavior() != PopoverBehavior::Transient) continue;
        if (popover->window_.get() == &window) continue;
        popover->performClose(nullptr);
    }
}

std::vector<std::shared_ptr<Popover>> Popover::shownPopovers() {
    return shownList();
}

void Popover::resetForTesting() {
    auto shown = std::move(shownList());
    shownList().clear();
    for (const auto& popover : shown) {
        popover->shown_ = false;
        if (popover->window_) popover->window_->orderOut(nullptr);
    }
}

}  // namespace platform::ui
