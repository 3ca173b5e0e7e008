#include "app/support/StringAddition.h"

#include <locale.h>
#include <wctype.h>

#include "platform/base/Strings.h"

namespace kestrune {

namespace {

// White space without line breaks: tab and the space separators.
bool isBlank(char16_t c) {
    return c == u'\t' || c == u' ' || c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isBlankOrLineBreak(char16_t c) {
    return isBlank(c) || (c >= 0x000A && c <= 0x000D) || c == 0x0085 || c == 0x2028 || c == 0x2029;
}

// Unicode-aware lower case through the C.UTF-8 character tables (created once, never freed).
locale_t unicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

std::u32string foldedCodePoints(std::string_view text) {
    std::u16string units = platform::toUTF16(text);
    std::u32string out;
    out.reserve(units.size());
    locale_t locale = unicodeLocale();
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (locale) {
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
        } else if (c < 0x80) {
            c = static_cast<char32_t>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
        out.push_back(c);
    }
    return out;
}

bool isASCIIDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool isEmptyString(std::optional<std::string_view> text) {
    return !text || text->empty();
}

std::string newLine() {
    return "%0A";
}

std::optional<platform::Number> numberForString(std::string_view text) {
    if (text.empty() || platform::trimWhitespace(text).size() != text.size()) return std::nullopt;
    return platform::Number::parse(text);
}

bool isInteger(std::string_view text) {
    std::u16string units = platform::toUTF16(text);
    size_t i = 0;
    while (i < units.size() && isBlankOrLineBreak(units[i])) ++i;
    if (i < units.size() && (units[i] == u'+' || units[i] == u'-')) ++i;
    size_t digitsStart = i;
    while (i < units.size() && units[i] >= u'0' && units[i] <= u'9') ++i;
    if (i == digitsStart) return false;
    while (i < units.size() && isBlankOrLineBreak(units[i])) ++i;
    return i == units.size();
}

bool containsOnlyEmptySpaces(std::string_view text) {
    for (char16_t c : platform::toUTF16(text)) {
        if (!isBlank(c)) return false;
    }
    return true;
}

std::string removeNumberFromStringInBrackets(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '(') {
            size_t j = i + 1;
            while (j < text.size() && isASCIIDigit(text[j])) ++j;
            if (j > i + 1 && j < text.size() && text[j] == ')') {
                i = j + 1;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

bool isPartOfOrContains(std::string_view text, std::string_view other) {
    if (text.empty() || other.empty()) return false;
    std::u32string a = foldedCodePoints(text);
    std::u32string b = foldedCodePoints(other);
    return a.find(b) != std::u32string::npos || b.find(a) != std::u32string::npos;
}

bool stringContainsAnySubstringFromArrayOfStrings(std::string_view text,
                                                  const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        if (!part.empty() && text.find(part) != std::string_view::npos) return true;
    }
    return false;
}

}  // namespace kestrune
