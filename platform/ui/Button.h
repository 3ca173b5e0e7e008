#pragma once

#include <memory>
#include <string>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Control.h"
#include "platform/ui/Image.h"

namespace platform::ui {

enum class ButtonType {
    MomentaryLight = 0,
    PushOnPushOff = 1,
    Toggle = 2,
    Switch = 3,
    Radio = 4,
    MomentaryChange = 5,
    OnOff = 6,
    MomentaryPushIn = 7
};
enum class BezelStyle {
    Rounded = 1,
    RegularSquare = 2,
    SmallSquare = 10,
    TexturedRounded = 11,
    Inline = 15,
    Recessed = 13
};
enum class ImagePosition {
    NoImage = 0,
    ImageOnly = 1,
    ImageLeft = 2,
    ImageRight = 3,
    ImageBelow = 4,
    ImageAbove = 5,
    ImageOverlaps = 6
};

constexpr int kStateOff = 0;
constexpr int kStateOn = 1;
constexpr int kStateMixed = -1;

// A push button, check box or radio button. A click (down, then up inside) flips the state of the kinds
// that keep one and sends the action; the key equivalent does the same.
class Button : public Control {
public:
    static std::shared_ptr<Button> create(Rect frame = {}) { return make<Button>(frame); }

    const std::string& title() const { return title_; }
    virtual void setTitle(std::string title);
    const std::optional<AttributedString>& attributedTitle() const { return attributedTitle_; }
    void setAttributedTitle(std::optional<AttributedString> title) {
        attributedTitle_ = std::move(title), setNeedsDisplay(true);
    }
    const std::shared_ptr<Image>& image() const { return image_; }
    virtual void setImage(std::shared_ptr<Image> image) { image_ = std::move(image), setNeedsDisplay(true); }
    const std::shared_ptr<Image>& alternateImage() const { return alternateImage_; }
    void setAlternateImage(std::shared_ptr<Image> image) {
        alternateImage_ = std::move(image), setNeedsDisplay(true);
    }
    ImagePosition imagePosition() const { return imagePosition_; }
    void setImagePosition(ImagePosition p) { imagePosition_ = p, setNeedsDisplay(true); }
    ButtonType buttonType() const { return type_; }
    void setButtonType(ButtonType type) { type_ = type, setNeedsDisplay(true); }
    BezelStyle bezelStyle() const { return bezel_; }
    void setBezelStyle(BezelStyle style) { bezel_ = style, setNeedsDisplay(true); }
    bool isBordered() const { return bordered_; }
    void setBordered(bool flag) { bordered_ = flag, setNeedsDisplay(true); }
    bool isTransparent() const { return transparent_; }
    void setTransparent(bool flag) { transparent_ = flag, setNeedsDisplay(true); }
    int state() const { return state_; }
    virtual void setState(int state);
    bool allowsMixedState() const { return allowsMixed_; }
    void setAllowsMixedState(bool flag) { allowsMixed_ = flag; }
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
    uint64_t keyEquivalentModifierMask() const { return keyModifiers_; }
    void setKeyEquivalentModifierMask(uint64_t mask) { keyModifiers_ = mask; }

    // The state flip and action of a click, without the mouse.
    virtual void performClick(Responder* sender = nullptr);

    void mouseDown(const Event& e) override;
    void mouseUp(const Event& e) override;
    bool performKeyEquivalent(const Event& e) override;
    void drawRect(Rect dirty) override;
    // The ring goes round the box of a check box or radio button, the bezel of a bordered button, and
    // the bounds of any other.
    void drawFocusRingMask() override;
    Size intrinsicContentSize() const override;

private:
    void flipState();
    std::string title_ = "Button";
    std::optional<AttributedString> attributedTitle_;
    std::shared_ptr<Image> image_;
    std::shared_ptr<Image> alternateImage_;
    ImagePosition imagePosition_ = ImagePosition::NoImage;
    ButtonType type_ = ButtonType::MomentaryPushIn;
    BezelStyle bezel_ = BezelStyle::Rounded;
    bool bordered_ = true;
    bool transparent_ = false;
    int state_ = kStateOff;
    bool allowsMixed_ = false;
    std::string keyEquivalent_;
    uint64_t keyModifiers_ = 0;
};

}  // namespace platform::ui
