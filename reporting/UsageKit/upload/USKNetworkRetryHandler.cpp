#include "reporting/UsageKit/upload/USKNetworkRetryHandler.h"

#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/core/RKTNetworkResponseHandler.h"
#include "reporting/core/ReportKit.h"

namespace reporting {

USKNetworkRetryHandler::USKNetworkRetryHandler() : kitPinner_(true) {}

USKNetworkRetryHandler::USKNetworkRetryHandler(std::shared_ptr<RKTCertificatePinner> pinner)
    : certPinner_(std::move(pinner)) {}

void USKNetworkRetryHandler::handleChallenge_fromURLSession_completionHandler(
    const platform::ServerTrust& trust, CRKURLSession* session,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
    auto pinner = certPinner();
    if (ReportKit::sharedSDK().debug() || !pinner) {
        completionHandler(platform::AuthChallengeDisposition::PerformDefaultHandling);
        return;
    }
    pinner->handleChallenge_fromURLSession_completionHandler(trust, session, completionHandler);
}

std::shared_ptr<RKTCertificatePinner> USKNetworkRetryHandler::certPinner() const {
    std::lock_guard lock(mutex_);
    if (kitPinner_ && !certPinner_)
        certPinner_ = std::make_shared<RKTCertificatePinner>(RKTPinnedCertificates());
    return certPinner_;
}

void USKNetworkRetryHandler::handleCompletedRequest_withResponse_forIdentifier_error_completionHandler(
    const platform::URLRequest& request, const std::optional<platform::HTTPURLResponse>& response,
    const std::string& identifier, const KitErrorPtr& error, Completion completion) {
    handleCompletedRequest_withResponse_forIdentifier_maxRetries_error_completionHandler(
        request, response, identifier, kDefaultMaxRetries, error, std::move(completion));
}

void USKNetworkRetryHandler::
    handleCompletedRequest_withResponse_forIdentifier_maxRetries_error_completionHandler(
        const platform::URLRequest& request, const std::optional<platform::HTTPURLResponse>& response,
        const std::string& identifier, uint64_t maxRetries, const KitErrorPtr& error, Completion completion) {
    RKTNetworkResponseHandler::handleCompletedResponse_forOriginalRequest_error_block(
        response, request, error, [&](bool retry, const KitErrorPtr& handlerError) {
            if (!retry) {
                completion(false, handlerError);
                return;
            }
            auto timer = timerForIdentifier_initialRetryValue(identifier, retryValueForResponse(response));
            if (!timer) {
                completion(false, errorWithCode_forIdentifier_request_handlerError(
                                      kErrorNoIdentifier, identifier, request, handlerError));
                return;
            }
            if (timer->retryCount() <= maxRetries) {
                timer->executeBlockAfterNextInterval(
                    [completion, handlerError] { completion(true, handlerError); });
                return;
            }
            {
                std::lock_guard lock(mutex_);
                retryTimerMap_[identifier] = timer;
            }
            completion(false, errorWithCode_forIdentifier_request_handlerError(kErrorRetryLimit, identifier,
                                                                               request, handlerError));
        });
}

std::shared_ptr<USKBackoffTimer> USKNetworkRetryHandler::timerForIdentifier_initialRetryValue(
    const std::string& identifier, double initialValue) {
    if (identifier.empty()) return nullptr;
    std::lock_guard lock(mutex_);
    auto& timer = retryTimerMap_[identifier];
    if (!timer) timer = std::make_shared<USKBackoffTimer>(initialValue);
    return timer;
}

double USKNetworkRetryHandler::retryValueForResponse(
    const std::optional<platform::HTTPURLResponse>& response) {
    return RKTNetworkResponseHandler::retryValueForResponse(response);
}

KitErrorPtr USKNetworkRetryHandler::errorWithCode_forIdentifier_request_handlerError(
    int64_t code, const std::string& identifier, const platform::URLRequest& request,
    const KitErrorPtr& handlerError) {
    if (handlerError) return handlerError;
    platform::Value::Dictionary userInfo{
        {"USKNetworkRetryHandlerIdentifier", identifier.empty() ? "(null)" : identifier}};
    if (!request.URL().empty()) userInfo["NSErrorFailingURLKey"] = request.URL();
    return KitError::errorWithDomain_code_userInfo(RKTNetworkResponseHandler::kErrorDomain, code, userInfo);
}

size_t USKNetworkRetryHandler::retryTimerCount() const {
    std::lock_guard lock(mutex_);
    return retryTimerMap_.size();
}

}  // namespace reporting
