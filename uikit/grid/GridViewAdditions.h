#pragma once

#include "platform/ui/View.h"

namespace kestrune {

// Additions to the platform's view class used by the grid view: direct subviews only.

// True when the view's direct subviews hold the receiver.
bool isSubviewOfView(const platform::ui::View& receiver, const platform::ui::View& view);
// True when the receiver's direct subviews hold the view.
bool containsSubView(const platform::ui::View& receiver, const platform::ui::View& subview);

}  // namespace kestrune
