#include "link/handshake/AuthConnectionManager.h"

#include <algorithm>

#include "app/support/Common.h"
#include "link/message/AuthPayload.h"
#include "link/message/MessageEncoderDecoder.h"
#include "platform/base/Strings.h"
#include "platform/sim/PhoneLinkCipher.h"
#include "platform/sim/PhoneMessageCoder.h"
#include "platform/sim/SimulatedPhone.h"
#include "tests/link/LinkTestConnection.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using linktest::LinkTestConnection;
using platform::PhoneMessageCoder;
using platform::SimulatedPhone;

namespace {

class AuthConnectionManagerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        phone = std::make_shared<SimulatedPhone>();
        connection = LinkTestConnection::create(phone);
    }
    void TearDown() override {
        if (connection) connection->manager().cleanup();
        runUntilIdle();
        connection.reset();
        KestruneTest::TearDown();
    }

    void handshake() {
        connection->subscribed();
        runUntilIdle();
    }

    // A frame as the phone application would send it, encrypted with the link key.
    static platform::Data phoneFrame(const std::string& transportText) {
        auto cipher = platform::PhoneLinkCipher::encryptText(transportText, kLinkKey);
        platform::Data frame = platform::Data::fromString(*cipher);
        frame.append(std::string_view(kEndOfMessageMarker));
        return frame;
    }
    static std::string command(const std::string& word, const platform::Value::Dictionary& payload = {}) {
        return PhoneMessageCoder::encode({word, 111, PhoneMessageCoder::encodeRecord("AuthPayload", payload)},
                                         PhoneMessageCoder::kTransportSeparator);
    }
    // The phone's frame whose text carries the command word.
    platform::Data sentFrameOf(const std::string& word) const {
        auto texts = phone->sentTexts();
        auto frames = phone->sentFrames();
        for (size_t i = 0; i < texts.size(); ++i)
            if (PhoneMessageCoder::decode(texts[i], PhoneMessageCoder::kTransportSeparator)->requestType ==
                word)
                return frames[i];
        ADD_FAILURE() << "the phone sent no " << word;
        return {};
    }
    static std::vector<std::string> commandWordsWritten(const LinkTestConnection& link) {
        std::string all;
        for (const auto& [chunk, primary] : link.writtenChunks()) all += chunk.toString();
        std::vector<std::string> words;
        for (const auto& frame : platform::split(all, kEndOfMessageMarker)) {
            auto message = PhoneMessageCoder::decode(frame, PhoneMessageCoder::kTransportSeparator);
            if (message && message->request == 111) words.push_back(message->requestType);
        }
        return words;
    }
    size_t count(const std::vector<std::string>& words, const std::string& word) const {
        return static_cast<size_t>(std::count(words.begin(), words.end(), word));
    }

    std::shared_ptr<SimulatedPhone> phone;
    std::shared_ptr<LinkTestConnection> connection;
};

}  // namespace

TEST_F(AuthConnectionManagerTest, HandshakeWithThePhoneAuthenticatesAndStartsTheKeepAlive) {
    handshake();

    EXPECT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusAuthenticated);
    EXPECT_EQ(connection->events(),
              (std::vector<std::string>{"didReceiveAuthRequest", "didAuthenticate", "connectionDidConnect"}));
    EXPECT_EQ(connection->manager().remoteUniqueIdentifier(), SimulatedPhone::Configuration().identifier);
    EXPECT_TRUE(phone->isAuthenticated());
    EXPECT_EQ(phone->receivedCommandWords(), (std::vector<std::string>{"I!", "aD!", "kA"}));

    // The opening carries this installation's identifier and an 8-character token; the Mac's answer
    // carries the phone's challenge and nothing else.
    auto commands = phone->receivedCommands();
    auto opening = *PhoneMessageCoder::decodeRecord("AuthPayload", *commands[0].payload);
    EXPECT_EQ(*opening["protocolVersion"].string(), "1.1");
    EXPECT_EQ(*opening["identifier"].string(), Common::uniqueAppIdentifier());
    EXPECT_EQ(*opening["challenge"].string(), connection->manager().authToken());
    EXPECT_EQ(opening["challenge"].string()->size(), 8u);
    EXPECT_TRUE(std::all_of(opening["challenge"].string()->begin(), opening["challenge"].string()->end(),
                            [](char c) { return isalnum(static_cast<unsigned char>(c)); }));
    EXPECT_EQ(*commands[1].payload, std::string("\u2021") + phone->phoneChallenge() + "\u2021\u20211.1");
    EXPECT_TRUE(connection->manager().isKeepAliveTimerRunning());
}

TEST_F(AuthConnectionManagerTest, ApplicationMessagesPassOnlyOnceAuthenticated) {
    connection->sendString("\u02FD53\u02FD");
    runUntilIdle();
    EXPECT_TRUE(connection->writtenChunks().empty());

    handshake();
    connection->sendString("\u02FD53\u02FD");
    phone->sendApplicationMessage(9, std::string("2\u20210\u2021501\u20211"));
    runUntilIdle();

    auto messages = phone->receivedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].request, 53);
    EXPECT_EQ(connection->receivedMessages(),
              (std::vector<std::string>{"\u02FD9\u02FD2\u20210\u2021501\u20211"}));
}

TEST_F(AuthConnectionManagerTest, WrongOrMissingAnswerToTheChallengeFails) {
    for (auto answer : {SimulatedPhone::ChallengeAnswer::Wrong, SimulatedPhone::ChallengeAnswer::None}) {
        auto otherPhone = std::make_shared<SimulatedPhone>();
        otherPhone->setChallengeAnswer(answer);
        auto link = LinkTestConnection::create(otherPhone);
        link->subscribed();
        runUntilIdle();

        EXPECT_EQ(link->events(),
                  (std::vector<std::string>{"didReceiveAuthRequest", "authenticationFailed"}));
        EXPECT_EQ(link->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
        EXPECT_EQ(otherPhone->receivedCommandWords(), (std::vector<std::string>{"I!", "shutD!"}));
        EXPECT_FALSE(otherPhone->isAuthenticated());
    }
}

TEST_F(AuthConnectionManagerTest, ProtocolVersionMismatchNamesTheSideToUpdateAfterAnsweringThePhone) {
    struct Case {
        const char* version;
        const char* event;
    };
    for (Case c : {Case{"1.2", "protocolVersionNotMatching:1"}, Case{"1.10", "protocolVersionNotMatching:1"},
                   Case{"1.0", "protocolVersionNotMatching:0"}, Case{"", "protocolVersionNotMatching:0"}}) {
        SCOPED_TRACE(c.version);
        auto otherPhone = std::make_shared<SimulatedPhone>();
        otherPhone->setProtocolVersion(c.version);
        auto link = LinkTestConnection::create(otherPhone);
        link->subscribed();
        runUntilIdle();

        EXPECT_EQ(link->events(), (std::vector<std::string>{"didReceiveAuthRequest", c.event}));
        EXPECT_EQ(otherPhone->receivedCommandWords(), (std::vector<std::string>{"I!", "aD!", "shutD!"}));
        EXPECT_EQ(link->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
    }
}

TEST_F(AuthConnectionManagerTest, EqualVersionsWaitForThePhonesAcceptance) {
    phone->setAcceptsMacAnswer(false);
    handshake();
    EXPECT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusRequested);
    EXPECT_EQ(connection->events(), (std::vector<std::string>{"didReceiveAuthRequest"}));

    phone->sendCommand("aDR!", {{"protocolVersion", "1.1"}});
    runUntilIdle();
    EXPECT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusAuthenticated);
    EXPECT_TRUE(connection->hasEvent("didAuthenticate"));
}

TEST_F(AuthConnectionManagerTest, AcceptanceReplayedFromAnotherConnectionDoesNotAuthenticate) {
    handshake();
    ASSERT_TRUE(connection->isAuthenticated());
    platform::Data recordedAnswer = sentFrameOf("aD!");
    platform::Data recordedAcceptance = sentFrameOf("aDR!");

    // Someone on the air replays the phone's acceptance to a second connection that has just sent its
    // challenge: it comes without an answer to that challenge, so it is refused.
    auto victim = LinkTestConnection::create(nullptr, "PERIPHERAL-2");
    victim->subscribed();
    runUntilIdle();
    victim->injectFrame(recordedAcceptance);
    runUntilIdle();
    EXPECT_EQ(victim->events(), (std::vector<std::string>{"authenticationFailed"}));
    EXPECT_EQ(victim->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
    EXPECT_EQ(commandWordsWritten(*victim), (std::vector<std::string>{"I!", "shutD!"}));

    // Replaying the whole recorded exchange fails at the answer, which fits another challenge.
    auto second = LinkTestConnection::create(nullptr, "PERIPHERAL-3");
    second->subscribed();
    runUntilIdle();
    second->injectFrame(recordedAnswer);
    second->injectFrame(recordedAcceptance);
    runUntilIdle();
    EXPECT_FALSE(second->hasEvent("didAuthenticate"));
    EXPECT_EQ(second->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
}

TEST_F(AuthConnectionManagerTest, AcceptanceWithoutAnAnswerOnTheSameConnectionIsRefused) {
    auto link = LinkTestConnection::create(nullptr);
    link->subscribed();
    runUntilIdle();
    link->injectFrame(phoneFrame(command("aDR!", {{"protocolVersion", "1.1"}})));
    runUntilIdle();
    EXPECT_EQ(link->events(), (std::vector<std::string>{"authenticationFailed"}));

    // A new opening of an authenticated connection needs a new answer before an acceptance counts;
    // the phone's acceptance of the first opening, sent again, is refused.
    handshake();
    ASSERT_TRUE(connection->isAuthenticated());
    phone->setChallengeAnswer(SimulatedPhone::ChallengeAnswer::Silent);
    connection->subscribed();
    runUntilIdle();
    ASSERT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusRequested);
    connection->injectFrame(sentFrameOf("aDR!"));
    runUntilIdle();
    EXPECT_EQ(connection->events().back(), "authenticationFailed");
    EXPECT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
}

TEST_F(AuthConnectionManagerTest, CommandsBeforeTheOpeningAndDataBeforeAcceptanceFail) {
    auto link = LinkTestConnection::create(nullptr);
    link->injectFrame(phoneFrame(command("kA!")));
    runUntilIdle();
    EXPECT_EQ(link->events(), (std::vector<std::string>{"authenticationFailed"}));
    EXPECT_EQ(commandWordsWritten(*link), (std::vector<std::string>{"shutD!"}));

    phone->setAcceptsMacAnswer(false);
    handshake();
    phone->sendApplicationMessage(7, std::nullopt);
    runUntilIdle();
    EXPECT_TRUE(connection->hasEvent("authenticationFailed"));
    EXPECT_TRUE(connection->receivedMessages().empty());
    EXPECT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
}

// Application data before acceptance is refused in both early states, and refused before its payload
// is decoded: a payload that is no archive would otherwise be reported as one that does not decode.
TEST_F(AuthConnectionManagerTest, DataBeforeAcceptanceIsRefusedUndecodedInEitherEarlyState) {
    const std::string sep = PhoneMessageCoder::kTransportSeparator;
    const std::string data = "" + sep + "112" + sep + "not an archive at all";
    for (bool opened : {false, true}) {
        SCOPED_TRACE(opened ? "requested" : "none");
        auto link = LinkTestConnection::create(nullptr);
        if (opened) link->manager().sendConnectionRequest();
        ASSERT_EQ(link->manager().authStatus(), opened ? AuthConnectionManager::kAuthStatusRequested
                                                       : AuthConnectionManager::kAuthStatusNone);
        testsupport::LogCapture log;
        link->manager().parseReveivedString(data);
        runUntilIdle();
        EXPECT_EQ(link->events(), (std::vector<std::string>{"authenticationFailed"}));
        EXPECT_TRUE(link->receivedMessages().empty());
        EXPECT_EQ(link->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
        EXPECT_FALSE(log.contains("not compatible"));
        link->manager().cleanup();
    }
}

TEST_F(AuthConnectionManagerTest, PhoneKeepAliveIsAnsweredAndShutDownIsPassedOn) {
    phone->setAcceptsMacAnswer(false);
    handshake();
    phone->sendCommand("kA!");
    runUntilIdle();
    EXPECT_EQ(phone->receivedCommandWords().back(), "kB!");

    phone->sendCommand("aDR!", {{"protocolVersion", "1.1"}});
    phone->sendCommand("kA!");
    phone->sendCommand("unknown!");
    phone->sendCommand("shutD!");
    runUntilIdle();
    EXPECT_EQ(count(phone->receivedCommandWords(), "kB!"), 2u);
    EXPECT_TRUE(connection->hasEvent("didReceiveDiconnectReqeust"));
    EXPECT_FALSE(connection->hasEvent("authenticationFailed"));
}

TEST_F(AuthConnectionManagerTest, KeepAliveRunsEveryPeriodAndAtOnceWhenThePeriodChanges) {
    handshake();
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 1u);
    advance(44.9);
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 1u);
    advance(0.2);
    runUntilIdle();
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 2u);

    connection->manager().setKeepAliveInterval(8);
    runUntilIdle();
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 3u);
    advance(8.05);
    runUntilIdle();
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 4u);
    connection->manager().setKeepAliveInterval(8);
    runUntilIdle();
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 4u);
    EXPECT_FALSE(connection->hasEvent("canNotReceiveResponse"));
}

TEST_F(AuthConnectionManagerTest, SilentPhoneIsReportedAfterTheReplyWait) {
    phone->setAnswersKeepAlive(false);
    handshake();
    ASSERT_TRUE(connection->manager().isKeepAliveResponseTimerRunning());
    advance(6.4);
    EXPECT_FALSE(connection->hasEvent("canNotReceiveResponse"));
    advance(0.2);
    EXPECT_TRUE(connection->hasEvent("canNotReceiveResponse"));
    EXPECT_FALSE(connection->manager().isKeepAliveResponseTimerRunning());
}

// A keep-alive sent while a reply is awaited leaves the reply timer running: restarting it would let a
// phone that keeps being asked stay silent for ever.
TEST_F(AuthConnectionManagerTest, AKeepAliveWhileAReplyIsAwaitedKeepsTheReplyTimer) {
    phone->setAnswersKeepAlive(false);
    handshake();
    ASSERT_TRUE(connection->manager().isKeepAliveResponseTimerRunning());
    advance(3);
    connection->manager().setKeepAliveInterval(8);  // sends a keep-alive at once
    runUntilIdle();
    ASSERT_EQ(count(phone->receivedCommandWords(), "kA"), 2u);
    advance(3.6);
    EXPECT_TRUE(connection->hasEvent("canNotReceiveResponse"));
}

TEST_F(AuthConnectionManagerTest, AnyTextFromThePhoneCountsAsTheReply) {
    phone->setAnswersKeepAlive(false);
    handshake();
    advance(3);
    phone->sendTransportText("not a message at all");
    runUntilIdle();
    EXPECT_FALSE(connection->manager().isKeepAliveResponseTimerRunning());
    advance(10);
    EXPECT_FALSE(connection->hasEvent("canNotReceiveResponse"));
    EXPECT_FALSE(connection->hasEvent("authenticationFailed"));
}

TEST_F(AuthConnectionManagerTest, KeepAliveStopsWhenTheConnectionIsNotReady) {
    handshake();
    connection->setLinkConnected(false);
    connection->manager().setKeepAliveInterval(8);
    runUntilIdle();
    EXPECT_FALSE(connection->manager().isKeepAliveTimerRunning());
    EXPECT_EQ(count(phone->receivedCommandWords(), "kA"), 1u);
}

TEST_F(AuthConnectionManagerTest, PreparingForDisconnectSendsShutDownAndForgetsTheAuthentication) {
    handshake();
    connection->manager().preapareForDisconnect();
    runUntilIdle();
    EXPECT_EQ(phone->receivedCommandWords().back(), "shutD!");
    EXPECT_EQ(connection->manager().authStatus(), AuthConnectionManager::kAuthStatusNone);
    EXPECT_FALSE(connection->manager().isKeepAliveTimerRunning());
    EXPECT_FALSE(connection->manager().isKeepAliveResponseTimerRunning());

    connection->sendString("\u02FD53\u02FD");
    runUntilIdle();
    EXPECT_TRUE(phone->receivedMessages().empty());
}
