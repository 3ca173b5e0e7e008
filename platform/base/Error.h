#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A failure reported to a caller: the domain names the layer that failed, the code its reason.
struct Error {
    std::string domain;
    int64_t code = 0;
    std::string description;

    bool operator==(const Error&) const = default;
};

}  // namespace platform
