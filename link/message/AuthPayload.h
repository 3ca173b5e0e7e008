#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/records/KeyedPayloadRecord.h"

namespace kestrune {

// The payload of a handshake command (request 111): four texts, each possibly empty.
class AuthPayload : public KeyedPayloadRecord<AuthPayload> {
public:
    static constexpr const char* kClassName = "AuthPayload";

    static std::shared_ptr<AuthPayload> init() { return std::make_shared<AuthPayload>(); }
    // The solution is the other side's challenge sent back (`challengeResponse`).
    static std::shared_ptr<AuthPayload> initWithVersion_identifier_challenge_solution(std::string version,
                                                                                      std::string identifier,
                                                                                      std::string challenge,
                                                                                      std::string solution);

    // The sender's protocol version.
    const std::optional<std::string>& protocolVersion() const { return protocolVersion_; }
    void setProtocolVersion(std::optional<std::string> value) { protocolVersion_ = std::move(value); }
    // The sender's installation identifier (in the opening command).
    const std::optional<std::string>& identifier() const { return identifier_; }
    void setIdentifier(std::optional<std::string> value) { identifier_ = std::move(value); }
    // A random text the other side must send back.
    const std::optional<std::string>& challenge() const { return challenge_; }
    void setChallenge(std::optional<std::string> value) { challenge_ = std::move(value); }
    // The other side's challenge, sent back.
    const std::optional<std::string>& challengeResponse() const { return challengeResponse_; }
    void setChallengeResponse(std::optional<std::string> value) { challengeResponse_ = std::move(value); }

private:
    friend class KeyedPayloadRecord<AuthPayload>;
    static const RecordSchema<AuthPayload>& schema();

    std::optional<std::string> protocolVersion_;
    std::optional<std::string> identifier_;
    std::optional<std::string> challenge_;
    std::optional<std::string> challengeResponse_;
};

}  // namespace kestrune
