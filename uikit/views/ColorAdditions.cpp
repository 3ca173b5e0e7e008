#include "uikit/views/ColorAdditions.h"

#include <cstdint>

namespace kestrune {

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint32_t scanHex(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\f' || text[i] == '\v'))
        ++i;
    // The prefix counts only when a digit follows it; "0x" alone reads as the 0 before the x.
    const bool prefixed = text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0;
    if (prefixed && i + 2 < text.size() && hexDigit(text[i + 2]) >= 0) i += 2;
    uint64_t value = 0;
    for (; i < text.size() && hexDigit(text[i]) >= 0; ++i) {
        value = value * 16 + static_cast<uint64_t>(hexDigit(text[i]));
        if (value > UINT32_MAX) value = UINT32_MAX + uint64_t{1};  // saturated; stays above the limit
    }
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}
}  // namespace

ui::Color colorWithHexColorString(const std::optional<std::string>& text) {
    const uint32_t value = text ? scanHex(*text) : 0;
    return ui::Color::colorWithCalibratedRed_green_blue_alpha(
        ((value >> 16) & 0xff) / 255.0, ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0, 1.0);
}

}  // namespace kestrune
