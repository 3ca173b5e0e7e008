// Datagrams of the inter-process channel come from other processes: any bytes give a notification or
// none, never a crash, and a notification read survives being written and read again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/InterProcessNotificationCenter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    using platform::InterProcessNotificationCenter;
    const std::string datagram(reinterpret_cast<const char*>(bytes), size);
    auto message = InterProcessNotificationCenter::decodeMessage(datagram);
    if (!message) return 0;
    auto again = InterProcessNotificationCenter::decodeMessage(
        InterProcessNotificationCenter::encodeMessage(message->first, message->second));
    if (!again || again->first != message->first || !(again->second == message->second)) __builtin_trap();
    return 0;
}
