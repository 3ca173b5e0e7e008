#include "link/message/Message.h"

namespace kestrune {

std::shared_ptr<Message> Message::initWithRequest(int32_t request) {
    auto message = std::make_shared<Message>();
    message->request_ = request;
    return message;
}

}  // namespace kestrune
