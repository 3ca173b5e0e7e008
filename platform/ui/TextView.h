#pragma once

#include <memory>
#include <string>

#include "platform/ui/AttributedString.h"
#include "platform/ui/View.h"

namespace platform::ui {

class TextView;

class TextViewDelegate {
public:
    virtual ~TextViewDelegate() = default;
    virtual void textDidChange(TextView&) {}
    virtual bool textView_clickedOnLink(TextView&, const std::string&) { return false; }
};

// Multi-line text in a flipped view: its storage is an attributed string.
class TextView : public View {
public:
    static std::shared_ptr<TextView> create(Rect frame = {}) { return make<TextView>(frame); }

    bool isFlipped() const override { return true; }
    std::string string() const { return storage_.string(); }
    void setString(const std::string& text);
    const AttributedString& textStorage() const { return storage_; }
    void setTextStorage(AttributedString text) { storage_ = std::move(text), setNeedsDisplay(true); }
    const Font& font() const { return font_; }
    void setFont(Font font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(Color color);
    bool isEditable() const { return editable_; }
    void setEditable(bool flag) { editable_ = flag; }
    bool isSelectable() const { return selectable_; }
    void setSelectable(bool flag) { selectable_ = flag; }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool flag) { drawsBackground_ = flag, setNeedsDisplay(true); }
    const Color& backgroundColor() const { return background_; }
    void setBackgroundColor(Color c) { background_ = c, setNeedsDisplay(true); }
    Size textContainerInset() const { return inset_; }
    void setTextContainerInset(Size inset) { inset_ = inset, setNeedsDisplay(true); }
    std::shared_ptr<TextViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<TextViewDelegate> d) { delegate_ = std::move(d); }

    bool acceptsFirstResponder() override { return editable_ || selectable_; }
    void keyDown(const Event& e) override;
    void insertText(const std::string& text) override;
    void deleteBackward(Responder* sender) override;
    void insertNewline(Responder* sender) override;
    void drawRect(Rect dirty) override;

private:
    void changed();
    AttributedString storage_;
    Font font_ = Font::systemFontOfSize(12);
    Color textColor_ = Color::textColor();
    bool editable_ = true;
    bool selectable_ = true;
    bool drawsBackground_ = true;
    Color background_ = Color::textBackgroundColor();
    Size inset_;
    std::weak_ptr<TextViewDelegate> delegate_;
};

}  // namespace platform::ui
