#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Data.h"

namespace kestrune {

// Texts of Bluetooth identifiers, taken from the identifier's bytes in order (2 bytes for a 16-bit
// identifier, 4 for a 32-bit one, 16 for a full one).

// Two lower-case hexadecimal digits per byte, with "-" after the 4th, 6th, 8th and 10th byte when
// more bytes follow: "b4fa" for a 16-bit identifier, the 8-4-4-4-12 form for a full one.
std::string representativeString(const platform::Data& identifier);
// The identifier's own text: upper-case digits, "B4FA" for a 16-bit identifier and the 8-4-4-4-12
// form for a full one.
std::string customUUIDString(const platform::Data& identifier);
// The bytes of an identifier text: 4 or 8 hexadecimal digits, or 32 in the 8-4-4-4-12 form, in either
// case. None for any other text.
std::optional<platform::Data> identifierBytesFromString(std::string_view text);

}  // namespace kestrune
