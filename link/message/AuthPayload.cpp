#include "link/message/AuthPayload.h"

namespace kestrune {

namespace {
const AuthPayload::Registrar registrarOfAuthPayload;
}

const RecordSchema<AuthPayload>& AuthPayload::schema() {
    // Never destroyed: a worker may still code such a record while the process ends.
    static const auto& schema =
        *new RecordSchema<AuthPayload>(RecordSchema<AuthPayload>()
                                           .text("protocolVersion", &AuthPayload::protocolVersion_)
                                           .text("identifier", &AuthPayload::identifier_)
                                           .text("challenge", &AuthPayload::challenge_)
                                           .text("challengeResponse", &AuthPayload::challengeResponse_));
    return schema;
}

std::shared_ptr<AuthPayload> AuthPayload::initWithVersion_identifier_challenge_solution(
    std::string version, std::string identifier, std::string challenge, std::string solution) {
    auto payload = init();
    payload->protocolVersion_ = std::move(version);
    payload->identifier_ = std::move(identifier);
    payload->challenge_ = std::move(challenge);
    payload->challengeResponse_ = std::move(solution);
    return payload;
}

}  // namespace kestrune
