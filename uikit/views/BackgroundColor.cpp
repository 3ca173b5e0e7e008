#include "uikit/views/BackgroundColor.h"

#include "platform/ui/Layer.h"

namespace kestrune {

void setBackgouroundColor(ui::View& view, const ui::Color& color) {
    auto layer = ui::Layer::layer();
    layer->setBackgroundColor(color);
    view.setWantsLayer(true);
    view.setLayer(layer);
}

void setBackgouroundColor_withAlpha(ui::View& view, const ui::Color& color, double alpha) {
    setBackgouroundColor(view, color.colorWithAlphaComponent(alpha));
}

}  // namespace kestrune
