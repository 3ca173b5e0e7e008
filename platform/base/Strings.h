#pragma once

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// printf-style formatting into a string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The same over an argument list (which it consumes).
std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

// UTF-8 <-> UTF-16. Rules that count characters count UTF-16 units, as the original platform does.
// Invalid UTF-8 bytes become U+FFFD; none is returned only by the strict decoder.
std::u16string toUTF16(std::string_view utf8);
std::string fromUTF16(std::u16string_view utf16);
std::optional<std::u16string> toUTF16Strict(std::string_view utf8);
size_t utf16Length(std::string_view utf8);
bool isValidUTF8(std::string_view text);
// The first `units` UTF-16 units of the text (never splitting a surrogate pair).
std::string prefixUTF16(std::string_view utf8, size_t units);

std::vector<std::string> split(std::string_view text, std::string_view separator);
std::string join(const std::vector<std::string>& parts, std::string_view separator);
std::string replaceAll(std::string text, std::string_view from, std::string_view to);
std::string trimWhitespace(std::string_view text);
bool hasPrefix(std::string_view text, std::string_view prefix);
bool hasSuffix(std::string_view text, std::string_view suffix);
bool contains(std::string_view text, std::string_view part);
std::string toLowerASCII(std::string_view text);
std::string toUpperASCII(std::string_view text);
// Compares with letters folded to one case; a text that is a prefix of another comes first.
int caseInsensitiveCompare(std::string_view a, std::string_view b);
// Outside text as a log line may show it: at most `longest` bytes (then "..."), on one line, each byte
// that is not printable ASCII shown as "?".
std::string printableForLog(std::string_view text, size_t longest = 40);

}  // namespace platform
