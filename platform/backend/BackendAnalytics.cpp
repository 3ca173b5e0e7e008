#include "platform/backend/BackendAnalytics.h"

#include "platform/backend/BackendClient.h"
#include "platform/base/Log.h"

namespace platform {

namespace {

void post(const std::string& name, nlohmann::json body, BackendAnalytics::Completion completion) {
    BackendClient::send(
        "POST", "/events/" + BackendClient::escape(name), "", std::move(body),
        [name, completion = std::move(completion)](const nlohmann::json&, const std::optional<Error>& error) {
            if (error)
                logf("Hosted backend: event %s not recorded: %s", name.c_str(), error->description.c_str());
            if (completion) completion(!error, error);
        });
}

}  // namespace

void BackendAnalytics::trackAppOpenedWithLaunchOptions(const std::map<std::string, std::string>&,
                                                       Completion completion) {
    post("AppOpened", nlohmann::json::object(), std::move(completion));
}

void BackendAnalytics::trackEvent_dimensions(const std::string& name,
                                             const std::map<std::string, std::string>& dimensions,
                                             Completion completion) {
    post(name, nlohmann::json{{"dimensions", dimensions}}, std::move(completion));
}

}  // namespace platform
