#pragma once

#include <memory>

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// A picture of the view's bounds as the view draws them (through the installed renderer; without one
// the image has the bounds' size and no pixels).
std::shared_ptr<ui::Image> makeImageSnapshot(ui::View& view);
// A picture of the view drawn through its layer: for the capture the view is shown and layer-backed,
// and both are put back afterwards.
std::shared_ptr<ui::Image> imageRepresentation(ui::View& view);

}  // namespace kestrune
