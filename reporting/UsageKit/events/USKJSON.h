#pragma once

#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace reporting {

// Compact JSON text of a value: no whitespace, keys in the dictionary's order, booleans as true/false,
// exact decimal numbers by their own text. None for what JSON cannot carry (bytes, dates, other objects,
// a real that is not finite, text that is not UTF-8).
std::optional<std::string> USKJSONString(const platform::Value& value);

}  // namespace reporting
