#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/Value.h"

namespace kestrune {

// One message of the phone link: an application request with its number and payload, or (with a
// command word in `requestType`) a transport command of the handshake layer.
class Message {
public:
    // A message for the request with no payload and an empty request type.
    static std::shared_ptr<Message> initWithRequest(int32_t request);

    // The command word of a transport command; "" for every application message.
    const std::string& requestType() const { return requestType_; }
    void setRequestType(std::string value) { requestType_ = std::move(value); }
    int32_t request() const { return request_; }
    void setRequest(int32_t value) { request_ = value; }
    // None, a number, a text or a payload record.
    const platform::Value& payload() const { return payload_; }
    void setPayload(platform::Value value) { payload_ = std::move(value); }

private:
    std::string requestType_;
    int32_t request_ = 0;
    platform::Value payload_;
};

}  // namespace kestrune
