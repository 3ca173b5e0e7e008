#include "platform/backend/BackendPush.h"

#include "platform/backend/BackendClient.h"

namespace platform {

void BackendPush::sendPushInBackgroundWithBlock(SendCompletion completion) const {
    nlohmann::json body = {{"channels", channels_}, {"data", BackendClient::JSONFromValue(Value(data_))}};
    BackendClient::send(
        "POST", "/push", "", std::move(body),
        [completion = std::move(completion)](const nlohmann::json&, const std::optional<Error>& error) {
            if (completion) completion(!error, error);
        });
}

}  // namespace platform
