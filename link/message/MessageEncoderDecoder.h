#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "link/message/Message.h"
#include "link/message/MessageEncoderDecoderInjection.h"
#include "platform/base/Object.h"
#include "platform/base/Value.h"

namespace kestrune {

// Turns a Message into text and back: request type, request number and payload joined by the
// separator (U+02FD for application messages, U+02FE for the handshake layer's transport messages).
// Set up once at creation; afterwards used from any thread.
class MessageEncoderDecoder : public MessageEncoderDecoderInjection {
public:
    static constexpr const char kApplicationSeparator[] = "\u02FD";  // MODIFIER LETTER SHELF
    static constexpr const char kTransportSeparator[] = "\u02FE";    // MODIFIER LETTER OPEN SHELF

    MessageEncoderDecoder() = default;
    virtual ~MessageEncoderDecoder() = default;

    const std::string& separator() const { return separator_; }
    void setSeparator(std::string separator) { separator_ = std::move(separator); }
    const std::shared_ptr<MessageEncoderDecoderInjection>& classInjection() const { return classInjection_; }
    void setClassInjection(std::shared_ptr<MessageEncoderDecoderInjection> injection) {
        classInjection_ = std::move(injection);
    }

    // The base coder names no record type; the injection does.
    std::optional<std::string> classForMessage(int32_t request) const override;

    std::string encodeMessage(const Message& message) const;
    // A new message, or null (with a log line) for a text without a separator.
    std::shared_ptr<Message> decodeMessage(std::string_view text) const;
    // The payload a request carries, from its text; none (with a log line) when it cannot be read.
    platform::Value payloadObjectForString_forRequest(std::string_view text, int32_t request) const;

    static std::string encodeObject(const platform::Value& object);
    static std::shared_ptr<platform::Object> decodeObject_forClass(std::string_view text,
                                                                   const std::string& className);

    // The record classes a keyed archive from the phone may hold: the system's own payload records.
    // Any other class is refused and the payload is none.
    static const std::set<std::string>& archivedPayloadClasses();

private:
    platform::Value numberPayload(std::string_view text) const;
    platform::Value archivedPayload(std::string_view text) const;

    std::string separator_ = kApplicationSeparator;
    std::shared_ptr<MessageEncoderDecoderInjection> classInjection_;
};

}  // namespace kestrune
