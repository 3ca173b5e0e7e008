#include "platform/backend/BackendPush.h"

#include "platform/backend/BackendClient.h"

namespace platform {

void BackendPush::sendPushInBackgroundWithBlock(SendCompletion completion) const {
    nlohmann::json body = {{"channels", channels_}, {"data", BackendClient::JSONFromValue(Value(data_))}};
    BackendClient::send("POST", "/push", "", std::move(body),
                        [completion = std::move(completion)](const nlohmann::json& answer,
                                                             const std::optional<Error>& error) {
                            // The backend confirms a push it accepted with "result": true.
                            std::optional<Error> failure = error;
                            auto result = answer.find("result");
                            if (!failure && (result == answer.end() || *result != true))
                                failure = Error{BackendClient::kErrorDomain, BackendClient::MalformedAnswer,
                                                "the hosted backend's answer to a push does not confirm it"};
                            if (completion) completion(!failure, failure);
                        });
}

}  // namespace platform
