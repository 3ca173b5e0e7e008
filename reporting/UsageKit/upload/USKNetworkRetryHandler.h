#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ServerTrust.h"
#include "platform/net/URLRequest.h"
#include "reporting/UsageKit/upload/USKBackoffTimer.h"
#include "reporting/core/CRKURLSessionDelegate.h"
#include "reporting/core/KitError.h"

namespace reporting {

class CRKURLSession;
class RKTCertificatePinner;

// Decides per upload whether a finished request is retried (with back-off), and answers TLS challenges
// with the kit's pinned certificates.
class USKNetworkRetryHandler {
public:
    static constexpr int64_t kErrorRetryLimit = -6;
    static constexpr int64_t kErrorNoIdentifier = -7;
    static constexpr int kDefaultMaxRetries = 10;
    using Completion = std::function<void(bool retry, const KitErrorPtr& error)>;

    USKNetworkRetryHandler();
    // Tests: a pinner over other roots (none: no pinning).
    explicit USKNetworkRetryHandler(std::shared_ptr<RKTCertificatePinner> pinner);

    void handleChallenge_fromURLSession_completionHandler(
        const platform::ServerTrust& trust, CRKURLSession* session,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler);
    void handleCompletedRequest_withResponse_forIdentifier_error_completionHandler(
        const platform::URLRequest& request, const std::optional<platform::HTTPURLResponse>& response,
        const std::string& identifier, const KitErrorPtr& error, Completion completion);
    void handleCompletedRequest_withResponse_forIdentifier_maxRetries_error_completionHandler(
        const platform::URLRequest& request, const std::optional<platform::HTTPURLResponse>& response,
        const std::string& identifier, uint64_t maxRetries, const KitErrorPtr& error, Completion completion);
    std::shared_ptr<USKBackoffTimer> timerForIdentifier_initialRetryValue(const std::string& identifier,
                                                                          double initialValue);
    static double retryValueForResponse(const std::optional<platform::HTTPURLResponse>& response);
    static KitErrorPtr errorWithCode_forIdentifier_request_handlerError(int64_t code,
                                                                        const std::string& identifier,
                                                                        const platform::URLRequest& request,
                                                                        const KitErrorPtr& handlerError);
    // The kit's pinned roots are read on the first challenge, not when the handler is made.
    std::shared_ptr<RKTCertificatePinner> certPinner() const;
    size_t retryTimerCount() const;

private:
    mutable std::shared_ptr<RKTCertificatePinner> certPinner_;  // guarded by mutex_
    bool kitPinner_ = false;                                    // certPinner_ is the kit's, made on use
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<USKBackoffTimer>> retryTimerMap_;
};

}  // namespace reporting
