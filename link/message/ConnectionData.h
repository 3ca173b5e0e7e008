#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Data.h"
#include "platform/base/Value.h"

namespace kestrune {

// The receive side of a phone connection's framing: the chunks the phone notifies are collected per
// peripheral until the end marker arrives; the text before it is decrypted with the link key and
// handed up. Touched from the Bluetooth queue and from the connection's resets (any thread).
class ConnectionData {
public:
    // A peer that never sends the end marker must not grow a buffer without bound: past this many
    // bytes without a frame the buffer is dropped.
    static constexpr size_t kMaximumBufferedBytes = 64 * 1024;

    // Drops every peripheral's buffer.
    void resetData();
    // A copy of the peripheral's buffer (created empty if missing).
    platform::Data getDataForPeripheral(const std::string& peripheralIdentifier);

    // Appends a notified value to the peripheral's buffer; answers the decrypted text once a frame is
    // complete, none while it is incomplete or when it cannot be read.
    std::optional<std::string> generateStringWithReceivedDataforCharacteristic_forPeripheral(
        const platform::Data& value, const std::string& peripheralIdentifier);
    // The same reassembly, with the text read as a JSON object.
    std::optional<platform::Value::Dictionary>
    generateDictionaryWithReceivedDataforCharacteristic_forPeripheral(
        const platform::Data& value, const std::string& peripheralIdentifier);
    // A JSON object text as a dictionary; none for any other text.
    static std::optional<platform::Value::Dictionary> dictFromReceivedString(std::string_view text);

private:
    std::mutex mutex_;
    std::map<std::string, platform::Data> dictOfData_;
};

}  // namespace kestrune
