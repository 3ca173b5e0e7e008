#pragma once

#include <optional>
#include <string>

#include "platform/ui/Color.h"

namespace kestrune {

namespace ui = platform::ui;

// An opaque calibrated colour from text such as "09D261": the text is read as an unsigned 32-bit
// hexadecimal number the way a text scanner reads one (white space and a "0x" before it are skipped,
// reading stops at the first other character, a value too large for 32 bits reads as the largest, and
// nothing readable reads as 0). Bits 16-23 are red, 8-15 green, 0-7 blue; higher bits are ignored.
// No text, or text without a number, gives black.
ui::Color colorWithHexColorString(const std::optional<std::string>& text);

}  // namespace kestrune
