#include "link/message/ConnectionData.h"

#include <random>

#include "link/message/ConnectionConstants.h"
#include "platform/sim/PhoneLinkCipher.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Data;

namespace {

class ConnectionDataTest : public testsupport::KestruneTest {
protected:
    // The bytes of one frame as the phone sends it.
    static Data frameOf(const std::string& text) {
        Data frame = Data::fromString(*platform::PhoneLinkCipher::encryptText(text, kLinkKey));
        frame.append(std::string_view(kEndOfMessageMarker));
        return frame;
    }
    std::optional<std::string> feed(const Data& bytes, const std::string& peripheral = "P1") {
        return buffers.generateStringWithReceivedDataforCharacteristic_forPeripheral(bytes, peripheral);
    }

    ConnectionData buffers;
};

}  // namespace

TEST_F(ConnectionDataTest, FramesReassembleAcrossAnySplit) {
    const std::string text = "\u02FE112\u02FE\u02FD9\u02FD2\u20210\u2021501\u20211 é漢";
    Data frame = frameOf(text);
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::optional<std::string>> results;
        size_t at = 0;
        while (at < frame.size()) {
            size_t length = std::uniform_int_distribution<size_t>(1, 24)(random);
            length = std::min(length, frame.size() - at);
            results.push_back(feed(*frame.subdata(at, length)));
            at += length;
        }
        for (size_t i = 0; i + 1 < results.size(); ++i) ASSERT_FALSE(results[i]) << "round " << round;
        ASSERT_EQ(results.back(), text) << "round " << round;
        EXPECT_TRUE(buffers.getDataForPeripheral("P1").empty());
    }
}

TEST_F(ConnectionDataTest, SplitCharacterWaitsForTheNextNotification) {
    // The frame of a real phone is Base64 and so plain ASCII; the buffer still waits for a character
    // split between notifications before it reads the frame.
    Data frame = frameOf("x");
    Data first = *frame.subdata(0, frame.size());
    first.append(std::string_view("\xC3"));  // the first byte of "é", after the marker
    EXPECT_FALSE(feed(first));
    EXPECT_EQ(feed(Data::fromString("\xA9")), "x");
}

TEST_F(ConnectionDataTest, OnlyTheFirstOfTwoFramesInOneNotificationIsRead) {
    Data both = frameOf("one");
    both.append(frameOf("two"));
    EXPECT_EQ(feed(both), "one");
    EXPECT_TRUE(buffers.getDataForPeripheral("P1").empty());
}

TEST_F(ConnectionDataTest, PeripheralsAreReassembledSeparately) {
    Data a = frameOf("from a");
    Data b = frameOf("from b");
    EXPECT_FALSE(feed(*a.subdata(0, 10), "A"));
    EXPECT_FALSE(feed(*b.subdata(0, 10), "B"));
    EXPECT_EQ(feed(*b.subdata(10, b.size() - 10), "B"), "from b");
    EXPECT_EQ(feed(*a.subdata(10, a.size() - 10), "A"), "from a");
}

TEST_F(ConnectionDataTest, FrameThatDoesNotDecryptIsConsumed) {
    testsupport::LogCapture log;
    EXPECT_FALSE(feed(Data::fromString("not base64 at all;-;")));
    EXPECT_TRUE(buffers.getDataForPeripheral("P1").empty());
    Data wrongKey = Data::fromString(*platform::PhoneLinkCipher::encryptText("secret", "another key"));
    wrongKey.append(std::string_view(";-;"));
    EXPECT_FALSE(feed(wrongKey));
    EXPECT_TRUE(log.contains("does not decrypt"));
    EXPECT_EQ(feed(frameOf("next")), "next");
}

TEST_F(ConnectionDataTest, BytesBeforeTheMarkerThatAreNoTextDoNotBlockLaterFrames) {
    testsupport::LogCapture log;
    EXPECT_FALSE(feed(Data::fromString("\xFF\xFE garbage;-;")));
    EXPECT_TRUE(log.contains("not text"));
    EXPECT_EQ(feed(frameOf("after")), "after");
}

TEST_F(ConnectionDataTest, EndlessFrameIsDroppedAtTheBound) {
    testsupport::LogCapture log;
    Data chunk = Data::fromString(std::string(20, 'A'));
    size_t fed = 0;
    while (fed <= ConnectionData::kMaximumBufferedBytes) {
        EXPECT_FALSE(feed(chunk));
        fed += chunk.size();
    }
    EXPECT_TRUE(log.contains("without an end marker; dropped"));
    EXPECT_LT(buffers.getDataForPeripheral("P1").size(), chunk.size() + 1);
    EXPECT_EQ(feed(frameOf("still works")), "still works");
}

TEST_F(ConnectionDataTest, ResetDropsHalfReceivedFrames) {
    Data frame = frameOf("lost");
    EXPECT_FALSE(feed(*frame.subdata(0, 5)));
    buffers.resetData();
    EXPECT_TRUE(buffers.getDataForPeripheral("P1").empty());
    EXPECT_EQ(feed(frameOf("kept")), "kept");
}

TEST_F(ConnectionDataTest, JsonFramesReadAsDictionaries) {
    auto dictionary = buffers.generateDictionaryWithReceivedDataforCharacteristic_forPeripheral(
        frameOf(R"({"a": 1, "b": ["x", true]})"), "P1");
    ASSERT_TRUE(dictionary);
    EXPECT_EQ((*dictionary)["a"], platform::Value(platform::Number(1LL)));
    EXPECT_EQ((*dictionary)["b"],
              platform::Value(platform::Value::Array{platform::Value("x"), platform::Value(true)}));
    EXPECT_FALSE(ConnectionData::dictFromReceivedString("[1, 2]"));
    EXPECT_FALSE(ConnectionData::dictFromReceivedString("{broken"));
    EXPECT_FALSE(ConnectionData::dictFromReceivedString(std::string(10000, '[') + std::string(10000, ']')));
}
