#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Control.h"

namespace platform::ui {

class TextField;

// What an editable text field tells its delegate; every operation is optional.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual void controlTextDidBeginEditing(TextField&) {}
    virtual void controlTextDidChange(TextField&) {}
    virtual void controlTextDidEndEditing(TextField&) {}
    // A command ("insertNewline:", "cancelOperation:", "moveUp:" ...) before the field runs it; true
    // when the delegate handled it.
    virtual bool control_textView_doCommandBySelector(TextField&, const std::string&) { return false; }
};

// A label or an editable one-line (or wrapping) text. Editing appends and deletes at the end of the
// text, which is what typing into a field does here.
class TextField : public Control {
public:
    static std::shared_ptr<TextField> create(Rect frame = {}) { return make<TextField>(frame); }
    // A non-editable, borderless label sized to its text.
    static std::shared_ptr<TextField> labelWithString(const std::string& text);

    void setStringValue(const std::string& value) override;
    std::optional<AttributedString> attributedStringValue() const { return attributed_; }
    void setAttributedStringValue(const AttributedString& value);
    const std::string& placeholderString() const { return placeholder_; }
    void setPlaceholderString(std::string text) { placeholder_ = std::move(text), setNeedsDisplay(true); }
    bool isEditable() const { return editable_; }
    void setEditable(bool flag) { editable_ = flag; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool flag) { selectable_ = flag; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool flag) { bordered_ = flag, setNeedsDisplay(true); }
    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool flag) { bezeled_ = flag, setNeedsDisplay(true); }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag) { drawsBackground_ = flag, setNeedsDisplay(true); }
    const Color& backgroundColor() const { return background_; }
    void setBackgroundColor(Color c) { background_ = c, setNeedsDisplay(true); }
    const Color& textColor() const { return textColor_; }
    void setTextColor(Color c) { textColor_ = c, setNeedsDisplay(true); }
    LineBreakMode lineBreakMode() const { return lineBreak_; }
    void setLineBreakMode(LineBreakMode mode) { lineBreak_ = mode, setNeedsDisplay(true); }
    bool usesSingleLineMode() const { return singleLine_; }
    void setUsesSingleLineMode(bool flag) { singleLine_ = flag; }
    double preferredMaxLayoutWidth() const { return preferredMaxWidth_; }
    void setPreferredMaxLayoutWidth(double w) { preferredMaxWidth_ = w; }
    bool isSecure() const { return secure_; }
    void setSecure(bool flag) { secure_ = flag, setNeedsDisplay(true); }
    // The paragraph this one-line label heads, for a heading whose frame stops short of its paragraph's
    // right edge where something else takes the end of its line (a page header's title beside its "more"
    // link). Without one, a heading's paragraph is the nearest label below it with the same edges.
    void setHeadedParagraph(const std::shared_ptr<TextField>& paragraph) { headedParagraph_ = paragraph; }

    std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<TextFieldDelegate> d) { delegate_ = std::move(d); }

    // The text as drawn: the attributed value, or the string with the field's font and colour.
    AttributedString displayedText() const;
    void sizeToFit();
    Size intrinsicContentSize() const override;
    // The size the text needs inside `bounds`, wrapped at its width (less the field's insets), insets
    // included.
    Size cellSizeForBounds(Rect bounds) const;

    bool acceptsFirstResponder() override { return isEnabled() && (editable_ || selectable_); }
    bool needsPanelToBecomeKey() const override { return editable_; }
    // An editable field's ring follows its frame; a label being selected shows none.
    void drawFocusRingMask() override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool isEditing() const { return editing_; }
    void keyDown(const Event& e) override;
    void insertText(const std::string& text) override;
    void deleteBackward(Responder* sender) override;
    void insertNewline(Responder* sender) override;
    void cancelOperation(Responder* sender) override;
    void moveUp(Responder* sender) override;
    void moveDown(Responder* sender) override;
    void drawRect(Rect dirty) override;

private:
    bool delegateHandled(const std::string& command);
    void endEditing();
    double textInset() const { return (bezeled_ || bordered_) ? 4 : 2; }
    // Whether the text is laid out in the field's whole width from its right edge: lines of a text that
    // wraps or holds several paragraphs, reading from the right and starting at the leading edge.
    bool linesEndAtRightEdge() const;
    // Whether this one-line label is the heading of such a paragraph: the paragraph it was told it heads
    // is one, or else the nearest label below it in its column (its very left and right edges) is one
    // and no check box or icon level with its line marks it as a row's title.
    bool headsParagraphEndingAtRightEdge() const;
    std::optional<AttributedString> attributed_;
    std::weak_ptr<TextField> headedParagraph_;
    std::string placeholder_;
    bool editable_ = true;
    bool selectable_ = true;
    bool bordered_ = false;
    bool bezeled_ = true;
    bool drawsBackground_ = true;
    Color background_ = Color::textBackgroundColor();
    Color textColor_ = Color::controlTextColor();
    LineBreakMode lineBreak_ = LineBreakMode::Clipping;
    bool singleLine_ = false;
    double preferredMaxWidth_ = 0;
    bool secure_ = false;
    bool editing_ = false;
    std::weak_ptr<TextFieldDelegate> delegate_;
};

}  // namespace platform::ui
