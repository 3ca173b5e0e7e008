#pragma once

#include <memory>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Layer.h"
#include "uikit/switches/PropertyObservers.h"

namespace kestrune {

namespace ui = platform::ui;

// The layer switch's round white knob.
class APSwitchKnobLayer : public ui::Layer, public PropertyObservers {
public:
    static std::shared_ptr<APSwitchKnobLayer> layer();
    APSwitchKnobLayer();

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isPressed() const { return pressed_; }
    void setPressed(bool pressed);
    const ui::Gradient& gradient() const { return gradient_; }

    void drawInContext(ui::GraphicsContext& context) override;

private:
    ui::Gradient gradient_;
    bool enabled_ = false;
    bool pressed_ = false;
};

}  // namespace kestrune
