#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// A key combination as glyphs: the modifiers held (Control, Option, Shift, Command, in that order), then
// the key's own glyph or, for a key without one, what it types with the current keyboard layout.
std::string hotKeyStringForKeyCode(uint16_t keyCode, uint64_t modifierFlags);

}  // namespace kestrune
