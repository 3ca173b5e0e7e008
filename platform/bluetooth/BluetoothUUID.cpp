#include "platform/bluetooth/BluetoothUUID.h"

#include "platform/base/Log.h"

namespace platform {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<BluetoothUUID> BluetoothUUID::fromString(std::string_view text) {
    std::string digits;
    if (text.size() == 36) {
        // Dashes stand exactly after the 8th, 12th, 16th and 20th digit.
        for (size_t i = 0; i < text.size(); ++i) {
            bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
            if (dashPlace != (text[i] == '-')) return std::nullopt;
            if (!dashPlace) digits.push_back(text[i]);
        }
    } else if (text.size() == 4 || text.size() == 8) {
        digits = std::string(text);
    } else {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < digits.size(); i += 2) {
        int high = hexValue(digits[i]);
        int low = hexValue(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return BluetoothUUID(Data(std::move(bytes)));
}

BluetoothUUID BluetoothUUID::constant(std::string_view text) {
    auto identifier = fromString(text);
    if (identifier) return *identifier;
    logf("Bluetooth: \"%.*s\" is no identifier", static_cast<int>(text.size()), text.data());
    return BluetoothUUID();
}

std::string BluetoothUUID::UUIDString() const {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    const auto& bytes = bytes_.vector();
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes.size() == 16 && (i == 4 || i == 6 || i == 8 || i == 10)) text.push_back('-');
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0xF]);
    }
    return text;
}

}  // namespace platform
