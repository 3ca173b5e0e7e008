#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Data.h"

namespace kestrune {

// Service identifiers the Mac chooses and tells the phone: a type letter and three random hexadecimal
// characters. Identifiers are handled as their bytes (see UUIDStrings.h).
class CBUUIDManager {
public:
    // Type 0 "C", 1 "B" (the tracked phone's services), 2 "A"; none for any other type.
    static std::optional<std::string> generateStringForType(int64_t type);
    static std::optional<platform::Data> generateCBUUIDForType(int64_t type);
    // From the identifier's text: first letter "A" 2, "B" 1, "C" 0 (either case); anything else 1.
    static int64_t getTypeOfCBUUID(const platform::Data& identifier);
    // The identifier of a text; none (and a log line) for a text that is no identifier, as one sent by
    // the phone may be.
    static std::optional<platform::Data> generateCBUUIDFromString(std::string_view text);
    static std::string generateStringFromCBUUID(const platform::Data& identifier);
    // n characters drawn uniformly from "ABCDEF0123456789"; the empty text for n <= 0.
    static std::string genRandStringLength(int64_t length);
};

}  // namespace kestrune
