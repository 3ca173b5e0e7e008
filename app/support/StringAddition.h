#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Number.h"

namespace kestrune {

// Small text helpers shared by the payload coder, the handshake, the records and the history.

// True for no text and for the empty text.
bool isEmptyString(std::optional<std::string_view> text);
// A line break as written inside a mail or web address.
std::string newLine();
// The text as a decimal number ("." before a fraction, optional sign and exponent, nothing around it);
// none when it is no such number.
std::optional<platform::Number> numberForString(std::string_view text);
// True when the text, apart from white space and line breaks at either end, is one decimal integer with
// an optional sign. Like a 32-bit integer scan, a value too large for 32 bits still counts as one.
bool isInteger(std::string_view text);
// True when nothing but blanks and tabs (and other white space that is not a line break) is in the text.
bool containsOnlyEmptySpaces(std::string_view text);
// Removes every "(digits)" group, wherever it stands; blanks around it stay.
std::string removeNumberFromStringInBrackets(std::string_view text);
// True when either text contains the other, ignoring letter case. An empty text is never found in
// another, as the platform's search behaves.
bool isPartOfOrContains(std::string_view text, std::string_view other);
// True when the text contains at least one of the parts (case-sensitive); false for an empty list, and
// an empty part matches nothing.
bool stringContainsAnySubstringFromArrayOfStrings(std::string_view text,
                                                  const std::vector<std::string>& parts);

}  // namespace kestrune
