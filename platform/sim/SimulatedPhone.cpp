#include "platform/sim/SimulatedPhone.h"

#include <openssl/rand.h>

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/sim/PhoneLinkCipher.h"

namespace platform {

namespace {

constexpr std::string_view kMarker = ";-;";
constexpr int32_t kCommandRequest = 111;
constexpr int32_t kDataRequest = 112;

std::string randomToken(size_t length) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string token;
    while (token.size() < length) {
        unsigned char byte = 0;
        if (RAND_bytes(&byte, 1) != 1) byte = static_cast<unsigned char>(token.size() * 37 + 11);
        if (byte < 248) token.push_back(letters[byte % 62]);  // 248 = 4 * 62: no letter favoured
    }
    return token;
}

std::string textOf(const Value::Dictionary& record, const char* key) {
    auto found = record.find(key);
    if (found == record.end()) return {};
    const std::string* text = found->second.string();
    return text ? *text : std::string();
}

}  // namespace

SimulatedPhone::SimulatedPhone() : SimulatedPhone(Configuration()) {}

SimulatedPhone::SimulatedPhone(Configuration configuration)
    : configuration_(std::move(configuration)), protocolVersion_(configuration_.protocolVersion) {}

void SimulatedPhone::setNotificationSink(ChunkSink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void SimulatedPhone::setChallengeAnswer(ChallengeAnswer answer) {
    std::lock_guard lock(mutex_);
    challengeAnswer_ = answer;
}

void SimulatedPhone::setProtocolVersion(std::string version) {
    std::lock_guard lock(mutex_);
    protocolVersion_ = std::move(version);
}

void SimulatedPhone::setAcceptsMacAnswer(bool accepts) {
    std::lock_guard lock(mutex_);
    acceptsMacAnswer_ = accepts;
}

void SimulatedPhone::setAnswersKeepAlive(bool answers) {
    std::lock_guard lock(mutex_);
    answersKeepAlive_ = answers;
}

void SimulatedPhone::didDisconnect() {
    std::lock_guard lock(mutex_);
    buffer_ = Data();
    authenticated_ = false;
}

// Receiving ---------------------------------------------------------------------------------------------

void SimulatedPhone::didReceiveWrite(const std::string& characteristic, const Data& chunk) {
    if (characteristic != "DA17" && characteristic != "DA16") return;
    std::vector<std::string> replies;
    {
        std::lock_guard lock(mutex_);
        buffer_.append(chunk);
        for (;;) {
            std::string_view bytes(reinterpret_cast<const char*>(buffer_.bytes()), buffer_.size());
            size_t marker = bytes.find(kMarker);
            if (marker == std::string_view::npos) {
                if (buffer_.size() > kMaximumBufferedBytes) {
                    logf("Simulated phone: %zu bytes without an end marker; dropped", buffer_.size());
                    buffer_ = Data();
                }
                break;
            }
            std::string text(bytes.substr(0, marker));
            buffer_ = Data(bytes.data() + marker + kMarker.size(), bytes.size() - marker - kMarker.size());
            handleFrameLocked(text, replies);
        }
    }
    transmit(replies);
}

void SimulatedPhone::handleFrameLocked(const std::string& text, std::vector<std::string>& replies) {
    auto message = PhoneMessageCoder::decode(text, PhoneMessageCoder::kTransportSeparator);
    if (!message || (message->request != kCommandRequest && message->request != kDataRequest)) {
        ++unreadableFrames_;
        logf("Simulated phone: unreadable frame from the Mac");
        return;
    }
    if (message->request == kCommandRequest) {
        receivedCommands_.push_back(*message);
        handleCommandLocked(*message, replies);
        return;
    }
    auto inner =
        PhoneMessageCoder::decode(message->payload.value_or(""), PhoneMessageCoder::kApplicationSeparator);
    if (!inner) {
        ++unreadableFrames_;
        logf("Simulated phone: unreadable application message from the Mac");
        return;
    }
    receivedMessages_.push_back(std::move(*inner));
}

void SimulatedPhone::handleCommandLocked(const PhoneMessage& message, std::vector<std::string>& replies) {
    Value::Dictionary payload = PhoneMessageCoder::decodeRecord("AuthPayload", message.payload.value_or(""))
                                    .value_or(Value::Dictionary{});
    const std::string& word = message.requestType;
    if (word == "I!") {
        authenticated_ = false;
        macIdentifier_ = textOf(payload, "identifier");
        macChallenge_ = textOf(payload, "challenge");
        phoneChallenge_ = randomToken(8);
        if (challengeAnswer_ == ChallengeAnswer::Silent) return;
        Value::Dictionary answer = {{"protocolVersion", protocolVersion_},
                                    {"identifier", configuration_.identifier},
                                    {"challenge", phoneChallenge_}};
        if (challengeAnswer_ == ChallengeAnswer::Correct) answer["challengeResponse"] = macChallenge_;
        if (challengeAnswer_ == ChallengeAnswer::Wrong) answer["challengeResponse"] = macChallenge_ + "x";
        replies.push_back(commandText("aD!", answer));
    } else if (word == "aD!") {
        bool right = !phoneChallenge_.empty() && textOf(payload, "challengeResponse") == phoneChallenge_;
        if (!right) {
            logf("Simulated phone: the Mac's answer does not match the phone's challenge");
            replies.push_back(commandText("shutD!", {{"protocolVersion", protocolVersion_}}));
        } else if (textOf(payload, "protocolVersion") != protocolVersion_) {
            // The Mac disconnects on a version it does not speak; the phone does not accept it either.
            logf("Simulated phone: the Mac speaks protocol version %s",
                 textOf(payload, "protocolVersion").c_str());
        } else if (acceptsMacAnswer_) {
            authenticated_ = true;
            replies.push_back(commandText("aDR!", {{"protocolVersion", protocolVersion_}}));
        }
    } else if (word == "kA") {
        if (answersKeepAlive_) replies.push_back(commandText("kB!", {{"protocolVersion", protocolVersion_}}));
    } else if (word == "shutD!") {
        authenticated_ = false;
    }
}

std::string SimulatedPhone::commandText(const std::string& word, const Value::Dictionary& authPayload) const {
    PhoneMessage message{word, kCommandRequest, PhoneMessageCoder::encodeRecord("AuthPayload", authPayload)};
    return PhoneMessageCoder::encode(message, PhoneMessageCoder::kTransportSeparator);
}

// Sending -----------------------------------------------------------------------------------------------

void SimulatedPhone::sendApplicationMessage(int32_t request, std::optional<std::string> payload) {
    PhoneMessage inner{"", request, std::move(payload)};
    PhoneMessage outer{"", kDataRequest,
                       PhoneMessageCoder::encode(inner, PhoneMessageCoder::kApplicationSeparator)};
    transmit({PhoneMessageCoder::encode(outer, PhoneMessageCoder::kTransportSeparator)});
}

void SimulatedPhone::sendRecord(int32_t request, const std::string& type, const Value::Dictionary& record) {
    sendApplicationMessage(request, PhoneMessageCoder::encodeRecord(type, record));
}

void SimulatedPhone::sendCommand(const std::string& word, const Value::Dictionary& authPayload) {
    transmit({commandText(word, authPayload)});
}

void SimulatedPhone::sendTransportText(const std::string& text) {
    transmit({text});
}

void SimulatedPhone::sendRawFrame(const Data& bytes) {
    transmitFrame(bytes, false);
}

void SimulatedPhone::sendChunk(const Data& chunk) {
    {
        std::lock_guard lock(mutex_);
        outgoing_.push_back(chunk);
    }
    drain();
}

void SimulatedPhone::transmit(const std::vector<std::string>& transportTexts) {
    for (const auto& text : transportTexts) {
        auto cipher = PhoneLinkCipher::encryptText(text, configuration_.linkKey);
        if (!cipher) {
            logf("Simulated phone: a frame could not be encrypted");
            continue;
        }
        Data frame = Data::fromString(*cipher);
        frame.append(kMarker);
        {
            std::lock_guard lock(mutex_);
            sentTexts_.push_back(text);
        }
        transmitFrame(frame, true);
    }
}

void SimulatedPhone::transmitFrame(const Data& frame, bool remember) {
    {
        std::lock_guard lock(mutex_);
        if (remember) sentFrames_.push_back(frame);
        for (size_t at = 0; at < frame.size(); at += kChunkSize)
            outgoing_.push_back(*frame.subdata(at, std::min(kChunkSize, frame.size() - at)));
    }
    drain();
}

void SimulatedPhone::drain() {
    std::unique_lock lock(mutex_);
    if (draining_) return;
    draining_ = true;
    while (!outgoing_.empty()) {
        Data chunk = std::move(outgoing_.front());
        outgoing_.pop_front();
        ChunkSink sink = sink_;
        lock.unlock();
        if (sink) sink(chunk);
        lock.lock();
    }
    draining_ = false;
}

// Observation -------------------------------------------------------------------------------------------

std::vector<Data> SimulatedPhone::sentFrames() const {
    std::lock_guard lock(mutex_);
    return sentFrames_;
}

std::vector<std::string> SimulatedPhone::sentTexts() const {
    std::lock_guard lock(mutex_);
    return sentTexts_;
}

std::vector<PhoneMessage> SimulatedPhone::receivedCommands() const {
    std::lock_guard lock(mutex_);
    return receivedCommands_;
}

std::vector<std::string> SimulatedPhone::receivedCommandWords() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> words;
    for (const auto& command : receivedCommands_) words.push_back(command.requestType);
    return words;
}

std::vector<PhoneMessage> SimulatedPhone::receivedMessages() const {
    std::lock_guard lock(mutex_);
    return receivedMessages_;
}

size_t SimulatedPhone::unreadableFrameCount() const {
    std::lock_guard lock(mutex_);
    return unreadableFrames_;
}

bool SimulatedPhone::isAuthenticated() const {
    std::lock_guard lock(mutex_);
    return authenticated_;
}

std::string SimulatedPhone::macIdentifier() const {
    std::lock_guard lock(mutex_);
    return macIdentifier_;
}

std::string SimulatedPhone::macChallenge() const {
    std::lock_guard lock(mutex_);
    return macChallenge_;
}

std::string SimulatedPhone::phoneChallenge() const {
    std::lock_guard lock(mutex_);
    return phoneChallenge_;
}

}  // namespace platform
