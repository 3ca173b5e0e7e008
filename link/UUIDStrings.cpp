#include "link/UUIDStrings.h"

#include <vector>

#include "platform/base/Strings.h"

namespace kestrune {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string representativeString(const platform::Data& identifier) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    const size_t length = identifier.size();
    for (size_t i = 0; i < length; ++i) {
        out.push_back(kHex[identifier.bytes()[i] >> 4]);
        out.push_back(kHex[identifier.bytes()[i] & 15]);
        // A 32-bit identifier would otherwise end in a dash.
        if ((i == 3 || i == 5 || i == 7 || i == 9) && i + 1 < length) out.push_back('-');
    }
    return out;
}

std::string customUUIDString(const platform::Data& identifier) {
    return platform::toUpperASCII(representativeString(identifier));
}

std::optional<platform::Data> identifierBytesFromString(std::string_view text) {
    const bool full = text.size() == 36;
    if (!(text.size() == 4 || text.size() == 8 || full)) return std::nullopt;
    std::vector<uint8_t> bytes;
    int high = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (full && (i == 8 || i == 13 || i == 18 || i == 23)) {
            if (text[i] != '-') return std::nullopt;
            continue;
        }
        int value = hexValue(text[i]);
        if (value < 0) return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    return platform::Data(std::move(bytes));
}

}  // namespace kestrune
