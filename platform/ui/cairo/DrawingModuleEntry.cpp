// The entry of the drawing module (kestrune-drawing.so): the executable loads the module when something
// first needs pixels or text metrics and asks it here for its renderer and measurer.
#include <memory>

#include "platform/ui/cairo/CairoRenderer.h"

extern "C" __attribute__((visibility("default"))) void kestruneDrawingBackend(
    std::shared_ptr<platform::ui::Renderer>* renderer,
    std::shared_ptr<platform::ui::TextMeasurer>* measurer) {
    *renderer = std::make_shared<platform::ui::CairoRenderer>();
    *measurer = std::make_shared<platform::ui::PangoTextMeasurer>();
}
