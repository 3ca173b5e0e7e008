#include "platform/base/UnicodeClasses.h"

#include <glib.h>

#include "platform/base/Strings.h"

namespace platform {

bool isUnicodeLetter(char32_t codePoint) {
    return g_unichar_isalpha(static_cast<gunichar>(codePoint));
}

bool isUnicodeDecimalDigit(char32_t codePoint) {
    return g_unichar_isdigit(static_cast<gunichar>(codePoint));
}

bool isUnicodeAlphanumeric(char32_t codePoint) {
    return isUnicodeLetter(codePoint) || isUnicodeDecimalDigit(codePoint);
}

std::u32string toUTF32(std::string_view utf8) {
    // Through UTF-16 so that invalid bytes are replaced the same way the string helpers replace them.
    const std::u16string units = toUTF16(utf8);
    std::u32string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(c);
    }
    return out;
}

std::string fromUTF32(std::u32string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
        }
    }
    return fromUTF16(units);
}

}  // namespace platform
