#include "platform/base/Strings.h"

#include <cstdarg>
#include <cstdio>

namespace platform {

std::string vformat(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<size_t>(needed));
    }
    return out;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

namespace {

// Decodes one code point at text[i]; answers it and advances i, or answers none for an invalid sequence
// (advancing past one byte).
std::optional<char32_t> decodeOne(std::string_view text, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
        ++i;
        return std::nullopt;
    }
    if (i + static_cast<size_t>(extra) >= text.size()) {
        ++i;
        return std::nullopt;
    }
    for (int k = 1; k <= extra; ++k) {
        unsigned char cc = byte(i + static_cast<size_t>(k));
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return std::nullopt;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return std::nullopt;
    }
    i += static_cast<size_t>(extra) + 1;
    return cp;
}

void appendUTF16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void appendUTF8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::u16string toUTF16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) appendUTF16(out, decodeOne(utf8, i).value_or(0xFFFD));
    return out;
}

std::optional<std::u16string> toUTF16Strict(std::string_view utf8) {
    std::u16string out;
    size_t i = 0;
    while (i < utf8.size()) {
        auto cp = decodeOne(utf8, i);
        if (!cp) return std::nullopt;
        appendUTF16(out, *cp);
    }
    return out;
}

bool isValidUTF8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        if (!decodeOne(text, i)) return false;
    }
    return true;
}

std::string fromUTF16(std::u16string_view utf16) {
    std::string out;
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        appendUTF8(out, u);
    }
    return out;
}

size_t utf16Length(std::string_view utf8) {
    size_t count = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        auto cp = decodeOne(utf8, i).value_or(0xFFFD);
        count += cp >= 0x10000 ? 2 : 1;
    }
    return count;
}

std::string prefixUTF16(std::string_view utf8, size_t units) {
    size_t count = 0;
    size_t i = 0;
    std::string out;
    while (i < utf8.size()) {
        auto cp = decodeOne(utf8, i).value_or(0xFFFD);
        size_t width = cp >= 0x10000 ? 2 : 1;
        if (count + width > units) break;
        count += width;
        appendUTF8(out, cp);
    }
    return out;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::string trimWhitespace(std::string_view text) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool hasPrefix(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool hasSuffix(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string toLowerASCII(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string toUpperASCII(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

int caseInsensitiveCompare(std::string_view a, std::string_view b) {
    std::u16string ua = toUTF16(toLowerASCII(a));
    std::u16string ub = toUTF16(toLowerASCII(b));
    int r = ua.compare(ub);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

std::string printableForLog(std::string_view text, size_t longest) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < longest; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return text.size() > longest ? out + "..." : out;
}

}  // namespace platform
