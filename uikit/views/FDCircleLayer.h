#pragma once

#include <memory>

#include "platform/ui/Layer.h"

namespace kestrune {

namespace ui = platform::ui;

// A layer shaped as a circle of a radius about its position.
class FDCircleLayer : public ui::Layer {
public:
    static std::shared_ptr<FDCircleLayer> initWithRadius(double radius);

    double radius() const { return radius_; }
    // Keeps the position; the bounds become 2r square with corners of r, changed with the layer's
    // implicit animation.
    void setRadius(double radius);
    // The same: the duration is not applied.
    void setRadius_withDuration(double radius, double duration);

private:
    double radius_ = 0;
};

}  // namespace kestrune
