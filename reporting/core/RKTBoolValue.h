#pragma once

#include "platform/base/Value.h"

namespace reporting {

// The truth of a configuration value as the kit reads it: a number is true when not zero; a text is
// true when, after blanks, an optional sign and leading zeros, it begins with Y, y, T, t or a digit
// 1-9 ("YES", "true", "1"); anything else gives the fallback.
bool RKTBoolValue(const platform::Value& value, bool fallback = false);
// Whether the value is a text or a number, the kinds RKTBoolValue reads.
bool RKTIsStringOrNumber(const platform::Value& value);

}  // namespace reporting
