// Texts from the phone on both levels of the link: transport messages and the application messages
// inside them, with every payload row (numbers, texts, records, keyed archives). Any text must give a
// message or none, and a payload or none, never a crash; what decodes must encode again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/message/KestruneMessageEncoderDecoder.h"
#include "link/message/MessageEncoderDecoder.h"
#include "link/message/NMShortStringCoder.h"
#include "platform/base/Log.h"

using namespace kestrune;

namespace {

struct Coders {
    Coders() {
        platform::Log::setSink([](const std::string&) {});
        application.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
        transport.setSeparator(MessageEncoderDecoder::kTransportSeparator);
        transport.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
    }
    MessageEncoderDecoder application;
    MessageEncoderDecoder transport;
};

const char* const kRecordTypes[] = {
    "AuthPayload",    "DeviceUser",     "SessionInfo", "MobileDeviceTrackInfo", "MobileDevice",     "Device",
    "iOSPreferences", "OSXPreferences", "PairingInfo", "MobileSettings",        "KestruneViewState"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Coders coders;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    for (const MessageEncoderDecoder* coder : {&coders.application, &coders.transport}) {
        auto message = coder->decodeMessage(text);
        if (!message) continue;
        (void)coder->encodeMessage(*message);
        // The application message inside a transport message, as the connection controller reads it.
        if (const std::string* inner = message->payload().string()) {
            if (auto app = coders.application.decodeMessage(*inner))
                (void)coders.application.encodeMessage(*app);
        }
    }

    // The same text as the payload of every request number's row.
    if (size > 0) {
        int32_t request = static_cast<int32_t>(data[0]);
        (void)coders.application.payloadObjectForString_forRequest(text.substr(1), request);
    }
    const std::string& type = kRecordTypes[size % (sizeof kRecordTypes / sizeof kRecordTypes[0])];
    if (auto record = NMShortStringCoder::shortStringDecode_forClass(text, type))
        (void)NMShortStringCoder::shortStringEncodeForObject(platform::Value(record));
    return 0;
}
