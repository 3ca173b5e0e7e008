#pragma once

#include <memory>

#include "platform/ui/Layer.h"
#include "platform/ui/View.h"
#include "uikit/switches/APSwitchBackgroundLayer.h"
#include "uikit/switches/APSwitchKnobLayer.h"
#include "uikit/switches/PropertyObservers.h"

namespace kestrune {

namespace ui = platform::ui;

class APSwitch;

// Told of every change made through the switch (by the user or by setOn), also when the value stayed.
class APSwitchDelegate {
public:
    virtual ~APSwitchDelegate() = default;
    virtual void didUpdateValueForView(APSwitch& view) = 0;
};

// The layer switch: a plain view (no target or action) whose track slides with a round knob. A click
// toggles it; a drag that starts on the knob moves it with the pointer and decides by where it ends.
class APSwitch : public ui::View, public ui::LayerDelegate, public PropertyObservers {
public:
    static std::shared_ptr<APSwitch> create(ui::Rect frame = {}) { return ui::make<APSwitch>(frame); }
    void initWithFrame(ui::Rect frame) override;
    // A switch placed in a layout is made from its frame too.
    void initFromNib(ui::NibArgs& args) override;
    ui::Size intrinsicContentSize() const override { return {80, 28}; }

    bool isOn() const { return on_; }
    // Animated, and the delegate is told.
    void setOn(bool on);
    // Without telling the delegate.
    void setSwitchOn_animated(bool on, bool animated);
    void setOn_animated_notifyDelegate(bool on, bool animated, bool notify);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    const ui::Color& onTintColor() const { return onTintColor_; }
    void setOnTintColor(const ui::Color& color);
    std::shared_ptr<APSwitchDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<APSwitchDelegate> delegate) { delegate_ = std::move(delegate); }

    const std::shared_ptr<APSwitchBackgroundLayer>& backgroundLayer() const { return backgroundLayer_; }
    const std::shared_ptr<APSwitchKnobLayer>& knobLayer() const { return knobLayer_; }
    const std::shared_ptr<ui::Layer>& shadowLayer() const { return shadowLayer_; }
    const std::shared_ptr<ui::Layer>& contentLayer() const { return contentLayer_; }

    // Tracks the mouse in a loop of its own until the button goes up (or no event is left).
    void mouseDown(const ui::Event& e) override;
    // While the switch is the delegate of the knob and the track, their changes take no time.
    ui::LayerAction actionForLayer_forKey(ui::Layer& layer, const std::string& key) override;

private:
    void ap_initLayersWithFrame(ui::Rect frame);
    void setUp(ui::Rect frame);
    // Makes the knob's and the track's changes instant until the scope ends.
    void becomeLayersDelegate();
    void resignLayersDelegate();
    void placeKnobAt(double x);

    std::shared_ptr<APSwitchBackgroundLayer> backgroundLayer_;
    std::shared_ptr<APSwitchKnobLayer> knobLayer_;
    std::shared_ptr<ui::Layer> shadowLayer_;
    std::shared_ptr<ui::Layer> contentLayer_;
    bool on_ = false;
    bool enabled_ = false;
    ui::Color onTintColor_;
    std::weak_ptr<APSwitchDelegate> delegate_;
};

}  // namespace kestrune
