#pragma once

#include <memory>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Layer.h"
#include "uikit/switches/PropertyObservers.h"

namespace kestrune {

namespace ui = platform::ui;

// The layer switch's sliding track, twice the switch's width: its left half in the "on" colour, its
// right half pale, with an inner shadow along its edge.
class APSwitchBackgroundLayer : public ui::Layer, public PropertyObservers {
public:
    static std::shared_ptr<APSwitchBackgroundLayer> layer();
    APSwitchBackgroundLayer();

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    const ui::Color& onTintColor() const { return onTintColor_; }
    void setOnTintColor(const ui::Color& color);
    const ui::Gradient& gradient() const { return gradient_; }
    void setGradient(ui::Gradient gradient) { gradient_ = std::move(gradient); }

    void drawInContext(ui::GraphicsContext& context) override;

private:
    ui::Gradient gradient_;
    bool enabled_ = false;
    ui::Color onTintColor_;
};

}  // namespace kestrune
