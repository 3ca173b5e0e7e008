#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/message/FrameWriter.h"
#include "platform/base/Data.h"

namespace kestrune {

// The send side of a phone connection's framing: a text becomes UTF-8 bytes with the end marker,
// cut into 20-byte chunks written all at once, and the bytes of primary frames not yet acknowledged
// are counted so that secondary frames give way while the primary channel is busy. Sends come from
// the main thread and the Bluetooth queue; the counter is changed only under this object's lock.
// The chunks of one frame are handed to the writer together, under a second lock, so that a reply
// sent from the Bluetooth queue never lands between the chunks of a message sent from the main
// thread (the phone would read both as garbage); the writer must therefore not wait for either thread.
class FrameSender {
public:
    // A secondary frame is dropped while more than this many bytes wait for acknowledgement.
    static constexpr uint64_t kSecondaryCongestionLimit = 39;
    // Each acknowledged write of the primary channel counts as this many bytes.
    static constexpr uint64_t kAcknowledgedBytesPerWrite = 19;

    explicit FrameSender(std::weak_ptr<FrameWriter> writer);

    void executeSend_onPrimaryChannel(const std::string& text, bool primary);
    void finalizeMessageAndSendCoreData_onPrimaryChannel(platform::Data data, bool primary);
    void sendDataInChunks_onPrimaryChannel(const platform::Data& data, bool primary);
    // The platform acknowledged a write without error to the characteristic.
    void didWriteValueForCharacteristic(const std::string& characteristic);
    void resetDataToSend();

    uint64_t lengthOfDataToSend() const;

private:
    std::weak_ptr<FrameWriter> writer_;
    mutable std::mutex mutex_;
    uint64_t lengthOfDataToSend_ = 0;
    std::mutex frameMutex_;
};

}  // namespace kestrune
