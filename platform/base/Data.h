#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Raw bytes. Reads past the end are refused (none), never undefined.
class Data {
public:
    Data() = default;
    explicit Data(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    Data(const void* bytes, size_t length);
    static Data fromString(std::string_view text) { return Data(text.data(), text.size()); }

    size_t size() const { return bytes_.size(); }
    size_t length() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    const uint8_t* bytes() const { return bytes_.data(); }
    uint8_t* mutableBytes() { return bytes_.data(); }
    const std::vector<uint8_t>& vector() const { return bytes_; }
    std::vector<uint8_t>& vector() { return bytes_; }

    // The bytes [location, location + length), or none when that range is not inside the data.
    std::optional<Data> subdata(size_t location, size_t length) const;
    void append(const Data& other);
    void append(const void* bytes, size_t length);
    void append(std::string_view text) { append(text.data(), text.size()); }
    void clear() { bytes_.clear(); }

    // The bytes as text, unchanged (no encoding check).
    std::string toString() const { return std::string(bytes_.begin(), bytes_.end()); }
    std::string hexString() const;

    bool operator==(const Data& other) const = default;

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace platform
