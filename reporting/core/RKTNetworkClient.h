#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/DispatchQueue.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ServerTrust.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/CRKURLSession.h"
#include "reporting/core/CRKURLSessionConfiguration.h"
#include "reporting/core/KitError.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/core/RKTCertificatePinner.h"

namespace reporting {

// Runs the kit's HTTP requests over its own URL session, checks the server's chain against the pinned
// roots when it has them, classifies each answer and retries retryable failures after an exponential,
// jittered delay, up to a limit per request.
//
// Completions arrive on the session's delegate queue (the queue given at creation, else a serial one
// of the session's own). Retries are started from the default global queue after their delay, which
// the main run loop keeps (so they follow virtual time in tests). A request in flight or waiting for
// its retry keeps the client alive until it has ended.
class RKTNetworkClient : public std::enable_shared_from_this<RKTNetworkClient> {
public:
    using DataCompletionHandler = std::function<void(const std::optional<platform::Data>& data,
                                                     const std::optional<platform::HTTPURLResponse>& response,
                                                     const KitErrorPtr& error)>;
    // The downloaded file is removed once the handler has returned.
    using DownloadCompletionHandler = std::function<void(
        const std::optional<std::string>& location, const std::optional<platform::HTTPURLResponse>& response,
        const KitErrorPtr& error)>;

    static constexpr unsigned kDefaultRetryLimit = 10;
    // Error codes of the "RKTNetworkError" domain raised here.
    static constexpr int64_t kNoTaskErrorCode = -3;
    static constexpr int64_t kRetryLimitErrorCode = -6;
    // The longest wait before a retry. A server's "Retry-After" and the exponential growth are both
    // cut to it, before the delay becomes a timer's time, so no value a server sends can overflow it.
    static constexpr double kMaximumRetryDelay = 86400.0;
    // The shortest wait before a retry, whatever the server says ("Retry-After: 0" is not "now").
    static constexpr double kMinimumRetryDelay = 2.0;
    static constexpr double kJitterMinimum = static_cast<double>(0.9f);
    static constexpr double kJitterMaximum = static_cast<double>(1.1f);

    static std::shared_ptr<RKTNetworkClient> init();
    static std::shared_ptr<RKTNetworkClient> initWithQueue(std::shared_ptr<OperationQueue> queue);
    // No certificates (none): no pinning, the system's own evaluation decides.
    static std::shared_ptr<RKTNetworkClient> initWithQueue_pinnedCertificates(
        std::shared_ptr<OperationQueue> queue, std::optional<std::vector<platform::Data>> pinnedCertificates);
    // None when no session could be made.
    static std::shared_ptr<RKTNetworkClient> initWithSessionConfiguration_queue_pinnedCertificates(
        const std::shared_ptr<CRKURLSessionConfiguration>& configuration,
        std::shared_ptr<OperationQueue> queue, std::optional<std::vector<platform::Data>> pinnedCertificates);

    RKTNetworkClient();
    // Lets the session finish its running tasks and go.
    ~RKTNetworkClient();
    RKTNetworkClient(const RKTNetworkClient&) = delete;
    RKTNetworkClient& operator=(const RKTNetworkClient&) = delete;

    void startDataTaskWithRequest_completionHandler(const platform::URLRequest& request,
                                                    DataCompletionHandler handler);
    void startDataTaskWithRequest_retryLimit_completionHandler(const platform::URLRequest& request,
                                                               unsigned retryLimit,
                                                               DataCompletionHandler handler);
    void startDataTaskWithRequest_retryLimit_tries_completionHandler(const platform::URLRequest& request,
                                                                     unsigned retryLimit, unsigned tries,
                                                                     DataCompletionHandler handler);
    void startDownloadTaskWithRequest_completionHandler(const platform::URLRequest& request,
                                                        DownloadCompletionHandler handler);
    void startDownloadTaskWithRequest_retryLimit_completionHandler(const platform::URLRequest& request,
                                                                   unsigned retryLimit,
                                                                   DownloadCompletionHandler handler);
    void startDownloadTaskWithRequest_retryLimit_tries_completionHandler(const platform::URLRequest& request,
                                                                         unsigned retryLimit, unsigned tries,
                                                                         DownloadCompletionHandler handler);

    // Seconds before retry number count + 1: the larger of 2 and the answer's "Retry-After", raised to
    // the count (1 for count 0), times the jitter; never more than kMaximumRetryDelay.
    double computeDelayForResponse_withRetryCount(const std::optional<platform::HTTPURLResponse>& response,
                                                  unsigned count);
    double generateRandomJitter();
    // Uniform in [min, max).
    double randomDoubleWithMin_max(double min, double max);
    void runAfterRetryValueFromResponse_attempts_block(
        const std::optional<platform::HTTPURLResponse>& response, unsigned attempts, platform::Closure block);
    void runAfterRetryValueFromResponse_attempts_onQueue_block(
        const std::optional<platform::HTTPURLResponse>& response, unsigned attempts,
        platform::DispatchQueue& queue, platform::Closure block);

    // Cancels the session's running tasks and lets it go.
    void invalidateAndCancel();

    // Session delegate: with the kit's debug flag the system's own evaluation decides; else the pinner
    // when there is one; else the system.
    void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession& session, const platform::ServerTrust& trust,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler);
    void URLSession_didBecomeInvalidWithError(CRKURLSession& session, const KitErrorPtr& error);

    const std::shared_ptr<RKTCertificatePinner>& certPinner() const { return certPinner_; }
    const std::shared_ptr<CRKURLSession>& session() const { return session_; }

private:
    class SessionDelegate;

    static void answerChallenge(const std::shared_ptr<RKTCertificatePinner>& pinner, CRKURLSession& session,
                                const platform::ServerTrust& trust,
                                const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler);
    KitErrorPtr retryLimitError(unsigned retryLimit, const platform::URLRequest& request) const;
    // A finished transfer reaches the handler, unless its answer asks for a retry and tries remain: then
    // `again` starts the transfer once more after the delay the answer asks for.
    template <typename Result, typename Handler>
    void finishOrRetry(const std::optional<Result>& result,
                       const std::optional<platform::HTTPURLResponse>& response,
                       const KitErrorPtr& transportError, const platform::URLRequest& request,
                       unsigned retryLimit, unsigned tries, const Handler& handler,
                       std::function<void()> again);

    std::shared_ptr<RKTCertificatePinner> certPinner_;
    std::shared_ptr<CRKURLSession> session_;
};

}  // namespace reporting
