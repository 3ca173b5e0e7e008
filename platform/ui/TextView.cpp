#include "platform/ui/TextView.h"

#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

void TextView::setString(const std::string& text) {
    TextAttributes a;
    a.font = font_;
    a.foregroundColor = textColor_;
    storage_ = AttributedString(text, a);
    setNeedsDisplay(true);
}

void TextView::setFont(Font font) {
    font_ = std::move(font);
    TextAttributes a;
    a.font = font_;
    storage_.addAttributes_range(a, {0, storage_.length()});
    setNeedsDisplay(true);
}

void TextView::setTextColor(Color color) {
    textColor_ = color;
    TextAttributes a;
    a.foregroundColor = color;
    storage_.addAttributes_range(a, {0, storage_.length()});
    setNeedsDisplay(true);
}

void TextView::changed() {
    setNeedsDisplay(true);
    if (auto d = delegate()) d->textDidChange(*this);
}

void TextView::keyDown(const Event& e) {
    if (!editable_) return View::keyDown(e);
    interpretKeyEvents({e});
}

void TextView::insertText(const std::string& text) {
    if (!editable_) return View::insertText(text);
    TextAttributes a;
    a.font = font_;
    a.foregroundColor = textColor_;
    storage_.appendAttributedString(AttributedString(text, a));
    changed();
}

void TextView::deleteBackward(Responder* sender) {
    if (!editable_) return View::deleteBackward(sender);
    if (storage_.length() == 0) return;
    storage_.replaceCharactersInRange_withString({storage_.length() - 1, 1}, "");
    changed();
}

void TextView::insertNewline(Responder* sender) {
    if (!editable_) return View::insertNewline(sender);
    insertText("\n");
}

void TextView::drawRect(Rect) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    if (drawsBackground_) {
        c->setFillColor(background_);
        c->fillRect(bounds());
    }
    if (storage_.length() == 0) return;
    const Rect area = bounds().insetBy(inset_.width, inset_.height);
    storage_.drawInRect(area);
}

}  // namespace platform::ui
