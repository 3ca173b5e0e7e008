#include "engine/session/AuthorizationManager.h"

#include "app/shell/ThreadHelpers.h"
#include "platform/system/Bundle.h"
#include "platform/system/SecurityServices.h"

namespace kestrune {

void AuthorizationManager::authorizeWithMessage_completion(std::optional<std::string> message,
                                                           std::function<void(bool granted)> completion) {
    runInBackgroundAsync([message = std::move(message), completion = std::move(completion)] {
        auto security = platform::SecurityServices::current();
        std::vector<platform::AuthorizationItem> rights{{platform::Bundle::main().bundleIdentifier(), ""}};
        std::vector<platform::AuthorizationItem> environment;
        if (message) environment.push_back({"prompt", *message + " "});
        bool granted = false;
        if (auto authorization = security->createAuthorization(environment)) {
            const uint32_t flags = platform::kAuthorizationFlagInteractionAllowed |
                                   platform::kAuthorizationFlagExtendRights |
                                   platform::kAuthorizationFlagPreAuthorize;
            granted = security->copyRights(*authorization, rights, environment, flags) ==
                      platform::kAuthorizationSuccess;
            security->freeAuthorization(*authorization);
        }
        // Queued, not waited for: the worker never waits for the main thread.
        if (completion) runOnMainQueueAsync([completion, granted] { completion(granted); });
    });
}

void AuthorizationManager::authorize(std::function<void(bool granted)> completion) {
    authorizeWithMessage_completion(std::nullopt, std::move(completion));
}

}  // namespace kestrune
