#pragma once

#include <nlohmann/json.hpp>

#include "platform/base/Value.h"

namespace platform {

// JSON to and from the platform's values, for texts that come from a server or another process.
// Nesting deeper than maximumDepth becomes null, so a hostile text cannot exhaust the stack.
Value valueFromJSON(const nlohmann::json& json, int maximumDepth, int depth = 0);
nlohmann::json JSONFromValue(const Value& value);

}  // namespace platform
