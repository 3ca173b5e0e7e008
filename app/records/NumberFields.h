#pragma once

#include <cstdint>
#include <optional>

#include "platform/base/Number.h"

namespace kestrune {

// How the records' optional numbers read: an empty field counts as 0 (NO), as a missing object did on
// the original platform.
inline int32_t intValueOf(const std::optional<platform::Number>& number) {
    return number ? number->intValue() : 0;
}
inline bool boolValueOf(const std::optional<platform::Number>& number) {
    return number && number->boolValue();
}
inline double doubleValueOf(const std::optional<platform::Number>& number) {
    return number ? number->doubleValue() : 0.0;
}
// A code stored the way an unsigned integer number of the original platform holds it (a word-wide
// unsigned value), so that it reads back as the same signed code.
inline platform::Number unsignedCodeNumber(int64_t code) {
    return platform::Number(static_cast<unsigned long long>(code));
}

}  // namespace kestrune
