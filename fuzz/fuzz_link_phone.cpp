// The scripted phone reading what the Mac writes: any bytes in any chunks must be read as messages or
// counted as unreadable, never crash; the phone's record coder must read any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/Log.h"
#include "platform/sim/PhoneMessageCoder.h"
#include "platform/sim/SimulatedPhone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    platform::SimulatedPhone phone;
    size_t sent = 0;
    phone.setNotificationSink([&sent](const platform::Data& chunk) { sent += chunk.size(); });
    size_t at = 0;
    while (at < size) {
        const size_t length = std::min<size_t>(1 + data[at] % 24, size - at);
        phone.didReceiveWrite(data[at] & 0x80 ? "DA16" : "DA17", platform::Data(data + at, length));
        at += length;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* type :
         {"MobileSettings", "Device", "MobileDevice", "KestruneViewState", "AuthPayload"}) {
        if (auto record = platform::PhoneMessageCoder::decodeRecord(type, text))
            (void)platform::PhoneMessageCoder::encodeRecord(type, *record);
    }
    return 0;
}
