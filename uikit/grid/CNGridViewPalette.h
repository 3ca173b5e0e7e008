#pragma once

#include "platform/ui/Color.h"

namespace kestrune {

// The grid view's colours, an addition to the platform's colour class.
platform::ui::Color itemBackgroundColor();
platform::ui::Color itemBackgroundHoverColor();
platform::ui::Color itemBackgroundSelectionColor();
platform::ui::Color itemSelectionRingColor();
platform::ui::Color itemTitleColor();
platform::ui::Color itemTitleShadowColor();
platform::ui::Color selectionFrameColor();

}  // namespace kestrune
