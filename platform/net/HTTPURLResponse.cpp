#include "platform/net/HTTPURLResponse.h"

#include "platform/base/Strings.h"

namespace platform {

std::optional<std::string> HTTPURLResponse::valueForHTTPHeaderField(const std::string& name) const {
    for (const auto& [key, value] : headers_)
        if (caseInsensitiveCompare(key, name) == 0) return value;
    return std::nullopt;
}

}  // namespace platform
