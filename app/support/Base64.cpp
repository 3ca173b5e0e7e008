#include "app/support/Base64.h"

#include <array>
#include <cstdint>

#include "platform/base/Strings.h"

namespace kestrune {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> makeDecodeTable() {
    std::array<int8_t, 256> table{};
    for (auto& entry : table) entry = -1;
    for (int i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
    return table;
}
constexpr std::array<int8_t, 256> kDecode = makeDecodeTable();

bool isSkippable(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

std::optional<platform::Data> dataFromBase64String(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3 + 3);
    uint32_t accumulator = 0;
    size_t symbols = 0;  // alphabet characters read
    size_t padding = 0;
    for (char c : text) {
        if (isSkippable(c)) continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        int8_t value = kDecode[static_cast<uint8_t>(c)];
        if (value < 0 || padding > 0) return std::nullopt;  // foreign character, or data after "="
        accumulator = (accumulator << 6) | static_cast<uint32_t>(value);
        if (++symbols % 4 == 0) {
            out.push_back(static_cast<uint8_t>(accumulator >> 16));
            out.push_back(static_cast<uint8_t>(accumulator >> 8));
            out.push_back(static_cast<uint8_t>(accumulator));
            accumulator = 0;
        }
    }
    size_t tail = symbols % 4;
    // One leftover character carries fewer than 8 bits; padding must complete the last group exactly.
    if (tail == 1 || padding > 2 || (padding > 0 && (tail + padding) != 4)) return std::nullopt;
    if (tail == 2) {
        out.push_back(static_cast<uint8_t>(accumulator >> 4));
    } else if (tail == 3) {
        out.push_back(static_cast<uint8_t>(accumulator >> 10));
        out.push_back(static_cast<uint8_t>(accumulator >> 2));
    }
    return platform::Data(std::move(out));
}

std::string base64EncodedString(const platform::Data& data) {
    const uint8_t* bytes = data.bytes();
    size_t length = data.size();
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        uint32_t group = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8) | bytes[i + 2];
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(kAlphabet[(group >> 6) & 63]);
        out.push_back(kAlphabet[group & 63]);
    }
    if (length - i == 1) {
        uint32_t group = uint32_t(bytes[i]) << 16;
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out += "==";
    } else if (length - i == 2) {
        uint32_t group = (uint32_t(bytes[i]) << 16) | (uint32_t(bytes[i + 1]) << 8);
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(kAlphabet[(group >> 6) & 63]);
        out.push_back('=');
    }
    return out;
}

std::optional<std::string> stringWithBase64EncodedString(std::string_view base64) {
    auto data = dataFromBase64String(base64);
    if (!data) return std::nullopt;
    std::string text = data->toString();
    if (!platform::isValidUTF8(text)) return std::nullopt;
    return text;
}

std::string base64EncodedString(std::string_view text) {
    if (platform::isValidUTF8(text)) return base64EncodedString(platform::Data::fromString(text));
    return base64EncodedString(platform::Data::fromString(platform::fromUTF16(platform::toUTF16(text))));
}

std::optional<std::string> base64DecodedString(std::string_view base64) {
    return stringWithBase64EncodedString(base64);
}

std::optional<platform::Data> base64DecodedData(std::string_view base64) {
    return dataFromBase64String(base64);
}

}  // namespace kestrune
