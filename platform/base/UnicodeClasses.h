#pragma once

#include <string>
#include <string_view>

namespace platform {

// Character classes of the Unicode database, for rules that clean names ("letters, digits and _").
// They stand on GLib's character tables, which come with Pango; no other part of the system sees GLib.
//
// A letter is a code point of a letter category (Lu, Ll, Lt, Lm, Lo); marks are not letters. A digit is a
// decimal digit (Nd). Alphanumeric is either.
bool isUnicodeLetter(char32_t codePoint);
bool isUnicodeDecimalDigit(char32_t codePoint);
bool isUnicodeAlphanumeric(char32_t codePoint);

// The code points of UTF-8 text (an invalid byte reads as U+FFFD), and back.
std::u32string toUTF32(std::string_view utf8);
std::string fromUTF32(std::u32string_view text);

}  // namespace platform
