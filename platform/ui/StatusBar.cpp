#include "platform/ui/StatusBar.h"

#include "platform/ui/Application.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
// The item's own view when no custom view is set: its image (or title), a menu or action on click.
class StatusItemButton : public View {
public:
    std::weak_ptr<StatusItem> item;

    void mouseDown(const Event& e) override {
        auto owner = item.lock();
        if (!owner) return;
        if (owner->menu())
            Menu::popUpContextMenu_withEvent_forView(owner->menu(), e, sharedView());
        else if (owner->action())
            owner->action()();
    }

    void drawRect(Rect) override {
        auto owner = item.lock();
        auto* c = GraphicsContext::current();
        if (!owner || !c) return;
        const Rect b = bounds();
        if (auto image = owner->image()) {
            const Size s = image->size();
            image->drawInRect({b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height});
        } else if (!owner->title().empty()) {
            TextAttributes a;
            a.font = Font::systemFontOfSize(14);
            AttributedString text(owner->title(), a);
            const Size s = text.size();
            text.drawInRect({b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height});
        }
    }
};
}  // namespace

std::shared_ptr<View> StatusItem::view() const {
    return custom_ ? custom_ : button_;
}

void StatusItem::setView(const std::shared_ptr<View>& view) {
    custom_ = view;
    if (window_) window_->setContentView(this->view());
}

void StatusItem::setLength(double length) {
    length_ = length;
    StatusBar::systemStatusBar().layoutItems();
}

void StatusItem::setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    if (button_) button_->setNeedsDisplay(true);
    if (length_ == kVariableStatusItemLength) StatusBar::systemStatusBar().layoutItems();
}

void StatusItem::setTitle(std::string title) {
    title_ = std::move(title);
    if (button_) button_->setNeedsDisplay(true);
    if (length_ == kVariableStatusItemLength) StatusBar::systemStatusBar().layoutItems();
}

void StatusItem::drawStatusBarBackgroundInRect_withHighlight(Rect rect, bool highlight) const {
    auto* c = GraphicsContext::current();
    if (!c) return;
    c->saveGState();
    // A dark desktop has a dark menu bar.
    const bool dark = Application::shared().effectiveAppearanceName().find("Dark") != std::string::npos;
    if (highlight)
        c->setFillColor(dark ? Color::alternateSelectedControlColor() : Color::selectedControlColor());
    else
        c->setFillColor(Color::colorWithCalibratedWhite_alpha(dark ? 0.18 : 0.96, 1));
    c->fillRect(rect);
    c->restoreGState();
}

double StatusItem::effectiveLength() const {
    const double thickness = StatusBar::systemStatusBar().thickness();
    if (length_ >= 0) return length_;
    if (length_ == kSquareStatusItemLength) return thickness;
    // Variable: the image or title plus a margin on each side.
    if (image_) return image_->size().width + 8;
    if (!title_.empty())
        return AttributedString(title_, TextAttributes::withFont(Font::systemFontOfSize(14))).size().width +
               8;
    return thickness;
}

StatusBar& StatusBar::systemStatusBar() {
    static StatusBar bar;
    return bar;
}

std::shared_ptr<StatusItem> StatusBar::statusItemWithLength(double length) {
    auto item = std::make_shared<StatusItem>();
    item->length_ = length;
    auto button = std::make_shared<StatusItemButton>();
    button->initWithFrame({});
    button->item = item;
    item->button_ = button;
    item->window_ = Window::create({0, 0, 1, thickness()}, kWindowStyleBorderless);
    item->window_->setLevel(25);
    item->window_->setContentView(item->view());
    item->window_->orderFront(nullptr);
    items_.push_back(item);
    layoutItems();
    return item;
}

void StatusBar::removeStatusItem(const std::shared_ptr<StatusItem>& item) {
    if (!item) return;
    std::erase(items_, item);
    if (item->window_) item->window_->orderOut(nullptr);
    layoutItems();
}

void StatusBar::layoutItems() {
    const Rect screen = Screen::mainScreen()->frame();
    double right = screen.maxX();
    // The newest item sits leftmost: place from the oldest, at the right edge.
    for (const auto& item : items_) {
        const double length = item->effectiveLength();
        right -= length;
        if (item->window_) item->window_->setFrame({right, screen.maxY() - thickness(), length, thickness()});
    }
}

void StatusBar::resetForTesting() {
    for (const auto& item : items_)
        if (item->window_) item->window_->orderOut(nullptr);
    items_.clear();
}

}  // namespace platform::ui
