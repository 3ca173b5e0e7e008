#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrune {

// Names the payload record type of a request number, for the message coder.
class MessageEncoderDecoderInjection {
public:
    virtual ~MessageEncoderDecoderInjection() = default;
    // The class name of the record type the request's payload is coded as, or none.
    virtual std::optional<std::string> classForMessage(int32_t request) const = 0;
};

}  // namespace kestrune
