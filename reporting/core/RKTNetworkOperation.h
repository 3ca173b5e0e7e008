#pragma once

#include <cstdint>
#include <string>

#include "platform/net/URLRequest.h"
#include "reporting/core/RKTAsyncOperation.h"

namespace reporting {

// The base of the kit's network operations: the API key and the default request with the kit's
// header set.
class RKTNetworkOperation : public RKTAsyncOperation {
public:
    // The kit's developer token, sent with every request.
    static constexpr const char* kDeveloperToken = "5d0b8e3a91c74f26b1e8d47a03c96f2e8b15a7d4";
    static constexpr double kDefaultTimeout = 10.0;
    // The kit's services answer with small JSON documents (settings, an application's record): a longer
    // answer is refused as an error rather than held.
    static constexpr uint64_t kMaximumAnswerLength = 256u << 10;

    explicit RKTNetworkOperation(std::string APIKey);  // initWithAPIKey:

    std::string className() const override { return "RKTNetworkOperation"; }

    // The default request with a time-out of 10 seconds (operations add their own fields).
    virtual platform::URLRequest mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(
        const std::string& url) const;
    // The request ignores local cache data, takes at most kMaximumAnswerLength bytes of answer and
    // carries, in this order: User-Agent, Accept-Charset, Accept-Language, Content-Language and the kit's
    // X-CrashKit-* identification fields.
    platform::URLRequest mutableRequestWithDefaultHTTPHeadersForURL_timeout(const std::string& url,
                                                                            double timeout) const;
    // "<kit identifier>/1.9.0 (74)".
    std::string userAgentString() const;
    // The user's locale as language and region ("en_US"), from the locale environment; "en_US_POSIX"
    // for the C locale.
    std::string localeIdentifier() const;

    const std::string& APIKey() const { return APIKey_; }

private:
    const std::string APIKey_;
};

}  // namespace reporting
