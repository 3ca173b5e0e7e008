#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

// Where the hosted backend lives and who the application is to it. The application id and the client
// key travel as request headers; the server is the base address the REST paths hang under.
struct BackendClientConfiguration {
    std::string applicationId;
    std::string clientKey;
    std::string server;
    // Accepted for the start-up call's sake and kept; this client keeps no local store, so every call
    // goes to the server (or fails) and nothing is queued for later.
    bool localDatastoreEnabled = false;
    // Seconds a request may sit without progress before it fails.
    double timeoutInterval = 30.0;
    // Seconds a whole request may take, however steadily the server answers.
    double maximumDuration = 60.0;
    // The longest answer taken: a page of query results is a few dozen kilobytes, so a longer answer is
    // refused as an error rather than held.
    uint64_t maximumAnswerLength = 1u << 20;

    static BackendClientConfiguration configurationWithBlock(
        const std::function<void(BackendClientConfiguration&)>& block);
};

// The client of the hosted backend: records, pushes and usage events over its REST protocol on libcurl.
// Every call returns at once; the request runs on the global queue and its completion runs on the main
// run loop. With nothing configured every call fails at once, without touching the network.
class BackendClient {
public:
    static constexpr const char* kErrorDomain = "BackendClient";
    enum ErrorCode : int64_t {
        NotConfigured = 1,
        MalformedAnswer = 2,  // also an answer that is not the protocol's own answer to the call
    };

    // Environment variables that override the bundle's facts (both are read by
    // configurationFromEnvironmentOrBundle).
    static constexpr const char* kApplicationIdVariable = "KESTRUNE_BACKEND_APPLICATION_ID";
    static constexpr const char* kClientKeyVariable = "KESTRUNE_BACKEND_CLIENT_KEY";
    static constexpr const char* kServerVariable = "KESTRUNE_BACKEND_SERVER";
    // The bundle's Info.plist dictionary with the keys "ApplicationId", "ClientKey" and "Server".
    static constexpr const char* kInfoDictionaryKey = "KestruneBackend";

    static void initializeWithConfiguration(BackendClientConfiguration configuration);
    // The application id, client key and server from the environment, each falling back to the
    // bundle's facts; none when any of the three is missing or empty.
    static std::optional<BackendClientConfiguration> configurationFromEnvironmentOrBundle();
    static std::optional<BackendClientConfiguration> currentConfiguration();
    static bool isConfigured();

    using Completion = std::function<void(const nlohmann::json& answer, const std::optional<Error>& error)>;
    // One REST call: method, path below the server ("/classes/PairedDevices"), the query part already
    // escaped (may be empty) and a JSON body (none for GET). The completion receives the answer, which
    // is always a JSON object on success, or the error: a transfer failure, an HTTP status outside
    // 200-299 (the server's own code and message when it sent them), or a malformed answer.
    static void send(const std::string& method, const std::string& path, const std::string& query,
                     std::optional<nlohmann::json> body, Completion completion);

    // Percent-escapes every byte but unreserved ones, for query values and path components.
    static std::string escape(const std::string& text);

    // Converts between the backend's JSON values and the platform's values. Texts, numbers, booleans,
    // lists and dictionaries carry over; anything else, and anything nested deeper than 64 levels,
    // becomes none.
    static Value valueFromJSON(const nlohmann::json& json, int depth = 0);
    static nlohmann::json JSONFromValue(const Value& value);

    // Tests: forget the configuration.
    static void resetForTesting();
};

}  // namespace platform
