#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Data.h"

namespace platform {

// The identifier of a Bluetooth LE service or characteristic: 2 bytes for a 16-bit identifier ("DA17"),
// 4 for a 32-bit one, 16 for a full one. Two identifiers are the same when their bytes are.
class BluetoothUUID {
public:
    BluetoothUUID() = default;
    explicit BluetoothUUID(Data bytes) : bytes_(std::move(bytes)) {}

    // 4 or 8 hexadecimal digits, or 32 in the 8-4-4-4-12 form, in either case; none for any other text.
    static std::optional<BluetoothUUID> fromString(std::string_view text);
    // For identifiers written in the program's own source; a malformed one is logged and empty.
    static BluetoothUUID constant(std::string_view text);

    const Data& data() const { return bytes_; }
    // Upper-case digits: "DA17" for a 16-bit identifier, the 8-4-4-4-12 form for a full one.
    std::string UUIDString() const;

    bool operator==(const BluetoothUUID& other) const { return bytes_ == other.bytes_; }
    bool operator<(const BluetoothUUID& other) const { return bytes_.vector() < other.bytes_.vector(); }

private:
    Data bytes_;
};

}  // namespace platform
