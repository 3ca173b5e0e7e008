#pragma once

#include <cstdint>
#include <memory>

#include "link/message/Message.h"
#include "platform/base/Value.h"

namespace kestrune {

// Builds the application messages the Mac sends.
class MessageFactory {
public:
    static std::shared_ptr<Message> createMessage_payload(int32_t request, platform::Value payload);
    static std::shared_ptr<Message> createMessage(int32_t request);
};

}  // namespace kestrune
