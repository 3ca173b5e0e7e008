#include "link/message/MessageFactory.h"

namespace kestrune {

std::shared_ptr<Message> MessageFactory::createMessage_payload(int32_t request, platform::Value payload) {
    auto message = Message::initWithRequest(request);
    message->setPayload(std::move(payload));
    return message;
}

std::shared_ptr<Message> MessageFactory::createMessage(int32_t request) {
    return Message::initWithRequest(request);
}

}  // namespace kestrune
