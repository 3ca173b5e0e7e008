#include "link/message/MessageEncoderDecoder.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/support/Base64.h"
#include "app/support/StringAddition.h"
#include "link/message/NMShortStringCoder.h"
#include "platform/base/Log.h"
#include "platform/base/Number.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

namespace {

constexpr const char kIncompatibleModel[] =
    "NSException caught - The data model between versions is not compatible!!";

bool isNumberRequest(int32_t request) {
    switch (request) {
        case 3:
        case 11:
        case 13:
        case 37:
        case 38:
        case 46:
        case 52:
        case 56:
        case 68:
        case 74:
        case 77:
        case 101:
        case 105:
            return true;
        default:
            return false;
    }
}

bool isTextRequest(int32_t request) {
    switch (request) {
        case 48:
        case 50:
        case 55:
        case 67:
        case 72:
        case 73:
        case 75:
        case 104:
        case 112:
            return true;
        default:
            return false;
    }
}

// Numbers from the phone are held to the 32-bit range every reader of them assumes: an integer past
// either end becomes that end, and so does a real (which keeps its fraction inside the range).
platform::Number saturated(const platform::Number& number) {
    if (number.isReal()) {
        double value = number.doubleValue();
        if (!(value <= static_cast<double>(INT32_MAX)))
            return platform::Number(static_cast<double>(INT32_MAX));
        if (value < static_cast<double>(INT32_MIN)) return platform::Number(static_cast<double>(INT32_MIN));
        return number;
    }
    if (number.isBoolean()) return number;
    if (number.kind() == platform::Number::Kind::Unsigned) {
        uint64_t value = number.unsignedLongLongValue();
        return value > static_cast<uint64_t>(INT32_MAX) ? platform::Number(INT32_MAX) : number;
    }
    int64_t value = number.longLongValue();
    if (value > INT32_MAX) return platform::Number(INT32_MAX);
    if (value < INT32_MIN) return platform::Number(INT32_MIN);
    return number;
}

}  // namespace

const std::set<std::string>& MessageEncoderDecoder::archivedPayloadClasses() {
    // Never destroyed: the Bluetooth queue may still decode a message while the process ends.
    static const auto& classes = *new std::set<std::string>{
        "AuthPayload",
        "ConnectionInfo",
        "Device",
        "DeviceInfo",
        "DeviceUser",
        "iOSPreferences",
        "KestruneViewState",
        "MobileDevice",
        "MobileDeviceConnectionInfo",
        "MobileDeviceInfo",
        "MobileDeviceTrackInfo",
        "MobileSettings",
        "OSXPreferences",
        "PairingInfo",
        "SessionInfo",
    };
    return classes;
}

std::optional<std::string> MessageEncoderDecoder::classForMessage(int32_t) const {
    return std::nullopt;
}

std::string MessageEncoderDecoder::encodeMessage(const Message& message) const {
    std::string text;
    text.reserve(256);
    text += message.requestType();
    text += separator_;
    text += std::to_string(message.request());
    text += separator_;
    if (!message.payload().isNull())
        text += NMShortStringCoder::shortStringEncodeForObject(message.payload());
    return text;
}

std::shared_ptr<Message> MessageEncoderDecoder::decodeMessage(std::string_view text) const {
    std::vector<std::string_view> parts = NMShortStringCoder::splitParts(text, separator_);
    if (parts.size() < 2) {
        platform::logf("Failed parsing message %.*s", static_cast<int>(text.size()), text.data());
        return nullptr;
    }
    auto message = Message::initWithRequest(NMShortStringCoder::leadingInt32(parts[1]));
    message->setRequestType(std::string(parts[0]));
    if (parts.size() > 2)
        message->setPayload(payloadObjectForString_forRequest(parts[2], message->request()));
    return message;
}

platform::Value MessageEncoderDecoder::numberPayload(std::string_view text) const {
    auto number = numberForString(text);
    if (!number) return platform::Value();
    return platform::Value(saturated(*number));
}

platform::Value MessageEncoderDecoder::archivedPayload(std::string_view text) const {
    // A message sent without a payload has an empty third field; that is no archive to complain about.
    if (text.empty()) return platform::Value();
    auto data = dataFromBase64String(text);
    if (!data) {
        platform::logf("%s", kIncompatibleModel);
        return platform::Value();
    }
    platform::Error error;
    platform::Value object =
        platform::KeyedUnarchiver::unarchiveObjectWithData(*data, &error, &archivedPayloadClasses());
    if (error.code != 0) {
        platform::logf("%s", kIncompatibleModel);
        return platform::Value();
    }
    return object;
}

platform::Value MessageEncoderDecoder::payloadObjectForString_forRequest(std::string_view text,
                                                                         int32_t request) const {
    if (isNumberRequest(request)) return numberPayload(text);
    if (isTextRequest(request)) return platform::Value(text);
    std::optional<std::string> className =
        classInjection_ ? classInjection_->classForMessage(request) : std::nullopt;
    if (className) {
        auto record = decodeObject_forClass(text, *className);
        if (!record) {
            platform::logf("%s", kIncompatibleModel);
            return platform::Value();
        }
        return platform::Value(record);
    }
    return archivedPayload(text);
}

std::string MessageEncoderDecoder::encodeObject(const platform::Value& object) {
    return NMShortStringCoder::shortStringEncodeForObject(object);
}

std::shared_ptr<platform::Object> MessageEncoderDecoder::decodeObject_forClass(std::string_view text,
                                                                               const std::string& className) {
    return NMShortStringCoder::shortStringDecode_forClass(text, className);
}

}  // namespace kestrune
