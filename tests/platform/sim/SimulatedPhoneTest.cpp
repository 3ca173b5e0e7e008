#include "platform/sim/SimulatedPhone.h"

#include <climits>

#include "platform/base/Strings.h"
#include "platform/sim/PhoneLinkCipher.h"
#include "platform/sim/PhoneMessageCoder.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Number;
using platform::PhoneMessage;
using platform::PhoneMessageCoder;
using platform::SimulatedPhone;
using platform::Value;

namespace {

const std::string T = "\u02FE";
const std::string S = "\u02FD";
const std::string D = "\u2021";

class SimulatedPhoneTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        phone.setNotificationSink([this](const Data& chunk) { notified.push_back(chunk); });
    }

    // Writes a text from the Mac the way the Mac frames it: plain, with the marker, in pieces.
    void write(const std::string& text, size_t piece = 20) {
        Data frame = Data::fromString(text + ";-;");
        for (size_t at = 0; at < frame.size(); at += piece)
            phone.didReceiveWrite("DA17", *frame.subdata(at, std::min(piece, frame.size() - at)));
    }
    // The texts of the frames the phone notified, decrypted.
    std::vector<std::string> sentTexts() const {
        std::string all;
        for (const auto& chunk : notified) all += chunk.toString();
        std::vector<std::string> texts;
        auto frames = platform::split(all, ";-;");
        for (size_t i = 0; i + 1 < frames.size(); ++i)
            texts.push_back(platform::PhoneLinkCipher::decryptText(frames[i], "q8h3k1zv7m2x9c4b6n0w5t7r1y")
                                .value_or("?"));
        return texts;
    }

    SimulatedPhone phone;
    std::vector<Data> notified;
};

}  // namespace

TEST_F(SimulatedPhoneTest, AnswersTheChallengeWithItsOwnAndAcceptsTheRightAnswer) {
    write("I!" + T + "111" + T + "macToken" + D + D + "MAC" + D + "1.1", 7);
    auto texts = sentTexts();
    ASSERT_EQ(texts.size(), 1u);
    auto answer = PhoneMessageCoder::decode(texts[0], T);
    EXPECT_EQ(answer->requestType, "aD!");
    auto payload = *PhoneMessageCoder::decodeRecord("AuthPayload", *answer->payload);
    EXPECT_EQ(payload["challengeResponse"], Value("macToken"));
    EXPECT_EQ(payload["challenge"], Value(phone.phoneChallenge()));
    EXPECT_EQ(payload["identifier"], Value(SimulatedPhone::Configuration().identifier));
    EXPECT_EQ(phone.macIdentifier(), "MAC");
    for (const auto& chunk : notified) EXPECT_LE(chunk.size(), 20u);

    write("aD!" + T + "111" + T + D + "wrong" + D + D + "1.1");
    EXPECT_FALSE(phone.isAuthenticated());
    EXPECT_EQ(PhoneMessageCoder::decode(sentTexts().back(), T)->requestType, "shutD!");

    write("aD!" + T + "111" + T + D + phone.phoneChallenge() + D + D + "1.1");
    EXPECT_TRUE(phone.isAuthenticated());
    EXPECT_EQ(PhoneMessageCoder::decode(sentTexts().back(), T)->requestType, "aDR!");
}

TEST_F(SimulatedPhoneTest, ReadsApplicationMessagesAndCountsUnreadableFrames) {
    Data two = Data::fromString(T + "112" + T + S + "53" + S + ";-;" + T + "112" + T + S + "3" + S + "57;-;");
    phone.didReceiveWrite("DA16", two);
    phone.didReceiveWrite("DA19", Data::fromString("ignored;-;"));
    write("garbage");
    auto messages = phone.receivedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].request, 53);
    EXPECT_FALSE(messages[0].payload->size());
    EXPECT_EQ(messages[1].payload, "57");
    EXPECT_EQ(phone.unreadableFrameCount(), 1u);
}

TEST_F(SimulatedPhoneTest, EndlessFrameFromTheMacIsDropped) {
    testsupport::LogCapture log;
    Data chunk = Data::fromString(std::string(1000, 'x'));
    for (int i = 0; i < 66; ++i) phone.didReceiveWrite("DA17", chunk);
    EXPECT_TRUE(log.contains("without an end marker"));
    write("kA" + T + "111" + T + D + D + D + "1.1");
    EXPECT_EQ(phone.receivedCommandWords(), (std::vector<std::string>{"kA"}));
}

TEST_F(SimulatedPhoneTest, RecordsFollowThePhonesFieldOrder) {
    Value::Dictionary device = {
        {"unId", "U"}, {"mobileDeviceConnectionInfo", Value::Dictionary{{"isConnected", Number(1)}}}};
    EXPECT_EQ(PhoneMessageCoder::encodeRecord("MobileDevice", device), "1" + D + D + "\u2020" + D + "U");
    auto back = *PhoneMessageCoder::decodeRecord("MobileDevice", "1" + D + D + "\u2020" + D + "U");
    EXPECT_EQ(back.count("mobileDeviceInfo"), 0u);
    EXPECT_EQ(back["unId"], Value("U"));
    EXPECT_FALSE(PhoneMessageCoder::decodeRecord("Unknown", "x"));
    EXPECT_EQ(PhoneMessageCoder::leadingInt32("-99999999999"), INT_MIN);
    EXPECT_EQ(PhoneMessageCoder::leadingInt32("12.9"), 12);
    EXPECT_FALSE(PhoneMessageCoder::decode("none", T));
    EXPECT_EQ(PhoneMessageCoder::encode(PhoneMessage{"", 53, std::nullopt}, S), S + "53" + S);
}
