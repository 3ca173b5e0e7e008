#include "uikit/views/RMBlurredView.h"

namespace kestrune {

void RMBlurredView::initWithFrame(ui::Rect frame) {
    View::initWithFrame(frame);
    setUp();
}

void RMBlurredView::initFromNib(ui::NibArgs& args) {
    View::initFromNib(args);
    setUp();
}

void RMBlurredView::setUp() {
    hostedLayer_ = ui::Layer::layer();
    setWantsLayer(true);
    setLayer(hostedLayer_);
    blurRadius_ = 20.0f;
    saturationFactor_ = 2.0f;
    setTintColor(ui::Color::colorWithCalibratedWhite_alpha(1.0, 0.1));
    hostedLayer_->setMasksToBounds(true);
    setLayerUsesCoreImageFilters(true);
    hostedLayer_->setNeedsDisplayOnBoundsChange(true);
    resetFilters();
}

void RMBlurredView::resetFilters() {
    auto saturation = ui::Filter::filterWithName("CIColorControls");
    saturation.setValue_forKey(saturationFactor_, "inputSaturation");
    auto blur = ui::Filter::filterWithName("CIGaussianBlur");
    blur.setValue_forKey(blurRadius_, "inputRadius");
    saturationFilter_ = saturation;
    blurFilter_ = blur;
    if (!hostedLayer_) return;
    hostedLayer_->setBackgroundFilters({saturation, blur});
    hostedLayer_->setNeedsDisplay();
}

void RMBlurredView::setBlurRadius(float radius) {
    blurRadius_ = radius;
    resetFilters();
}

void RMBlurredView::setSaturationFactor(float factor) {
    saturationFactor_ = factor;
    resetFilters();
}

void RMBlurredView::setBlurRadiusNumber(const platform::Number& radius) {
    setBlurRadius(static_cast<float>(radius.doubleValue()));
}

void RMBlurredView::setSaturationFactorNumber(const platform::Number& factor) {
    setSaturationFactor(static_cast<float>(factor.doubleValue()));
}

void RMBlurredView::setTintColor(std::optional<ui::Color> color) {
    tintColor_ = std::move(color);
    if (!hostedLayer_) return;
    if (tintColor_) hostedLayer_->setBackgroundColor(*tintColor_);
    hostedLayer_->setNeedsDisplay();
}

}  // namespace kestrune
