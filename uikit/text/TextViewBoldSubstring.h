#pragma once

#include <string>

#include "platform/ui/TextView.h"

namespace kestrune {

namespace ui = platform::ui;

// Finds the first occurrence of `part` in `text` and sets that range of the view's own text in the bold
// system font at 12. The view's text is not replaced: the range found in `text` is applied to whatever
// the view holds. A part that does not occur, or a range past the view's text, changes nothing.
void setStringValue_withBoldSubstring(ui::TextView& view, const std::string& text, const std::string& part);

}  // namespace kestrune
