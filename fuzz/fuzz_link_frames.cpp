// The chunks a phone notifies: any bytes, cut anywhere and interleaved between two peripherals, must be
// reassembled into texts or dropped, never crash, and no buffer may grow past its bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/message/ConnectionData.h"
#include "platform/base/Log.h"

using kestrune::ConnectionData;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    ConnectionData buffers;
    // Each notification: one length byte (its low bits the length, its top bit the peripheral), then
    // that many bytes.
    size_t at = 0;
    while (at < size) {
        const uint8_t header = data[at++];
        const size_t length = std::min<size_t>(header & 0x3F, size - at);
        const std::string peripheral = (header & 0x80) ? "B" : "A";
        platform::Data chunk(data + at, length);
        at += length;
        if (header & 0x40) {
            (void)buffers.generateDictionaryWithReceivedDataforCharacteristic_forPeripheral(chunk,
                                                                                            peripheral);
        } else {
            (void)buffers.generateStringWithReceivedDataforCharacteristic_forPeripheral(chunk, peripheral);
        }
        if (buffers.getDataForPeripheral(peripheral).size() > ConnectionData::kMaximumBufferedBytes + 64)
            std::abort();
    }
    (void)ConnectionData::dictFromReceivedString(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
