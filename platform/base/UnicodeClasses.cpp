#include "platform/base/UnicodeClasses.h"

#include <glib.h>

#include <algorithm>
#include <vector>

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

namespace platform {

std::string uppercaseString(std::string_view utf8) {
    // GLib's mapping applies the special casings; the text is made valid first, as it expects.
    const std::u16string units = toUTF16(utf8);
    const std::string valid = fromUTF16(units);
    gchar* upper = g_utf8_strup(valid.data(), static_cast<gssize>(valid.size()));
    std::string out = upper ? upper : "";
    g_free(upper);
    return out;
}

std::string lowercaseString(std::string_view utf8) {
    const std::u16string units = toUTF16(utf8);
    const std::string valid = fromUTF16(units);
    gchar* lower = g_utf8_strdown(valid.data(), static_cast<gssize>(valid.size()));
    std::string out = lower ? lower : "";
    g_free(lower);
    return out;
}

std::string caseFoldedString(std::string_view utf8) {
    const std::u16string units = toUTF16(utf8);
    const std::string valid = fromUTF16(units);
    gchar* folded = g_utf8_casefold(valid.data(), static_cast<gssize>(valid.size()));
    // Folding may leave a letter and its mark apart where the text had them as one ("ǰ" folds to "j"
    // and a caron): composed again, both spellings compare the same.
    gchar* composed = folded ? g_utf8_normalize(folded, -1, G_NORMALIZE_DEFAULT_COMPOSE) : nullptr;
    std::string out = composed ? composed : (folded ? folded : "");
    g_free(composed);
    g_free(folded);
    return out;
}

namespace {
enum class Hangul { None, L, V, T, LV, LVT };

Hangul hangulKind(char32_t c) {
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0xA960 && c <= 0xA97C)) return Hangul::L;
    if ((c >= 0x1160 && c <= 0x11A7) || (c >= 0xD7B0 && c <= 0xD7C6)) return Hangul::V;
    if ((c >= 0x11A8 && c <= 0x11FF) || (c >= 0xD7CB && c <= 0xD7FB)) return Hangul::T;
    if (c >= 0xAC00 && c <= 0xD7A3) return (c - 0xAC00) % 28 == 0 ? Hangul::LV : Hangul::LVT;
    return Hangul::None;
}

bool isRegionalIndicator(char32_t c) {
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

// Characters that never start a sequence of their own: marks, joiners, variation selectors and the
// skin-tone modifiers.
bool extendsPrevious(char32_t c) {
    switch (g_unichar_type(static_cast<gunichar>(c))) {
        case G_UNICODE_NON_SPACING_MARK:
        case G_UNICODE_SPACING_MARK:
        case G_UNICODE_ENCLOSING_MARK:
            return true;
        default:
            break;
    }
    return c == 0x200C || c == 0x200D || (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0020 && c <= 0xE007F);
}

// Whether a boundary lies between two neighbouring characters. `regionalRun` counts the regional
// indicators directly before `b`, so that flags pair up.
bool boundaryBetween(char32_t a, char32_t b, int regionalRun) {
    if (a == '\r' && b == '\n') return false;
    if (a == '\r' || a == '\n' || b == '\r' || b == '\n') return true;
    const Hangul ha = hangulKind(a), hb = hangulKind(b);
    if (ha == Hangul::L && (hb == Hangul::L || hb == Hangul::V || hb == Hangul::LV || hb == Hangul::LVT))
        return false;
    if ((ha == Hangul::LV || ha == Hangul::V) && (hb == Hangul::V || hb == Hangul::T)) return false;
    if ((ha == Hangul::LVT || ha == Hangul::T) && hb == Hangul::T) return false;
    if (extendsPrevious(b)) return false;
    // A joiner joins the next pictograph to the sequence before it.
    if (a == 0x200D && g_unichar_type(static_cast<gunichar>(b)) == G_UNICODE_OTHER_SYMBOL) return false;
    if (isRegionalIndicator(a) && isRegionalIndicator(b)) return regionalRun % 2 == 0;
    return true;
}
}  // namespace

std::pair<size_t, size_t> rangeOfComposedCharacterSequencesForRange(std::u16string_view text, size_t location,
                                                                    size_t length) {
    const size_t size = text.size();
    location = std::min(location, size);
    const size_t end = length > size - location ? size : location + length;
    // The starts of every sequence, found by walking the code points once.
    std::vector<size_t> starts;
    char32_t previous = 0;
    int regionalRun = 0;
    for (size_t i = 0; i < size;) {
        char32_t c = text[i];
        size_t width = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            width = 2;
        }
        if (i == 0 || boundaryBetween(previous, c, regionalRun)) starts.push_back(i);
        regionalRun = isRegionalIndicator(c) ? regionalRun + 1 : 0;
        previous = c;
        i += width;
    }
    starts.push_back(size);
    // The start at or before the location; the first start at or after the end (a non-empty range
    // whose end falls inside a sequence takes the whole sequence).
    size_t from = 0;
    for (size_t s : starts)
        if (s <= location) from = s;
    size_t to = from;
    for (size_t s : starts) {
        if (s >= end) {
            to = s;
            break;
        }
    }
    return {from, std::max(from, to) - from};
}

}  // namespace platform
