#include "reporting/core/RKTNetworkClient.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/base/Log.h"
#include "reporting/core/RKTNetworkResponseHandler.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

// The session's delegate. It holds the pinner, not the client, so that the session (which keeps its
// delegate until it is invalidated) does not keep the client alive.
class RKTNetworkClient::SessionDelegate : public CRKURLSessionDelegate {
public:
    explicit SessionDelegate(std::shared_ptr<RKTCertificatePinner> pinner) : pinner_(std::move(pinner)) {}

    void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession& session, const platform::ServerTrust& trust,
        const ChallengeCompletionHandler& completionHandler) override {
        answerChallenge(pinner_, session, trust, completionHandler);
    }

private:
    const std::shared_ptr<RKTCertificatePinner> pinner_;
};

std::shared_ptr<RKTNetworkClient> RKTNetworkClient::init() {
    return initWithQueue(nullptr);
}

std::shared_ptr<RKTNetworkClient> RKTNetworkClient::initWithQueue(std::shared_ptr<OperationQueue> queue) {
    return initWithQueue_pinnedCertificates(std::move(queue), std::nullopt);
}

std::shared_ptr<RKTNetworkClient> RKTNetworkClient::initWithQueue_pinnedCertificates(
    std::shared_ptr<OperationQueue> queue, std::optional<std::vector<platform::Data>> pinnedCertificates) {
    return initWithSessionConfiguration_queue_pinnedCertificates(
        CRKURLSessionConfiguration::defaultSessionConfiguration(), std::move(queue),
        std::move(pinnedCertificates));
}

std::shared_ptr<RKTNetworkClient> RKTNetworkClient::initWithSessionConfiguration_queue_pinnedCertificates(
    const std::shared_ptr<CRKURLSessionConfiguration>& configuration, std::shared_ptr<OperationQueue> queue,
    std::optional<std::vector<platform::Data>> pinnedCertificates) {
    auto client = std::make_shared<RKTNetworkClient>();
    if (pinnedCertificates)
        client->certPinner_ = std::make_shared<RKTCertificatePinner>(std::move(*pinnedCertificates));
    client->session_ = CRKURLSession::sessionWithConfiguration_delegate_delegateQueue(
        configuration, std::make_shared<SessionDelegate>(client->certPinner_), std::move(queue));
    if (!client->session_) return nullptr;
    return client;
}

RKTNetworkClient::RKTNetworkClient() = default;

RKTNetworkClient::~RKTNetworkClient() {
    if (session_) session_->finishTasksAndInvalidate();
}

void RKTNetworkClient::startDataTaskWithRequest_completionHandler(const platform::URLRequest& request,
                                                                  DataCompletionHandler handler) {
    startDataTaskWithRequest_retryLimit_completionHandler(request, kDefaultRetryLimit, std::move(handler));
}

void RKTNetworkClient::startDataTaskWithRequest_retryLimit_completionHandler(
    const platform::URLRequest& request, unsigned retryLimit, DataCompletionHandler handler) {
    startDataTaskWithRequest_retryLimit_tries_completionHandler(request, retryLimit, 0, std::move(handler));
}

template <typename Result, typename Handler>
void RKTNetworkClient::finishOrRetry(const std::optional<Result>& result,
                                     const std::optional<platform::HTTPURLResponse>& response,
                                     const KitErrorPtr& transportError, const platform::URLRequest& request,
                                     unsigned retryLimit, unsigned tries, const Handler& handler,
                                     std::function<void()> again) {
    RKTNetworkResponseHandler::handleCompletedResponse_forOriginalRequest_error_block(
        response, request, transportError, [&](bool retry, const KitErrorPtr& error) {
            if (!retry) {
                if (handler) handler(result, response, error);
                return;
            }
            if (tries >= retryLimit) {
                if (handler) handler(std::nullopt, std::nullopt, retryLimitError(retryLimit, request));
                return;
            }
            runAfterRetryValueFromResponse_attempts_block(response, tries, std::move(again));
        });
}

void RKTNetworkClient::startDataTaskWithRequest_retryLimit_tries_completionHandler(
    const platform::URLRequest& request, unsigned retryLimit, unsigned tries, DataCompletionHandler handler) {
    auto self = shared_from_this();
    auto completion = [self, request, retryLimit, tries, handler](
                          const std::optional<platform::Data>& data,
                          const std::optional<platform::HTTPURLResponse>& response,
                          const KitErrorPtr& transportError) {
        self->finishOrRetry(data, response, transportError, request, retryLimit, tries, handler,
                            [self, request, retryLimit, tries, handler] {
                                self->startDataTaskWithRequest_retryLimit_tries_completionHandler(
                                    request, retryLimit, tries + 1, handler);
                            });
    };
    auto task =
        session_ ? session_->dataTaskWithRequest_completionHandler(request, std::move(completion)) : nullptr;
    if (!task) {
        if (handler)
            handler(std::nullopt, std::nullopt,
                    RKTNetworkResponseHandler::errorForCode_userInfo(kNoTaskErrorCode, {}));
        return;
    }
    task->resume();
}

void RKTNetworkClient::startDownloadTaskWithRequest_completionHandler(const platform::URLRequest& request,
                                                                      DownloadCompletionHandler handler) {
    startDownloadTaskWithRequest_retryLimit_completionHandler(request, kDefaultRetryLimit,
                                                              std::move(handler));
}

void RKTNetworkClient::startDownloadTaskWithRequest_retryLimit_completionHandler(
    const platform::URLRequest& request, unsigned retryLimit, DownloadCompletionHandler handler) {
    startDownloadTaskWithRequest_retryLimit_tries_completionHandler(request, retryLimit, 0,
                                                                    std::move(handler));
}

void RKTNetworkClient::startDownloadTaskWithRequest_retryLimit_tries_completionHandler(
    const platform::URLRequest& request, unsigned retryLimit, unsigned tries,
    DownloadCompletionHandler handler) {
    auto self = shared_from_this();
    auto completion = [self, request, retryLimit, tries, handler](
                          const std::optional<std::string>& location,
                          const std::optional<platform::HTTPURLResponse>& response,
                          const KitErrorPtr& transportError) {
        self->finishOrRetry(location, response, transportError, request, retryLimit, tries, handler,
                            [self, request, retryLimit, tries, handler] {
                                self->startDownloadTaskWithRequest_retryLimit_tries_completionHandler(
                                    request, retryLimit, tries + 1, handler);
                            });
    };
    auto task = session_ ? session_->downloadTaskWithRequest_completionHandler(request, std::move(completion))
                         : nullptr;
    if (!task) {
        if (handler)
            handler(std::nullopt, std::nullopt,
                    RKTNetworkResponseHandler::errorForCode_userInfo(kNoTaskErrorCode, {}));
        return;
    }
    task->resume();
}

KitErrorPtr RKTNetworkClient::retryLimitError(unsigned retryLimit,
                                              const platform::URLRequest& request) const {
    return RKTNetworkResponseHandler::errorForCode_userInfo(
        kRetryLimitErrorCode,
        {{"retryLimit", platform::Number(retryLimit)}, {"NSErrorFailingURLStringKey", request.URL()}});
}

double RKTNetworkClient::computeDelayForResponse_withRetryCount(
    const std::optional<platform::HTTPURLResponse>& response, unsigned count) {
    double retryValue = RKTNetworkResponseHandler::retryValueForResponse(response);
    if (std::isnan(retryValue)) retryValue = RKTNetworkResponseHandler::kDefaultRetryValue;
    // Clamped first, so that nothing below works with an infinite or absurd value.
    const double base = std::clamp(retryValue, kMinimumRetryDelay, kMaximumRetryDelay);
    const double exponent = count == 0 ? 1.0 : static_cast<double>(count);
    const double delay = std::pow(base, exponent) * generateRandomJitter();
    if (!std::isfinite(delay) || delay > kMaximumRetryDelay) return kMaximumRetryDelay;
    return delay;
}

double RKTNetworkClient::generateRandomJitter() {
    return randomDoubleWithMin_max(kJitterMinimum, kJitterMaximum);
}

double RKTNetworkClient::randomDoubleWithMin_max(double min, double max) {
    // One generator per thread: retries are computed on several queues at once.
    thread_local std::mt19937_64 generator{std::random_device{}()};
    const double unit = std::generate_canonical<double, 53>(generator);
    return min + std::min(unit, std::nextafter(1.0, 0.0)) * (max - min);
}

void RKTNetworkClient::runAfterRetryValueFromResponse_attempts_block(
    const std::optional<platform::HTTPURLResponse>& response, unsigned attempts, platform::Closure block) {
    runAfterRetryValueFromResponse_attempts_onQueue_block(
        response, attempts, platform::DispatchQueue::global(), std::move(block));
}

void RKTNetworkClient::runAfterRetryValueFromResponse_attempts_onQueue_block(
    const std::optional<platform::HTTPURLResponse>& response, unsigned attempts,
    platform::DispatchQueue& queue, platform::Closure block) {
    queue.asyncAfter(computeDelayForResponse_withRetryCount(response, attempts), std::move(block));
}

void RKTNetworkClient::invalidateAndCancel() {
    if (session_) session_->invalidateAndCancel();
}

void RKTNetworkClient::URLSession_didReceiveChallenge_completionHandler(
    CRKURLSession& session, const platform::ServerTrust& trust,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
    answerChallenge(certPinner_, session, trust, completionHandler);
}

void RKTNetworkClient::URLSession_didBecomeInvalidWithError(CRKURLSession&, const KitErrorPtr&) {}

void RKTNetworkClient::answerChallenge(
    const std::shared_ptr<RKTCertificatePinner>& pinner, CRKURLSession& session,
    const platform::ServerTrust& trust,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
    if (ReportKit::sharedSDK().debug() || !pinner) {
        if (completionHandler) completionHandler(platform::AuthChallengeDisposition::PerformDefaultHandling);
        return;
    }
    pinner->handleChallenge_fromURLSession_completionHandler(trust, &session, completionHandler);
}

}  // namespace reporting
