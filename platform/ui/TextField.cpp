#include "platform/ui/TextField.h"

#include <algorithm>
#include <cmath>

#include "platform/base/Strings.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextMeasurer.h"

namespace platform::ui {

namespace {
// Natural, left and justified lines start at the frame's leading edge; centred and right-aligned ones
// are placed by their own alignment.
bool startsAtLeadingEdge(TextAlignment alignment) {
    return alignment != TextAlignment::Center && alignment != TextAlignment::Right;
}

TextAlignment alignmentOf(const AttributedString& text) {
    return text.runs().front().attributes.effectiveParagraphStyle().alignment;
}

// Whether the text, `width` wide, takes one line's height.
bool fitsOneLine(const AttributedString& text, double width) {
    const TextMeasurer& measurer = TextMeasurer::current();
    return measurer.measure(text, width).height <= measurer.measure(text, 0).height + 0.5;
}

bool holdsSeveralParagraphs(const std::string& string) {
    return string.find_first_of("\n\r") != std::string::npos || string.find("\u2029") != std::string::npos;
}
}  // namespace

std::shared_ptr<TextField> TextField::labelWithString(const std::string& text) {
    auto label = create({});
    label->setEditable(false);
    label->setSelectable(false);
    label->setBezeled(false);
    label->setBordered(false);
    label->setDrawsBackground(false);
    label->setStringValue(text);
    label->sizeToFit();
    return label;
}

void TextField::setStringValue(const std::string& value) {
    attributed_.reset();
    Control::setStringValue(value);
}

void TextField::setAttributedStringValue(const AttributedString& value) {
    Control::setStringValue(value.string());
    attributed_ = value;
}

AttributedString TextField::displayedText() const {
    if (attributed_) return *attributed_;
    TextAttributes a;
    a.font = font();
    a.foregroundColor = isEnabled() ? textColor_ : textColor_.colorWithAlphaComponent(0.5);
    ParagraphStyle style;
    style.alignment = alignment();
    style.lineBreakMode = lineBreak_;
    a.paragraphStyle = style;
    // The field's own text, as a cell draws its value: a subclass that decorates the public accessor (the
    // shortcut recorder warns there) must not hear from every drawing and layout pass.
    std::string text = Control::stringValue();
    if (secure_) {
        // One bullet per character: it sits on the middle of the line, where the letters would be.
        std::string bullets;
        for (size_t i = platform::utf16Length(text); i > 0; --i) bullets += "\u2022";
        text = bullets;
    }
    return AttributedString(text, a);
}

Size TextField::intrinsicContentSize() const {
    const Size text = displayedText().size();
    const double inset = (bezeled_ || bordered_) ? 4 : 2;
    return {text.width + 2 * inset, text.height + (bezeled_ || bordered_ ? 4 : 0)};
}

Size TextField::cellSizeForBounds(Rect bounds) const {
    const bool framed = bezeled_ || bordered_;
    const double inset = framed ? 4 : 2;
    const AttributedString text = displayedText();
    const double width = std::max(1.0, bounds.width() - 2 * inset);
    const Size size = TextMeasurer::current().measure(text, width);
    // Room for the glyphs too where marks above or below letters ink past the lines.
    const Rect ink = TextMeasurer::current().inkRect(text, width);
    const double height = std::max(size.height, std::ceil(ink.maxY() - std::min(0.0, ink.minY())));
    return {size.width + 2 * inset, height + (framed ? 4 : 0)};
}

void TextField::sizeToFit() {
    Size s = intrinsicContentSize();
    if (preferredMaxWidth_ > 0 && s.width > preferredMaxWidth_) {
        const Size wrapped = TextMeasurer::current().measure(displayedText(), preferredMaxWidth_ - 4);
        s = {preferredMaxWidth_, wrapped.height};
    }
    setFrameSize(s);
}

bool TextField::becomeFirstResponder() {
    if (editable_ && !editing_) {
        editing_ = true;
        if (auto d = delegate()) d->controlTextDidBeginEditing(*this);
    }
    return true;
}

bool TextField::resignFirstResponder() {
    if (editing_) endEditing();
    return true;
}

void TextField::endEditing() {
    editing_ = false;
    if (auto d = delegate()) d->controlTextDidEndEditing(*this);
}

bool TextField::delegateHandled(const std::string& command) {
    auto d = delegate();
    return d && d->control_textView_doCommandBySelector(*this, command);
}

void TextField::keyDown(const Event& e) {
    if (!editable_ || !isEnabled()) return Control::keyDown(e);
    interpretKeyEvents({e});
}

void TextField::insertText(const std::string& text) {
    if (!editable_) return Control::insertText(text);
    setStringValue(stringValue() + text);
    if (auto d = delegate()) d->controlTextDidChange(*this);
}

void TextField::deleteBackward(Responder* sender) {
    if (!editable_) return Control::deleteBackward(sender);
    if (delegateHandled("deleteBackward:")) return;
    const std::string text = stringValue();
    const size_t length = platform::utf16Length(text);
    if (length == 0) return;
    setStringValue(platform::prefixUTF16(text, length - 1));
    if (auto d = delegate()) d->controlTextDidChange(*this);
}

void TextField::insertNewline(Responder* sender) {
    if (!editable_) return Control::insertNewline(sender);
    if (delegateHandled("insertNewline:")) return;
    sendAction();
}

void TextField::cancelOperation(Responder* sender) {
    if (delegateHandled("cancelOperation:")) return;
    Control::cancelOperation(sender);
}

void TextField::moveUp(Responder* sender) {
    if (delegateHandled("moveUp:")) return;
    Control::moveUp(sender);
}

void TextField::moveDown(Responder* sender) {
    if (delegateHandled("moveDown:")) return;
    Control::moveDown(sender);
}

void TextField::drawFocusRingMask() {
    auto* c = GraphicsContext::current();
    if (c && editable_) c->fillRect(bounds());
}

bool TextField::linesEndAtRightEdge() const {
    if (isHidden()) return false;
    const AttributedString text = displayedText();
    if (text.length() == 0 || !startsAtLeadingEdge(alignmentOf(text)) ||
        !TextMeasurer::current().readsFromTheRight(text))
        return false;
    return holdsSeveralParagraphs(text.string()) || !fitsOneLine(text, bounds().width() - 2 * textInset());
}

bool TextField::headsParagraphEndingAtRightEdge() const {
    const View* parent = superview();
    if (editable_ || !parent) return false;
    if (const auto paragraph = headedParagraph_.lock())
        return paragraph->superview() == parent && paragraph->linesEndAtRightEdge();
    const Rect own = frame();
    // Distances down the superview, whichever way its y axis runs.
    const bool flipped = parent->isFlipped();
    auto topOf = [flipped](const Rect& r) { return flipped ? r.minY() : -r.maxY(); };
    auto bottomOf = [flipped](const Rect& r) { return flipped ? r.maxY() : -r.minY(); };
    const TextField* below = nullptr;
    double nearest = 0;
    for (const auto& view : parent->subviews()) {
        if (view.get() == this || view->isHidden()) continue;
        const Rect r = view->frame();
        auto* field = dynamic_cast<const TextField*>(view.get());
        if (!field) {
            // A check box, button or icon right before the label and level with its line, give or take a
            // quarter of it, is its row's: the title stays beside it. A picture beside a heading and its
            // paragraph (an alert's icon) stands level with the two, lower than the heading's line.
            const bool control = dynamic_cast<const Control*>(view.get()) != nullptr;
            const double slack = own.height() / 4;
            if (control && r.maxX() <= own.minX() + 2 && r.maxX() >= own.minX() - 24 &&
                r.midY() >= own.minY() - slack && r.midY() <= own.maxY() + slack)
                return false;
            continue;
        }
        if (std::abs(r.minX() - own.minX()) > 0.5 || std::abs(r.maxX() - own.maxX()) > 0.5) continue;
        const double distance = topOf(r) - bottomOf(own);
        if (distance < -1 || (below && distance >= nearest)) continue;
        below = field;
        nearest = distance;
    }
    return below && below->linesEndAtRightEdge();
}

void TextField::drawRect(Rect) {
    auto* c = GraphicsContext::current();
    if (!c) return;
    const Rect b = bounds();
    if (drawsBackground_) {
        c->setFillColor(background_);
        c->fillRect(b);
    }
    if (bezeled_ || bordered_) {
        auto frame = BezierPath::bezierPathWithRect(b.insetBy(0.5, 0.5));
        c->setStrokeColor(Color::lightGrayColor());
        c->strokePath(frame);
    }
    const double inset = textInset();
    AttributedString text = displayedText();
    if (text.length() == 0 && !placeholder_.empty()) {
        TextAttributes a;
        a.font = font();
        a.foregroundColor = Color::secondaryLabelColor();
        text = AttributedString(placeholder_, a);
    }
    if (text.length() == 0) return;
    const Size size = TextMeasurer::current().measure(text, b.width() - 2 * inset);
    double x = b.minX() + inset;
    const auto align = alignmentOf(text);
    if (align == TextAlignment::Center)
        x = b.midX() - size.width / 2;
    else if (align == TextAlignment::Right)
        x = b.maxX() - inset - size.width;
    // A single line sits in the middle of the field, so that its letters, descenders included, keep
    // clear of the edges whatever the field's height; wrapped lines start at the top, where reading
    // starts.
    const bool oneLine = size.height <= TextMeasurer::current().measure(text, 0).height + 0.5;
    double top = oneLine ? (b.height() - size.height) / 2 : ((bezeled_ || bordered_) ? 2 : 0);
    // Marks above and below letters can ink past the lines (Arabic in a face whose lines are sized for
    // Latin): the text moves as far as the field has room for, so that the field does not cut them.
    const Rect ink = TextMeasurer::current().inkRect(text, b.width() - 2 * inset);
    if (const double lowest = -ink.minY(), highest = b.height() - ink.maxY(); lowest <= highest)
        top = std::clamp(top, lowest, highest);
    const double y = isFlipped() ? b.minY() + top : b.maxY() - top - size.height;
    // Lines of a text that wraps or holds several paragraphs, starting at the frame's leading edge, are
    // laid out in the field's whole width, not their widest line's: right-to-left lines end at the
    // frame's right edge, as those of the paragraphs above and below them do.
    const bool severalLines = !oneLine || holdsSeveralParagraphs(text.string());
    double width = size.width;
    if (severalLines && startsAtLeadingEdge(align)) {
        width = std::max(width, b.width() - 2 * inset);
    } else if (startsAtLeadingEdge(align) && headsParagraphEndingAtRightEdge()) {
        // A one-line heading of such a paragraph ends where the paragraph's lines end, whichever way its
        // own words read: a reader who starts at the paragraph's right edge finds its title over that
        // edge. Its glyphs end there, not its line: the letters of a large bold heading stand back from
        // the end of their line further than a paragraph's small ones. A heading whose frame stops short
        // of its paragraph's edge, leaving the end of its line to a link, ends where the link begins.
        x = b.maxX() - inset - ink.maxX();
    }
    c->saveGState();
    c->clipToRect(b);
    text.drawInRect({x, y, width, size.height});
    c->restoreGState();
}

}  // namespace platform::ui
