#include "platform/backend/BackendClient.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/ValueJSON.h"
#include "platform/net/URLConnection.h"
#include "platform/system/Bundle.h"

namespace platform {

namespace {

std::mutex gConfigurationMutex;
std::optional<BackendClientConfiguration> gConfiguration;

std::string environmentOr(const char* variable, const Value& fallback) {
    if (const char* value = getenv(variable); value && *value) return value;
    if (const std::string* text = fallback.string()) return *text;
    return "";
}

Error backendError(int64_t code, std::string description) {
    return Error{BackendClient::kErrorDomain, code, std::move(description)};
}

void deliver(BackendClient::Completion completion, nlohmann::json answer, std::optional<Error> error) {
    RunLoop::main().post([completion = std::move(completion), answer = std::move(answer),
                          error = std::move(error)] { completion(answer, error); });
}

// Reads the answer of a finished transfer: an object on success, else the error to report.
std::pair<nlohmann::json, std::optional<Error>> readAnswer(const URLConnection::SynchronousResult& result) {
    if (result.error) return {nlohmann::json::object(), result.error};
    const int status = result.response ? result.response->statusCode() : 0;
    const std::string text =
        result.data ? std::string(reinterpret_cast<const char*>(result.data->bytes()), result.data->size())
                    : std::string();
    nlohmann::json answer = nlohmann::json::parse(text, nullptr, false);
    if (status < 200 || status > 299) {
        int64_t code = status;
        std::string message = "HTTP status " + std::to_string(status);
        if (answer.is_object()) {
            if (auto c = answer.find("code"); c != answer.end() && c->is_number_integer())
                code = c->get<int64_t>();
            if (auto e = answer.find("error"); e != answer.end() && e->is_string())
                message += ": " + e->get<std::string>();
        }
        return {nlohmann::json::object(), backendError(code, message)};
    }
    if (!answer.is_object()) {
        logf("Hosted backend: malformed answer (%zu bytes, status %d)", text.size(), status);
        return {nlohmann::json::object(),
                backendError(BackendClient::MalformedAnswer, "malformed answer from the hosted backend")};
    }
    return {std::move(answer), std::nullopt};
}

}  // namespace

BackendClientConfiguration BackendClientConfiguration::configurationWithBlock(
    const std::function<void(BackendClientConfiguration&)>& block) {
    BackendClientConfiguration configuration;
    if (block) block(configuration);
    return configuration;
}

void BackendClient::initializeWithConfiguration(BackendClientConfiguration configuration) {
    std::lock_guard lock(gConfigurationMutex);
    while (!configuration.server.empty() && configuration.server.back() == '/')
        configuration.server.pop_back();
    gConfiguration = std::move(configuration);
}

std::optional<BackendClientConfiguration> BackendClient::configurationFromEnvironmentOrBundle() {
    const Value& facts = Bundle::main().objectForInfoDictionaryKey(kInfoDictionaryKey);
    BackendClientConfiguration configuration;
    configuration.applicationId = environmentOr(kApplicationIdVariable, facts["ApplicationId"]);
    configuration.clientKey = environmentOr(kClientKeyVariable, facts["ClientKey"]);
    configuration.server = environmentOr(kServerVariable, facts["Server"]);
    if (configuration.applicationId.empty() || configuration.clientKey.empty() ||
        configuration.server.empty())
        return std::nullopt;
    return configuration;
}

std::optional<BackendClientConfiguration> BackendClient::currentConfiguration() {
    std::lock_guard lock(gConfigurationMutex);
    return gConfiguration;
}

bool BackendClient::isConfigured() {
    auto configuration = currentConfiguration();
    return configuration && !configuration->applicationId.empty() && !configuration->server.empty();
}

void BackendClient::resetForTesting() {
    std::lock_guard lock(gConfigurationMutex);
    gConfiguration.reset();
}

void BackendClient::send(const std::string& method, const std::string& path, const std::string& query,
                         std::optional<nlohmann::json> body, Completion completion) {
    if (!completion) completion = [](const nlohmann::json&, const std::optional<Error>&) {};
    auto configuration = currentConfiguration();
    if (!configuration || configuration->applicationId.empty() || configuration->server.empty()) {
        deliver(std::move(completion), nlohmann::json::object(),
                backendError(NotConfigured, "hosted backend not configured: no record read or written"));
        return;
    }
    URLRequest request(configuration->server + path + (query.empty() ? "" : "?" + query),
                       configuration->timeoutInterval);
    request.setMaximumDuration(configuration->maximumDuration);
    request.setMaximumResponseLength(configuration->maximumAnswerLength);
    request.setHTTPMethod(method);
    request.setValue_forHTTPHeaderField(configuration->applicationId, "X-Parse-Application-Id");
    if (!configuration->clientKey.empty())
        request.setValue_forHTTPHeaderField(configuration->clientKey, "X-Parse-Client-Key");
    if (body) {
        request.setValue_forHTTPHeaderField("application/json", "Content-Type");
        request.setHTTPBody(
            Data::fromString(body->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
    }
    DispatchQueue::global().async(
        [request = std::move(request), completion = std::move(completion)]() mutable {
            auto [answer, error] = readAnswer(URLConnection::sendSynchronousRequest(request));
            deliver(std::move(completion), std::move(answer), std::move(error));
        });
}

std::string BackendClient::escape(const std::string& text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char c : text) {
        if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 15];
        }
    }
    return escaped;
}

Value BackendClient::valueFromJSON(const nlohmann::json& json, int depth) {
    return platform::valueFromJSON(json, 64, depth);
}

nlohmann::json BackendClient::JSONFromValue(const Value& value) {
    return platform::JSONFromValue(value);
}

}  // namespace platform
