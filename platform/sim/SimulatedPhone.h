#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Value.h"
#include "platform/sim/PhoneMessageCoder.h"

namespace platform {

// A scripted phone running the companion application's side of the link: it reassembles the Mac's
// frames (plain text ending in ";-;", written in chunks to "DA17" or "DA16"), answers the Mac's
// challenge with its own, accepts the Mac's answer, answers keep-alives, and sends its own frames
// encrypted with the link key, cut into 20-byte notifications of "DA18". Tests (and later the
// simulated radio) carry the chunks both ways; behaviour can be scripted to misbehave.
//
// Safe to use from several threads; the notification sink is never called with a lock held.
class SimulatedPhone {
public:
    static constexpr size_t kChunkSize = 20;
    static constexpr size_t kMaximumBufferedBytes = 64 * 1024;

    struct Configuration {
        // The phone application's installation identifier, sent in its answer to the challenge.
        std::string identifier = "5C1E7A52-0B9D-4E43-9A77-6A0C2F1D3B84";
        std::string protocolVersion = "1.1";
        // The phone application's copy of the link key.
        std::string linkKey = "q8h3k1zv7m2x9c4b6n0w5t7r1y";
    };

    // How the phone answers the Mac's challenge: with it, with another text, without a response, or
    // not at all.
    enum class ChallengeAnswer { Correct, Wrong, None, Silent };

    using ChunkSink = std::function<void(const Data& chunk)>;

    SimulatedPhone();
    explicit SimulatedPhone(Configuration configuration);

    // Where the phone's notifications go.
    void setNotificationSink(ChunkSink sink);

    // A chunk the Mac wrote to one of the phone's sending characteristics.
    void didReceiveWrite(const std::string& characteristic, const Data& chunk);
    // The link went down: half-received frames are dropped and the phone is no longer authenticated.
    void didDisconnect();

    // Script.
    void setChallengeAnswer(ChallengeAnswer answer);
    void setProtocolVersion(std::string version);
    // Whether the phone sends "aDR!" once the Mac's answer to its challenge is right and the Mac speaks
    // the phone's protocol version (default yes).
    void setAcceptsMacAnswer(bool accepts);
    // Whether the phone answers the Mac's "kA" (default yes).
    void setAnswersKeepAlive(bool answers);

    // Frames the phone sends of its own accord.
    void sendApplicationMessage(int32_t request, std::optional<std::string> payload);
    void sendRecord(int32_t request, const std::string& type, const Value::Dictionary& record);
    void sendCommand(const std::string& word, const Value::Dictionary& authPayload = {});
    // A whole transport-level text, encrypted and framed.
    void sendTransportText(const std::string& text);
    // Bytes sent as they are (no encryption, no marker added), cut into 20-byte notifications.
    void sendRawFrame(const Data& bytes);
    // One notification exactly as given.
    void sendChunk(const Data& chunk);

    // What happened.
    // Every encrypted frame sent, end marker included, in order (to replay one elsewhere).
    std::vector<Data> sentFrames() const;
    // The transport texts sent, before encryption.
    std::vector<std::string> sentTexts() const;
    // Transport commands received from the Mac (request 111), in order.
    std::vector<PhoneMessage> receivedCommands() const;
    std::vector<std::string> receivedCommandWords() const;
    // Application messages received from the Mac (inside request 112), decoded.
    std::vector<PhoneMessage> receivedMessages() const;
    // Frames from the Mac that were not a transport message.
    size_t unreadableFrameCount() const;
    bool isAuthenticated() const;
    std::string macIdentifier() const;
    std::string macChallenge() const;
    // The phone's own challenge of the current exchange.
    std::string phoneChallenge() const;

private:
    void handleFrameLocked(const std::string& text, std::vector<std::string>& replies);
    void handleCommandLocked(const PhoneMessage& message, std::vector<std::string>& replies);
    std::string commandText(const std::string& word, const Value::Dictionary& authPayload) const;
    void transmit(const std::vector<std::string>& transportTexts);
    void transmitFrame(const Data& frame, bool remember);
    void drain();

    const Configuration configuration_;
    mutable std::mutex mutex_;
    ChunkSink sink_;
    Data buffer_;
    ChallengeAnswer challengeAnswer_ = ChallengeAnswer::Correct;
    std::string protocolVersion_;
    bool acceptsMacAnswer_ = true;
    bool answersKeepAlive_ = true;
    bool authenticated_ = false;
    std::string macIdentifier_;
    std::string macChallenge_;
    std::string phoneChallenge_;
    std::vector<Data> sentFrames_;
    std::vector<std::string> sentTexts_;
    std::vector<PhoneMessage> receivedCommands_;
    std::vector<PhoneMessage> receivedMessages_;
    size_t unreadableFrames_ = 0;
    // Chunks waiting for the sink. Whole frames are queued at once, so two senders never interleave
    // their chunks; one caller at a time drains the queue, without the lock, so that a sink that
    // answers at once (and makes the phone send again) only queues more.
    std::deque<Data> outgoing_;
    bool draining_ = false;
};

}  // namespace platform
