#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/Value.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/KitError.h"

namespace reporting {

// Classifies completed requests of the kit: success, failures that are not retried, and server or
// throttling failures that are; and makes the kit's network error. No state: class operations only.
class RKTNetworkResponseHandler {
public:
    static constexpr const char* kErrorDomain = "RKTNetworkError";

    // The kinds of answer.
    enum ResponseType : int {
        Success = 0,
        Other = 1,        // not retried; also an answer without a status code
        ClientError = 2,  // not retried
        ServerError = 3,  // retried
        Throttled = 4,    // retried
    };

    // The delay assumed when the server names none (or a negative one).
    static constexpr double kDefaultRetryValue = 2.0;

    using ResponseTypeHandler = std::function<void(int type, int status)>;
    using CompletionBlock = std::function<void(bool retry, const KitErrorPtr& error)>;

    // The header's value, the name compared without regard to case; none without a response.
    static std::optional<std::string> headerForResponse_withKey(
        const std::optional<platform::HTTPURLResponse>& response, const std::string& key);
    // "Retry-After" in seconds: 2.0 when absent, negative or no number; the value otherwise (a value too
    // large for a double reads as infinity: whoever waits on it clamps it).
    static double retryValueForResponse(const std::optional<platform::HTTPURLResponse>& response);
    static std::optional<std::string> requestIdForResponse(
        const std::optional<platform::HTTPURLResponse>& response);
    // Whether the answer's type is the one the request's "Accept" asked for (and its charset the one
    // of "Accept-Charset" when both name one). A request without "Accept" takes any answer.
    static bool contentTypeForResponse_matchesRequest(
        const std::optional<platform::HTTPURLResponse>& response, const platform::URLRequest& request);
    // The reason of a cancelled transfer's user information, else -1.
    static int64_t cancelReasonFromURLError(const KitErrorPtr& error);
    // Whether a transfer failure may pass on a second try.
    static bool retryableURLError(const KitErrorPtr& error);
    static KitErrorPtr errorForCode_userInfo(int64_t code, platform::Value::Dictionary userInfo);
    static KitErrorPtr errorForResponse_ofType_status(
        const std::optional<platform::HTTPURLResponse>& response, int type, int status);
    static void clientResponseType_handler(const std::optional<platform::HTTPURLResponse>& response,
                                           const ResponseTypeHandler& handler);
    static void handleCompletedResponse_forOriginalRequest_error_block(
        const std::optional<platform::HTTPURLResponse>& response, const platform::URLRequest& request,
        const KitErrorPtr& error, const CompletionBlock& block);

    // The kind of a status code (0 for an answer without one).
    static int responseTypeForStatus(int status);
};

}  // namespace reporting
