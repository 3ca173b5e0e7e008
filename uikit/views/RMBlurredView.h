#pragma once

#include <memory>
#include <optional>

#include "platform/base/Number.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// A view whose layer saturates, blurs and tints what lies behind it. The filters are kept on the layer
// by name and parameters; where nothing applies them the view shows only its tint.
class RMBlurredView : public ui::View {
public:
    static std::shared_ptr<RMBlurredView> create(ui::Rect frame = {}) {
        return ui::make<RMBlurredView>(frame);
    }
    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;

    float blurRadius() const { return blurRadius_; }
    void setBlurRadius(float radius);
    float saturationFactor() const { return saturationFactor_; }
    void setSaturationFactor(float factor);
    // Interface layouts hand their values over as numbers.
    void setBlurRadiusNumber(const platform::Number& radius);
    void setSaturationFactorNumber(const platform::Number& factor);
    const std::optional<ui::Color>& tintColor() const { return tintColor_; }
    // No colour keeps the layer's earlier background.
    void setTintColor(std::optional<ui::Color> color);

    const std::shared_ptr<ui::Layer>& hostedLayer() const { return hostedLayer_; }
    const std::optional<ui::Filter>& blurFilter() const { return blurFilter_; }
    const std::optional<ui::Filter>& saturationFilter() const { return saturationFilter_; }

    // Makes both filters anew from the current values and installs them, saturation first.
    void resetFilters();

private:
    void setUp();

    std::optional<ui::Filter> blurFilter_;
    std::optional<ui::Filter> saturationFilter_;
    std::shared_ptr<ui::Layer> hostedLayer_;
    float saturationFactor_ = 0;
    float blurRadius_ = 0;
    std::optional<ui::Color> tintColor_;
};

}  // namespace kestrune
