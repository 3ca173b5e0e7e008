#include "link/message/FrameSender.h"

#include "app/support/Common.h"
#include "link/message/ConnectionConstants.h"

namespace kestrune {

FrameSender::FrameSender(std::weak_ptr<FrameWriter> writer) : writer_(std::move(writer)) {}

uint64_t FrameSender::lengthOfDataToSend() const {
    std::lock_guard lock(mutex_);
    return lengthOfDataToSend_;
}

void FrameSender::resetDataToSend() {
    std::lock_guard lock(mutex_);
    lengthOfDataToSend_ = 0;
}

void FrameSender::executeSend_onPrimaryChannel(const std::string& text, bool primary) {
    if (!primary && lengthOfDataToSend() > kSecondaryCongestionLimit) return;
    finalizeMessageAndSendCoreData_onPrimaryChannel(platform::Data::fromString(text), primary);
}

void FrameSender::finalizeMessageAndSendCoreData_onPrimaryChannel(platform::Data data, bool primary) {
    data.append(std::string_view(kEndOfMessageMarker));
    if (primary) {
        std::lock_guard lock(mutex_);
        lengthOfDataToSend_ += data.size();
    }
    auto writer = writer_.lock();
    // A frame for a link that is down is lost; its bytes stay counted until the next reset.
    if (!writer || !writer->isLinkConnected()) return;
    sendDataInChunks_onPrimaryChannel(data, primary);
}

void FrameSender::sendDataInChunks_onPrimaryChannel(const platform::Data& data, bool primary) {
    auto writer = writer_.lock();
    if (!writer) return;
    std::lock_guard frameLock(frameMutex_);
    platform::Data rest = data;
    while (Common::hasData(rest)) {
        platform::Value next = Common::getNextDataFromData(rest);
        const platform::Data* chunk = next["data"].data();
        const std::string* range = next["range"].string();
        if (chunk && writer->hasSendingCharacteristic(primary) && writer->isLinkConnected())
            writer->writeChunk(*chunk, primary);
        if (!range) break;
        rest = Common::readData_withRange(rest, *range).value_or(platform::Data());
    }
}

void FrameSender::didWriteValueForCharacteristic(const std::string& characteristic) {
    if (characteristic != kCharacteristicSendingPrimary) return;
    std::lock_guard lock(mutex_);
    lengthOfDataToSend_ = lengthOfDataToSend_ > kAcknowledgedBytesPerWrite
                              ? lengthOfDataToSend_ - kAcknowledgedBytesPerWrite
                              : 0;
}

}  // namespace kestrune
