#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Control.h"
#include "platform/ui/Layer.h"

namespace kestrune {

namespace ui = platform::ui;

// The animated on/off switch: a pill-shaped track, a white knob that slides from end to end and an
// "ON" or "OFF" caption that flashes on the knob at each change. A click, a drag of the knob, the
// keyboard (with full keyboard access) and assistive technology toggle it; a change made by the user is
// sent to the target, one made with setOn never is.
class ITSwitch : public ui::Control {
public:
    static std::shared_ptr<ITSwitch> create(ui::Rect frame = {}) { return ui::make<ITSwitch>(frame); }
    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;

    bool isOn() const { return on_; }
    void setOn(bool on);
    // The track's fill when on: white at 0.75 while none is set.
    ui::Color tintColor() const;
    void setTintColor(std::optional<ui::Color> color);
    void setEnabled(bool enabled) override;
    void setFrame(ui::Rect frame) override;

    const std::shared_ptr<ui::Layer>& rootLayer() const { return rootLayer_; }
    const std::shared_ptr<ui::Layer>& backgroundLayer() const { return backgroundLayer_; }
    const std::shared_ptr<ui::Layer>& knobLayer() const { return knobLayer_; }
    const std::shared_ptr<ui::TextLayer>& knobLayerLabel() const { return knobLayerLabel_; }
    const std::shared_ptr<ui::Layer>& knobInsideLayer() const { return knobInsideLayer_; }
    bool isActive() const { return active_; }
    void setActive(bool flag) { active_ = flag; }
    bool hasDragged() const { return dragged_; }
    void setDragged(bool flag) { dragged_ = flag; }
    bool isDraggingTowardsOn() const { return draggingTowardsOn_; }
    void setDraggingTowardsOn(bool flag) { draggingTowardsOn_ = flag; }

    // The appearance for the current state, animated over 0.4 s.
    void reloadLayer();
    // The knob's frame and the corner radii for the current size, without animation.
    void reloadLayerSize();
    ui::Rect rectForKnob() const;
    double knobHeightForSize(ui::Size size) const { return size.height - 2; }
    void updateKnobLabelText();
    // Shows the caption; it fades out once every animation of the change has ended.
    void showChangedState();
    void hideChangedStateAnimation();
    void _invokeTargetAction();

    bool acceptsFirstMouse(const ui::Event*) override { return true; }
    bool acceptsFirstResponder() override;
    bool canBecomeKeyView() override { return acceptsFirstResponder(); }
    void mouseDown(const ui::Event& e) override;
    void mouseDragged(const ui::Event& e) override;
    void mouseUp(const ui::Event& e) override;
    void keyDown(const ui::Event& e) override;
    void moveLeft(ui::Responder* sender) override;
    void moveRight(ui::Responder* sender) override;
    bool performKeyEquivalent(const ui::Event& e) override;
    void drawFocusRingMask() override;
    ui::Rect focusRingMaskBounds() const override { return bounds(); }
    // The knob's shadow reaches past the bounds.
    bool wantsDefaultClipping() const override { return false; }

    std::shared_ptr<ui::UIObject> accessibilityHitTest(ui::Point) override {
        return sharedAs<ui::UIObject>();
    }
    std::vector<std::string> accessibilityAttributeNames() override;
    platform::Value accessibilityAttributeValue(const std::string& attribute) override;
    bool accessibilityIsAttributeSettable(const std::string& attribute) override;
    void accessibilitySetValue_forAttribute(const platform::Value& value,
                                            const std::string& attribute) override;
    std::vector<std::string> accessibilityActionNames() override;
    void accessibilityPerformAction(const std::string& action) override;

private:
    void setUp();
    void setUpLayers();
    bool showsOn() const { return dragged_ ? draggingTowardsOn_ : on_; }

    bool on_ = false;
    bool active_ = false;
    bool dragged_ = false;
    bool draggingTowardsOn_ = false;
    std::optional<ui::Color> tintColor_;
    std::shared_ptr<ui::Layer> rootLayer_;
    std::shared_ptr<ui::Layer> backgroundLayer_;
    std::shared_ptr<ui::Layer> knobLayer_;
    std::shared_ptr<ui::TextLayer> knobLayerLabel_;
    std::shared_ptr<ui::Layer> knobInsideLayer_;
};

}  // namespace kestrune
