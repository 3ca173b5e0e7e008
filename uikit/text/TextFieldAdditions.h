#pragma once

#include <optional>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/TextField.h"

namespace kestrune {

namespace ui = platform::ui;

// Sets the text, or the empty text for none.
void setStringValueOrEmptyString(ui::TextField& field, const std::optional<std::string>& text);

// Fades the field out (0.2 s, ease-out), sets the text, and fades it back in (0.2 s, ease-in). The text
// already shown changes nothing.
void setAnimatedStringValue(ui::TextField& field, const std::string& text);

// The height the field's text needs at its current width, and the width it needs at its current
// height. Both set the text to itself first, which drops any attributed text.
double textHeightForCurrentWidth(ui::TextField& field);
double textWidthForCurrentHeight(ui::TextField& field);

// Gives the field that width and the height its text then needs, centred on the point.
void setWidth_centerPoint(ui::TextField& field, double width, ui::Point center);

// Sets the field's text in "Lucida Grande" 13 over the range (UTF-16 units). A range that does not lie
// inside the text changes nothing.
void boldRange(ui::TextField& field, ui::Range range);
// The same over the first occurrence of the part; none, or a part that does not occur, changes nothing.
void boldSubstring(ui::TextField& field, const std::optional<std::string>& part);

// Where `part` first occurs in `text`, in UTF-16 units; none when it does not (or is empty).
std::optional<ui::Range> rangeOfString(const std::string& text, const std::string& part);

}  // namespace kestrune
