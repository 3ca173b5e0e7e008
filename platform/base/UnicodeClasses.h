#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

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

// Upper case by the full Unicode mappings, one character becoming several where the database says so
// ("ß" becomes "SS", "ﬁ" becomes "FI"). The same whatever the user's language.
std::string uppercaseString(std::string_view utf8);
// Lower case by the full Unicode mappings, the same whatever the user's language.
std::string lowercaseString(std::string_view utf8);
// The text with its case folded and composed, for comparing texts as a reader would, whatever their
// case and script: a text and its upper case fold to the same ("STRASSE" and "straße", "AÑADIR" and
// "añadir", "ДОБАВИТЬ" and "добавить").
std::string caseFoldedString(std::string_view utf8);

// A range of UTF-16 units widened so that it neither starts nor ends inside a composed character
// sequence: a surrogate pair, a base with its combining marks and variation selectors, a Hangul
// syllable written in jamo, a flag's pair of regional indicators, an emoji with its modifiers and
// joined parts, CR LF. Answers (location, length); a range past the end is cut at the end.
std::pair<size_t, size_t> rangeOfComposedCharacterSequencesForRange(std::u16string_view text, size_t location,
                                                                    size_t length);

}  // namespace platform
