#include "uikit/views/FDCircleLayer.h"

namespace kestrune {

std::shared_ptr<FDCircleLayer> FDCircleLayer::initWithRadius(double radius) {
    auto layer = std::make_shared<FDCircleLayer>();
    layer->setRadius(radius);
    return layer;
}

void FDCircleLayer::setRadius(double radius) {
    radius_ = radius;
    const ui::Point position = this->position();
    setBounds({0, 0, 2 * radius, 2 * radius});
    setPosition(position);
    setCornerRadius(radius);
}

void FDCircleLayer::setRadius_withDuration(double radius, double) {
    setRadius(radius);
}

}  // namespace kestrune
