#include "uikit/views/RoundedCorners.h"

namespace kestrune {

void setRoundedCornerSize(ui::View& view, double radius) {
    view.setWantsLayer(true);
    if (auto layer = view.layer()) {
        layer->setCornerRadius(radius);
        layer->setMasksToBounds(true);
    }
}

}  // namespace kestrune
