#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/net/URLConnection.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/CRKURLSession.h"
#include "reporting/core/KitError.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/core/RKTNetworkClient.h"
#include "reporting/crash/store/CRKFileManager.h"

namespace reporting {

class CRKNetworkClient;

class CRKNetworkClientDelegate {
public:
    virtual ~CRKNetworkClientDelegate() = default;
    virtual bool networkClientCanUseBackgroundSessions(CRKNetworkClient& client) = 0;
    virtual void networkClient_didFinishUploadWithPath_error(CRKNetworkClient&, const std::string& /*path*/,
                                                             const KitErrorPtr& /*error*/) {}
};

// Uploads package files of the report store to the reports endpoint through the kit's URL session
// (or, for an urgent send, one synchronous request on the caller's thread), restarts an upload after
// the server's "Retry-After", and tells its delegate of each finished upload on the work queue.
//
// An urgent send holds its caller for at most the request's time-out in all, whatever the server does,
// and takes an answer no longer than the session's uploads do (CRKURLSession::kMaximumUploadAnswerLength).
//
// stopUploads() is for the application's quit: every upload under way ends at once, the urgent send
// (which holds a launch before its first window) and the session's, and none starts after, whether
// asked for anew or as a restart. Each package stays where it is for a later launch, as after a failed
// send; the delegate hears nothing more.
//
// Restarts are bounded as the kit's other network client bounds its retries: the wait is the server's
// "Retry-After" kept between kMinimumRetryDelay and kMaximumRetryDelay (a value that is not a finite,
// non-negative number counts as absent), and after kRetryLimit restarts of one upload the delegate hears
// of its end with the "RKTNetworkError" -6 error; the package stays for the owner's later retry.
//
// The kit's session lists no tasks, so the client keeps the descriptions of its own uploads in flight
// (from the start until the delegate hears of the end, restarts included): a second start for the
// same package makes no second task. Only packages inside the store's root are uploaded.
class CRKNetworkClient : public std::enable_shared_from_this<CRKNetworkClient> {
public:
    static constexpr const char* kErrorDomain = "CRKNetworkError";
    static constexpr unsigned kRetryLimit = RKTNetworkClient::kDefaultRetryLimit;
    static constexpr double kMinimumRetryDelay = RKTNetworkClient::kMinimumRetryDelay;
    static constexpr double kMaximumRetryDelay = RKTNetworkClient::kMaximumRetryDelay;

    static std::shared_ptr<RKTCertificatePinner> pinner();
    // initWithQueue:fileManager:delegate:. Without a pinner the kit's pinned roots are used.
    static std::shared_ptr<CRKNetworkClient> initWithQueue_fileManager_delegate(
        std::shared_ptr<OperationQueue> queue, std::shared_ptr<CRKFileManager> fileManager,
        const std::shared_ptr<CRKNetworkClientDelegate>& delegate,
        std::shared_ptr<RKTCertificatePinner> certPinner = nullptr);
    ~CRKNetworkClient();

    std::shared_ptr<CRKURLSession> session();
    static bool NSURLSessionAvailable();
    static std::string backgroundSessionIdentifier();
    bool supportsBackgroundRequests() const;
    void attemptToReconnectBackgroundSessionWithCompletionBlock(const std::function<void()>& block);

    void startUploadRequest_filePath_immediately(const platform::URLRequest& request, const std::string& path,
                                                 bool immediately);
    void startImmediateUploadRequest_filePath(const platform::URLRequest& request, const std::string& path);
    void startNewUploadRequest_filePath(const platform::URLRequest& request, const std::string& path);
    // See above: any thread, once for good.
    void stopUploads();

    std::string rootPath() const;
    std::string absolutePathForRelativeTaskPath(const std::string& relative) const;
    std::optional<std::string> relativeTaskPathForAbsolutePath(const std::string& path) const;
    // block(true) when an upload with the description is under way; runs on the work queue.
    void checkForExistingTaskMatchingDescription_completionBlock(const std::string& description,
                                                                 const std::function<void(bool)>& block);
    // Seconds to wait before restarting an upload that got this answer (see above).
    static double retryDelayForResponse(const std::optional<platform::HTTPURLResponse>& response);
    void runAfterRetryValueFromResponse_block(const std::optional<platform::HTTPURLResponse>& response,
                                              const std::function<void()>& block);
    void restartTask(const std::shared_ptr<CRKURLSessionDataTask>& task);
    void handleTaskDescription_completedWithError(const std::string& description, const KitErrorPtr& error);

    // Session events (on the work queue).
    void URLSession_task_didCompleteWithError(const std::shared_ptr<CRKURLSessionTask>& task,
                                              const KitErrorPtr& error);
    void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession& session, const platform::ServerTrust& trust,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler);

    // Lets the session go, cancelling what runs (the owner's end, or a stop). The session here tells no
    // delegate once it is invalid, so the client hears it from itself, once the session is let go.
    void invalidate();
    void URLSession_didBecomeInvalidWithError(CRKURLSession& session, const KitErrorPtr& error);

    const std::shared_ptr<OperationQueue>& operationQueue() const { return operationQueue_; }
    const std::shared_ptr<RKTCertificatePinner>& certPinner() const { return certPinner_; }
    const std::shared_ptr<CRKFileManager>& fileManager() const { return fileManager_; }
    bool canUseBackgroundSession() const { return canUseBackgroundSession_; }
    size_t uploadsInFlight() const;

    CRKNetworkClient(std::shared_ptr<OperationQueue> queue, std::shared_ptr<CRKFileManager> fileManager,
                     std::shared_ptr<RKTCertificatePinner> certPinner);

private:
    class SessionDelegate;
    void finishUpload(const std::string& path, const std::optional<std::string>& description,
                      const KitErrorPtr& error);

    std::shared_ptr<OperationQueue> operationQueue_;
    std::weak_ptr<CRKNetworkClientDelegate> delegate_;
    std::shared_ptr<RKTCertificatePinner> certPinner_;
    std::shared_ptr<CRKFileManager> fileManager_;
    bool canUseBackgroundSession_ = false;

    mutable std::mutex mutex_;
    std::shared_ptr<CRKURLSession> session_;
    std::set<std::string> inFlight_;
    std::map<std::string, unsigned> restarts_;  // by description, while the upload is in flight
    platform::URLConnection::SynchronousCancellation immediateUploads_;
    std::atomic<bool> stopped_{false};
};

}  // namespace reporting
