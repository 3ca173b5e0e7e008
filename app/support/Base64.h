#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Data.h"

namespace kestrune {

// Base64 with the standard alphabet and "=" padding. The encoder writes one line without breaks; the
// decoder skips blanks and line breaks, so text wrapped by another writer still reads back. Text that
// is not Base64 (a foreign character, a misplaced "=", a lone trailing character) gives none.
std::optional<platform::Data> dataFromBase64String(std::string_view text);
std::string base64EncodedString(const platform::Data& data);

// The same for text: the text's UTF-8 bytes are what is encoded. Decoding gives none when the Base64
// is bad or its bytes are not valid UTF-8.
std::optional<std::string> stringWithBase64EncodedString(std::string_view base64);
// Bytes that are not valid UTF-8 are replaced by U+FFFD before encoding, never refused.
std::string base64EncodedString(std::string_view text);
std::optional<std::string> base64DecodedString(std::string_view base64);
std::optional<platform::Data> base64DecodedData(std::string_view base64);

}  // namespace kestrune
