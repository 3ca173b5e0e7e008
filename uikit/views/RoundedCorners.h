#pragma once

#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// Makes the view layer-backed with rounded corners of that radius, its drawing cut at them.
void setRoundedCornerSize(ui::View& view, double radius);

}  // namespace kestrune
