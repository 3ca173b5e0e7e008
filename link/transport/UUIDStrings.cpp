#include "link/transport/UUIDStrings.h"

#include "platform/base/Strings.h"
#include "platform/bluetooth/BluetoothUUID.h"

namespace kestrune {

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
    auto identifier = platform::BluetoothUUID::fromString(text);
    if (!identifier) return std::nullopt;
    return identifier->data();
}

}  // namespace kestrune
