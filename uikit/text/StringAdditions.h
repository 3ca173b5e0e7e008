#pragma once

#include <cstdint>
#include <string>

#include "platform/base/Value.h"
#include "platform/ui/Font.h"

namespace kestrune {

namespace ui = platform::ui;

// Shortens the text to `maximum` UTF-16 units with ".." at the end: when maximum - 2 is not greater than
// the text's length, the first maximum - 2 units (never splitting a composed character, so sometimes a
// unit more) followed by ".."; otherwise the text itself. A maximum below 2 keeps nothing but "..".
std::string stringWithMaxLengt(const std::string& text, int32_t maximum);

// The width of the text drawn in the font.
double stringLengthForFont(const std::string& text, const ui::Font& font);

// The object stored under the key, whatever it is, or "" when there is none (or no dictionary).
platform::Value stringObjectForKey(const platform::Value& dictionary, const std::string& key);

// Whether the list holds an object equal to the given one.
bool containsString(const platform::Value::Array& array, const platform::Value& object);

}  // namespace kestrune
