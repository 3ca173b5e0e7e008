#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/TextAttributes.h"
#include "platform/ui/View.h"

namespace platform::ui {

// A view that reports a user's action to a target. The target is held weakly; the action is a function
// of the target and the sender, and sending needs both.
class Control : public View {
public:
    using Action = std::function<void(const std::shared_ptr<UIObject>& target, Control& sender)>;
    static std::shared_ptr<Control> create(Rect frame = {}) { return make<Control>(frame); }

    std::shared_ptr<UIObject> target() const { return target_.lock(); }
    void setTarget(std::weak_ptr<UIObject> target) { target_ = std::move(target); }
    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }
    // Answers false, doing nothing, when the target is gone or there is no action.
    bool sendAction();

    bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool flag);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool flag) { highlighted_ = flag, setNeedsDisplay(true); }
    bool isContinuous() const { return continuous_; }
    void setContinuous(bool flag) { continuous_ = flag; }

    // The value, as text and as a number (each set through the other's text form).
    virtual std::string stringValue() const { return string_; }
    virtual void setStringValue(const std::string& value);
    virtual double doubleValue() const { return double_; }
    virtual void setDoubleValue(double value);
    int intValue() const { return static_cast<int>(doubleValue()); }
    void setIntValue(int value) { setDoubleValue(value); }
    float floatValue() const { return static_cast<float>(doubleValue()); }
    void setFloatValue(float value) { setDoubleValue(value); }

    const Font& font() const { return font_; }
    virtual void setFont(Font font) { font_ = std::move(font), setNeedsDisplay(true); }
    TextAlignment alignment() const { return alignment_; }
    void setAlignment(TextAlignment a) { alignment_ = a, setNeedsDisplay(true); }

    bool acceptsFirstResponder() override { return enabled_ && refusesFirstResponder_ == false; }
    void setRefusesFirstResponder(bool flag) { refusesFirstResponder_ = flag; }

private:
    std::weak_ptr<UIObject> target_;
    Action action_;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool continuous_ = false;
    bool refusesFirstResponder_ = false;
    std::string string_;
    double double_ = 0;
    Font font_ = Font::systemFontOfSize(Font::systemFontSize());
    TextAlignment alignment_ = TextAlignment::Natural;
};

}  // namespace platform::ui
