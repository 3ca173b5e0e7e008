#include "platform/base/Data.h"

#include <cstring>

namespace platform {

Data::Data(const void* bytes, size_t length) {
    if (length > 0) {
        const auto* p = static_cast<const uint8_t*>(bytes);
        bytes_.assign(p, p + length);
    }
}

std::optional<Data> Data::subdata(size_t location, size_t length) const {
    if (location > bytes_.size() || length > bytes_.size() - location) return std::nullopt;
    return Data(bytes_.data() + location, length);
}

void Data::append(const Data& other) {
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
}

void Data::append(const void* bytes, size_t length) {
    if (length == 0) return;
    const auto* p = static_cast<const uint8_t*>(bytes);
    bytes_.insert(bytes_.end(), p, p + length);
}

std::string Data::hexString() const {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes_.size() * 2);
    for (uint8_t b : bytes_) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0xf]);
    }
    return out;
}

}  // namespace platform
