#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace reporting {

// The reading side of the record files that CRKFile writes at crash time: it runs in a normal process
// (at the next launch, or in the tests), so it may allocate and parse freely.

// Answers the parsed sections in file order, or none when the file cannot
// be read (the file is then removed when deleteOnFailure is set). Lines that do not parse (a line cut
// short by a crash, the empty piece after the last newline) are skipped. The transform may drop an
// object by answering none. Reading ends once `maximumSections` sections are kept: a caller after the
// first line of a crash record does not parse the megabytes of threads after it. `stop` is asked as the
// reading goes: between pieces of a few megabytes of the file, between lines, and every few thousand
// values built or put together even inside one line (a thread of hundreds of thousands of frames is a
// single line), so that no step between two asks grows with the record. Once it answers true the
// reading ends and answers none, the file left as it is whatever deleteOnFailure says.
using CRKFileSectionTransform = std::function<platform::Value(const platform::Value& section)>;
std::optional<platform::Value::Array> CRKFileReadSections(
    const char* path, bool deleteOnFailure, const CRKFileSectionTransform& transform = nullptr,
    size_t maximumSections = std::numeric_limits<size_t>::max(), const std::function<bool()>& stop = nullptr);

// Hex strings: the text whose UTF-8 bytes the digits spell (decoding ends at the first pair that is not
// two hexadecimal digits), and the reverse.
std::string CRKFileHexDecodeString(const char* hex);
std::string CRKFileHexEncodeString(const char* text);

}  // namespace reporting
