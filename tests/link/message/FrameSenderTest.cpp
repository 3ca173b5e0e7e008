#include "link/message/FrameSender.h"

#include <thread>

#include "link/message/ConnectionConstants.h"
#include "platform/base/Strings.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Data;

namespace {

class RecordingWriter : public FrameWriter {
public:
    bool isLinkConnected() override { return connected; }
    bool hasSendingCharacteristic(bool primary) override { return primary ? hasPrimary : hasSecondary; }
    void writeChunk(const Data& chunk, bool primary) override {
        std::lock_guard lock(mutex);
        chunks.emplace_back(chunk, primary);
    }
    std::vector<size_t> sizes() {
        std::lock_guard lock(mutex);
        std::vector<size_t> out;
        for (const auto& [chunk, primary] : chunks) out.push_back(chunk.size());
        return out;
    }

    std::atomic<bool> connected{true};
    bool hasPrimary = true;
    bool hasSecondary = true;
    std::mutex mutex;
    std::vector<std::pair<Data, bool>> chunks;
};

class FrameSenderTest : public testsupport::KestruneTest {
protected:
    std::shared_ptr<RecordingWriter> writer = std::make_shared<RecordingWriter>();
    FrameSender sender{writer};
};

}  // namespace

TEST_F(FrameSenderTest, FramesAreCutIntoTwentyByteChunks) {
    sender.executeSend_onPrimaryChannel(std::string(17, 'a'), true);  // 20 bytes with the marker
    EXPECT_EQ(writer->sizes(), (std::vector<size_t>{20}));
    sender.executeSend_onPrimaryChannel(std::string(18, 'a'), true);  // 21 bytes
    EXPECT_EQ(writer->sizes(), (std::vector<size_t>{20, 20, 1}));
    sender.resetDataToSend();  // else the 41 pending bytes hold the secondary frame back
    sender.executeSend_onPrimaryChannel("", false);
    ASSERT_EQ(writer->chunks.size(), 4u);
    EXPECT_EQ(writer->chunks.back().first, Data::fromString(";-;"));
    EXPECT_FALSE(writer->chunks.back().second);

    std::string joined;
    for (size_t i = 1; i < 3; ++i) joined += writer->chunks[i].first.toString();
    EXPECT_EQ(joined, std::string(18, 'a') + ";-;");
}

TEST_F(FrameSenderTest, PendingBytesCountPrimaryFramesUntilAcknowledged) {
    sender.executeSend_onPrimaryChannel(std::string(42, 'x'), true);  // 45 bytes
    EXPECT_EQ(sender.lengthOfDataToSend(), 45u);
    sender.executeSend_onPrimaryChannel("secondary", false);
    EXPECT_EQ(sender.lengthOfDataToSend(), 45u);
    sender.didWriteValueForCharacteristic(kCharacteristicSendingPrimary);
    EXPECT_EQ(sender.lengthOfDataToSend(), 26u);
    sender.didWriteValueForCharacteristic(kCharacteristicSendingSecondary);
    EXPECT_EQ(sender.lengthOfDataToSend(), 26u);
    sender.didWriteValueForCharacteristic(kCharacteristicSendingPrimary);
    EXPECT_EQ(sender.lengthOfDataToSend(), 7u);
    sender.didWriteValueForCharacteristic(kCharacteristicSendingPrimary);
    EXPECT_EQ(sender.lengthOfDataToSend(), 0u);
    sender.didWriteValueForCharacteristic(kCharacteristicSendingPrimary);
    EXPECT_EQ(sender.lengthOfDataToSend(), 0u);
}

TEST_F(FrameSenderTest, SecondaryFramesGiveWayWhileThePrimaryChannelIsBusy) {
    sender.executeSend_onPrimaryChannel(std::string(37, 'x'), true);  // 40 pending
    sender.executeSend_onPrimaryChannel("dropped", false);
    EXPECT_EQ(writer->chunks.size(), 2u);
    sender.didWriteValueForCharacteristic(kCharacteristicSendingPrimary);  // 21 pending
    sender.executeSend_onPrimaryChannel(std::string(15, 'y'), true);       // 39 pending
    EXPECT_EQ(sender.lengthOfDataToSend(), 39u);
    size_t before = writer->chunks.size();
    sender.executeSend_onPrimaryChannel("sent", false);
    EXPECT_EQ(writer->chunks.size(), before + 1);
    EXPECT_FALSE(writer->chunks.back().second);
}

TEST_F(FrameSenderTest, FramesForALinkThatIsDownAreLostButCounted) {
    writer->connected = false;
    sender.executeSend_onPrimaryChannel("lost", true);
    EXPECT_TRUE(writer->chunks.empty());
    EXPECT_EQ(sender.lengthOfDataToSend(), 7u);
    sender.resetDataToSend();
    EXPECT_EQ(sender.lengthOfDataToSend(), 0u);

    writer->connected = true;
    writer->hasSecondary = false;
    sender.executeSend_onPrimaryChannel("nowhere to go", false);
    EXPECT_TRUE(writer->chunks.empty());
}

TEST_F(FrameSenderTest, ConcurrentFramesNeverInterleave) {
    // The main thread sends messages while the Bluetooth queue answers the phone: every frame's
    // chunks must reach the link together.
    auto send = [this](char letter) {
        for (int i = 0; i < 200; ++i) sender.executeSend_onPrimaryChannel(std::string(57, letter), true);
    };
    std::thread other(send, 'b');
    send('a');
    other.join();
    std::string all;
    for (const auto& [chunk, primary] : writer->chunks) all += chunk.toString();
    auto frames = platform::split(all, ";-;");
    ASSERT_EQ(frames.size(), 401u);
    for (size_t i = 0; i < 400; ++i)
        ASSERT_TRUE(frames[i] == std::string(57, 'a') || frames[i] == std::string(57, 'b')) << frames[i];
}
