#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// Gives the view a new layer of its own whose background is the colour, replacing any earlier layer
// (and whatever that layer carried).
void setBackgouroundColor(ui::View& view, const ui::Color& color);
// The same with the colour's alpha replaced.
void setBackgouroundColor_withAlpha(ui::View& view, const ui::Color& color, double alpha);

}  // namespace kestrune
