#include "reporting/crash/upload/CRKNetworkClient.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLError.h"
#include "reporting/core/CRKURLSessionConfiguration.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTNetworkResponseHandler.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKApplication.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/upload/CRKUploadCheckpoint.h"

namespace reporting {

namespace {

bool readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

// The server's chain for a synchronous send, put to the client's pinner.
class PinningConnectionDelegate : public platform::URLConnectionDelegate {
public:
    explicit PinningConnectionDelegate(std::shared_ptr<RKTCertificatePinner> pinner)
        : pinner_(std::move(pinner)) {}
    platform::AuthChallengeDisposition connection_didReceiveServerTrust(
        platform::URLConnection&, const platform::ServerTrust& trust) override {
        if (ReportKit::sharedSDK().debug() || !pinner_)
            return platform::AuthChallengeDisposition::PerformDefaultHandling;
        auto disposition = platform::AuthChallengeDisposition::CancelChallenge;
        pinner_->handleChallenge_fromURLSession_completionHandler(
            trust, nullptr, [&](platform::AuthChallengeDisposition answer) { disposition = answer; });
        return disposition;
    }

private:
    std::shared_ptr<RKTCertificatePinner> pinner_;
};

}  // namespace

// The session's delegate: holds the client weakly, so the session (which keeps its delegate until it
// is invalidated) does not keep the client alive.
class CRKNetworkClient::SessionDelegate : public CRKURLSessionDelegate {
public:
    explicit SessionDelegate(const std::shared_ptr<CRKNetworkClient>& client) : client_(client) {}
    void URLSession_task_didCompleteWithError(CRKURLSession&, const std::shared_ptr<CRKURLSessionTask>& task,
                                              const KitErrorPtr& error) override {
        if (auto client = client_.lock()) client->URLSession_task_didCompleteWithError(task, error);
    }
    void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession& session, const platform::ServerTrust& trust,
        const ChallengeCompletionHandler& handler) override {
        if (auto client = client_.lock()) {
            client->URLSession_didReceiveChallenge_completionHandler(session, trust, handler);
        } else {
            handler(platform::AuthChallengeDisposition::CancelChallenge);
        }
    }

private:
    std::weak_ptr<CRKNetworkClient> client_;
};

std::shared_ptr<RKTCertificatePinner> CRKNetworkClient::pinner() {
    return std::make_shared<RKTCertificatePinner>(RKTPinnedCertificates());
}

CRKNetworkClient::CRKNetworkClient(std::shared_ptr<OperationQueue> queue,
                                   std::shared_ptr<CRKFileManager> fileManager,
                                   std::shared_ptr<RKTCertificatePinner> certPinner)
    : operationQueue_(std::move(queue)),
      certPinner_(std::move(certPinner)),
      fileManager_(std::move(fileManager)) {}

std::shared_ptr<CRKNetworkClient> CRKNetworkClient::initWithQueue_fileManager_delegate(
    std::shared_ptr<OperationQueue> queue, std::shared_ptr<CRKFileManager> fileManager,
    const std::shared_ptr<CRKNetworkClientDelegate>& delegate,
    std::shared_ptr<RKTCertificatePinner> certPinner) {
    if (!queue || !fileManager) return nullptr;
    auto client = std::make_shared<CRKNetworkClient>(std::move(queue), std::move(fileManager),
                                                     certPinner ? std::move(certPinner) : pinner());
    client->delegate_ = delegate;
    client->canUseBackgroundSession_ = delegate && delegate->networkClientCanUseBackgroundSessions(*client);
    if (!client->supportsBackgroundRequests() && ReportKit::sharedSDK().debug())
        platform::logf(
            "[CrashKit:Crash:Client] Background session uploading not supported, asynchronous uploading will "
            "be used");
    return client;
}

CRKNetworkClient::~CRKNetworkClient() {
    invalidate();
}

void CRKNetworkClient::invalidate() {
    std::shared_ptr<CRKURLSession> session;
    {
        std::lock_guard lock(mutex_);
        session = std::move(session_);
    }
    if (!session) return;
    session->invalidateAndCancel();
    URLSession_didBecomeInvalidWithError(*session, nullptr);
}

void CRKNetworkClient::URLSession_didBecomeInvalidWithError(CRKURLSession&, const KitErrorPtr& error) {
    if (ReportKit::sharedSDK().debug())
        platform::logf("[CrashKit:Crash:Client] session became invalid: %s",
                       error ? error->localizedDescription().c_str() : "(null)");
}

std::shared_ptr<CRKURLSession> CRKNetworkClient::session() {
    std::lock_guard lock(mutex_);
    if (session_) return session_;
    std::shared_ptr<CRKURLSessionConfiguration> configuration;
    if (supportsBackgroundRequests()) {
        configuration =
            CRKURLSessionConfiguration::backgroundSessionConfiguration(backgroundSessionIdentifier());
    }
    if (!configuration) configuration = CRKURLSessionConfiguration::defaultSessionConfiguration();
    auto session = configuration ? CRKURLSession::sessionWithConfiguration_delegate_delegateQueue(
                                       configuration, std::make_shared<SessionDelegate>(shared_from_this()),
                                       operationQueue_)
                                 : nullptr;
    if (!session) {
        platform::logf("[CrashKit:Crash:Client] Failed to initialize");
        return nullptr;
    }
    session_ = session;
    return session_;
}

bool CRKNetworkClient::NSURLSessionAvailable() {
    return CRKURLSession::NSURLSessionShouldBeUsed();
}

std::string CRKNetworkClient::backgroundSessionIdentifier() {
    return std::string(RKTMakerReverseDomainPrefix) + ".crashkit.mac.crash.background-session";
}

bool CRKNetworkClient::supportsBackgroundRequests() const {
    if (CRKApplicationIsExtension()) return false;
    if (!NSURLSessionAvailable()) return false;
    // Transfers that outlive the process need a background session, which this system cannot make: an
    // urgent report is then sent while the caller waits.
    if (!CRKURLSessionConfiguration::backgroundSessionConfiguration(backgroundSessionIdentifier()))
        return false;
    return canUseBackgroundSession_;
}

void CRKNetworkClient::attemptToReconnectBackgroundSessionWithCompletionBlock(
    const std::function<void()>& block) {
    if (!block) return;
    if (supportsBackgroundRequests()) {
        platform::DispatchQueue::global().async(block);
    } else {
        block();
    }
}

std::string CRKNetworkClient::rootPath() const {
    return fileManager_->rootPath();
}

std::string CRKNetworkClient::absolutePathForRelativeTaskPath(const std::string& relative) const {
    return CRKPathByAppendingComponent(rootPath(), relative);
}

std::optional<std::string> CRKNetworkClient::relativeTaskPathForAbsolutePath(const std::string& path) const {
    if (!fileManager_->isInsideRoot(path)) {
        CRKSDKLOG_WARN("Error: path '%s' is not at the root '%s'\n", path.c_str(), rootPath().c_str());
        return std::nullopt;
    }
    return path.substr(rootPath().size() + 1);
}

size_t CRKNetworkClient::uploadsInFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_.size();
}

void CRKNetworkClient::stopUploads() {
    stopped_.store(true);
    immediateUploads_.cancel();
    size_t underWay = 0;
    {
        std::lock_guard lock(mutex_);
        underWay = inFlight_.size();
    }
    if (underWay)
        platform::logf(
            "[CrashKit:Crash:Client] Stopped: the uploads under way (%zu) end; their packages "
            "wait for a later launch",
            underWay);
    // The session's tasks end now, and their ends go unheard: a failed upload would be retried.
    invalidate();
}

void CRKNetworkClient::startUploadRequest_filePath_immediately(const platform::URLRequest& request,
                                                               const std::string& path, bool immediately) {
    if (immediately) {
        startImmediateUploadRequest_filePath(request, path);
        return;
    }
    const auto description = relativeTaskPathForAbsolutePath(path);
    if (!description) return;  // outside the store: never uploaded, never removed
    std::weak_ptr<CRKNetworkClient> weak = weak_from_this();
    checkForExistingTaskMatchingDescription_completionBlock(*description, [weak, request, path](bool exists) {
        auto self = weak.lock();
        if (!self) return;
        if (exists) {
            if (ReportKit::sharedSDK().debug())
                platform::logf("[CrashKit:Crash:Client] A task currently exists for this upload, skipping");
            return;
        }
        self->startNewUploadRequest_filePath(request, path);
    });
}

void CRKNetworkClient::checkForExistingTaskMatchingDescription_completionBlock(
    const std::string& description, const std::function<void(bool)>& block) {
    std::weak_ptr<CRKNetworkClient> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak, description, block]() {
        auto self = weak.lock();
        if (!self) return;
        bool exists;
        {
            std::lock_guard lock(self->mutex_);
            // Claimed here, on the work queue, so two starts in a row make one upload.
            exists = !self->inFlight_.insert(description).second;
        }
        if (block) block(exists);
    });
}

void CRKNetworkClient::startImmediateUploadRequest_filePath(const platform::URLRequest& request,
                                                            const std::string& path) {
    if (supportsBackgroundRequests()) {
        startNewUploadRequest_filePath(request, path);
        return;
    }
    if (!readable(path)) {
        CRKSDKLOG_WARN("Error: file unreadable\n");
        return;
    }
    platform::URLRequest send = request;
    const uint64_t length = fileManager_->fileSizeAtPath(path).value_or(0);
    send.setHTTPBodyFile(path, length);
    // The caller waits for this send (a launch that crashed during start-up, before its first window):
    // the request's time-out bounds the whole send, not just each stretch without progress, which a
    // server that drips its answer or takes the body slowly restarts again and again.
    if (send.timeoutInterval() > 0) send.setMaximumDuration(send.timeoutInterval());
    // The answer is an acknowledgement, held to what the session's uploads accept.
    send.setMaximumResponseLength(
        std::min(send.maximumResponseLength(), CRKURLSession::kMaximumUploadAnswerLength));
    const auto result = platform::URLConnection::sendSynchronousRequest(
        send, std::make_shared<PinningConnectionDelegate>(certPinner_), &immediateUploads_);
    CRKUploadCheckpoint("answer");
    if (result.error) {
        // Said, so that a quit that waited out the send's time-out instead shows by its missing line.
        if (stopped_.load() && platform::URLError::isCancellation(*result.error))
            platform::logf(
                "[CrashKit:Crash:Client] Stopped: the urgent send of %s ended; it waits for a "
                "later launch",
                path.c_str());
        return;
    }
    bool success = false;
    RKTNetworkResponseHandler::clientResponseType_handler(result.response, [&](int type, int) {
        success = type == RKTNetworkResponseHandler::Success &&
                  RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(result.response, request);
    });
    if (!success) return;  // the package stays for a later run
    if (auto delegate = delegate_.lock())
        delegate->networkClient_didFinishUploadWithPath_error(*this, path, nullptr);
}

void CRKNetworkClient::startNewUploadRequest_filePath(const platform::URLRequest& request,
                                                      const std::string& path) {
    const auto description = relativeTaskPathForAbsolutePath(path);
    // Asked for before the stop (a restart that waited out a "Retry-After", a start claimed on the work
    // queue): it no longer goes out.
    if (stopped_.load()) {
        if (description) {
            std::lock_guard lock(mutex_);
            inFlight_.erase(*description);
            restarts_.erase(*description);
        }
        platform::logf("[CrashKit:Crash:Client] Stopped: %s is not sent; it waits for a later launch",
                       path.c_str());
        return;
    }
    if (!readable(path)) {
        auto error = KitError::errorWithDomain_code_userInfo(kErrorDomain, -2, {{"path", path}});
        std::weak_ptr<CRKNetworkClient> weak = weak_from_this();
        operationQueue_->addOperationWithBlock([weak, path, description, error]() {
            if (auto self = weak.lock()) self->finishUpload(path, description, error);
        });
        return;
    }
    auto session = this->session();
    auto task = session && description ? session->uploadTaskWithRequest_fromFile(request, path) : nullptr;
    if (!task) {
        // No session (already logged): the package waits for a later start, and a later start may claim it.
        if (description) {
            std::lock_guard lock(mutex_);
            inFlight_.erase(*description);
            restarts_.erase(*description);
        }
        return;
    }
    task->setTaskDescription(*description);
    task->resume();
}

double CRKNetworkClient::retryDelayForResponse(const std::optional<platform::HTTPURLResponse>& response) {
    double value = RKTNetworkResponseHandler::retryValueForResponse(response);
    // "nan", an infinite or a negative wait says nothing usable: as if the server had said nothing.
    if (!std::isfinite(value) || value < 0) value = RKTNetworkResponseHandler::kDefaultRetryValue;
    return std::clamp(value, kMinimumRetryDelay, kMaximumRetryDelay);
}

void CRKNetworkClient::runAfterRetryValueFromResponse_block(
    const std::optional<platform::HTTPURLResponse>& response, const std::function<void()>& block) {
    const float delay = static_cast<float>(retryDelayForResponse(response));
    CRKAddOperationAfter(delay, operationQueue_, block);
}

void CRKNetworkClient::restartTask(const std::shared_ptr<CRKURLSessionDataTask>& task) {
    const platform::URLRequest request = task->originalRequest();
    const std::string description = task->taskDescription();
    const std::string path = absolutePathForRelativeTaskPath(description);
    bool exhausted = false;
    {
        std::lock_guard lock(mutex_);
        unsigned& restarts = restarts_[description];
        exhausted = restarts >= kRetryLimit;
        if (!exhausted) ++restarts;
    }
    if (exhausted) {
        // A server that keeps asking for another try, or never answers in time, ends this upload; the
        // owner hears of it and may try again much later.
        platform::logf("[CrashKit:Crash:Client] Giving up the upload of %s after %u retries",
                       description.c_str(), kRetryLimit);
        finishUpload(
            path, description,
            RKTNetworkResponseHandler::errorForCode_userInfo(
                RKTNetworkClient::kRetryLimitErrorCode, {{"retryLimit", platform::Number(kRetryLimit)},
                                                         {"NSErrorFailingURLStringKey", request.URL()}}));
        return;
    }
    std::weak_ptr<CRKNetworkClient> weak = weak_from_this();
    runAfterRetryValueFromResponse_block(task->response(), [weak, request, path]() {
        if (auto self = weak.lock()) self->startNewUploadRequest_filePath(request, path);
    });
}

void CRKNetworkClient::handleTaskDescription_completedWithError(const std::string& description,
                                                                const KitErrorPtr& error) {
    finishUpload(absolutePathForRelativeTaskPath(description), description, error);
}

void CRKNetworkClient::finishUpload(const std::string& path, const std::optional<std::string>& description,
                                    const KitErrorPtr& error) {
    if (description) {
        std::lock_guard lock(mutex_);
        inFlight_.erase(*description);
        restarts_.erase(*description);
    }
    if (auto delegate = delegate_.lock())
        delegate->networkClient_didFinishUploadWithPath_error(*this, path, error);
}

void CRKNetworkClient::URLSession_task_didCompleteWithError(const std::shared_ptr<CRKURLSessionTask>& task,
                                                            const KitErrorPtr& error) {
    auto upload = std::dynamic_pointer_cast<CRKURLSessionDataTask>(task);
    if (!upload) return;
    CRKUploadCheckpoint("answer");
    RKTNetworkResponseHandler::handleCompletedResponse_forOriginalRequest_error_block(
        upload->response(), upload->originalRequest(), error, [&](bool retry, const KitErrorPtr& failure) {
            if (retry) {
                restartTask(upload);
            } else {
                handleTaskDescription_completedWithError(upload->taskDescription(), failure);
            }
        });
}

void CRKNetworkClient::URLSession_didReceiveChallenge_completionHandler(
    CRKURLSession& session, const platform::ServerTrust& trust,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
    if (ReportKit::sharedSDK().debug() || !certPinner_) {
        completionHandler(platform::AuthChallengeDisposition::PerformDefaultHandling);
        return;
    }
    certPinner_->handleChallenge_fromURLSession_completionHandler(trust, &session, completionHandler);
}

}  // namespace reporting
