#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/net/URLRequest.h"
#include "reporting/UsageKit/upload/USKUploaderDelegate.h"
#include "reporting/core/CRKURLSession.h"
#include "reporting/core/KitError.h"
#include "reporting/core/OperationQueue.h"

namespace reporting {

// Sends packaged event files as upload tasks on the kit's URL session, one task per file name at a
// time, retrying as the delegate decides. All its state changes run on its (serial) operation queue.
//
// The kit's session lists no tasks, so the uploader keeps its own set of the names it has in flight
// (from the start of a task through any back-off until the upload finishes): a second upload of a
// name in that set is skipped.
//
// Once the process's quit has begun (platform::Quit), whenever this uploader was made, no upload starts,
// and one that fails is the quit's doing (the quit ends every transfer under way); so is one cancelled on
// this side rather than ended by the server's answer. Neither is retried nor reported to the delegate,
// which would remove its file: the file waits for a later launch, as it would had the process ended
// with the upload.
class USKUploader : public std::enable_shared_from_this<USKUploader> {
public:
    static constexpr int64_t kErrorBadArguments = -2;
    static constexpr int64_t kErrorUnreadableFile = -8;

    // initWithQueue:delegate:
    static std::shared_ptr<USKUploader> uploaderWithQueue_delegate(
        std::shared_ptr<OperationQueue> queue, std::weak_ptr<USKUploaderDelegate> delegate);
    USKUploader(std::shared_ptr<OperationQueue> queue, std::weak_ptr<USKUploaderDelegate> delegate);
    ~USKUploader();

    void startUploadRequest_filePath_uniqueName(const platform::URLRequest& request,
                                                const std::string& filePath, const std::string& uniqueName);
    void setDefaultUploadTimeout(double seconds);
    void setLowPowerUploadTimeout(double seconds);
    double defaultUploadTimeout() const;
    double lowPowerUploadTimeout() const;
    const std::shared_ptr<OperationQueue>& operationQueue() const { return operationQueue_; }
    std::shared_ptr<USKUploaderDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<USKUploaderDelegate> delegate) { delegate_ = std::move(delegate); }
    void attemptToReconnectBackgroundSessionWithCompletionBlock(std::function<void()> block);

    // Internal steps, on the operation queue.
    std::shared_ptr<CRKURLSession> session();
    std::shared_ptr<CRKURLSessionConfiguration> createBackgroundSessionConfiguration();
    bool supportsBackgroundRequests() const;
    bool shouldUseBackgroundRequests() const { return false; }
    static bool supportsThermalNotifications();
    static bool lowPowerMode();
    void powerStageChanged();
    void startNewUploadRequest_filePath_uniqueName(const platform::URLRequest& request,
                                                   const std::string& filePath,
                                                   const std::string& uniqueName);
    void restartTask(const std::string& uniqueName, const platform::URLRequest& request);
    void handleTaskDescription_completedWithError(const std::string& uniqueName, const KitErrorPtr& error);
    static KitErrorPtr errorWithCode_userInfo(int64_t code, platform::Value::Dictionary userInfo);
    static platform::Value::Dictionary errorUserInfoWithFilePath_uniqueName(const std::string& filePath,
                                                                            const std::string& uniqueName);

    // As the session's delegate (through a forwarder that holds the uploader weakly).
    void URLSession_didBecomeInvalidWithError(CRKURLSession& session, const KitErrorPtr& error);
    void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession& session, const platform::ServerTrust& trust,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler);
    void URLSession_task_didCompleteWithError(CRKURLSession& session,
                                              const std::shared_ptr<CRKURLSessionTask>& task,
                                              const KitErrorPtr& error);

    // Tests: the session's timeout as last built (0 before one is built), and the names in flight.
    double currentSessionResourceTimeout() const;
    std::set<std::string> namesInFlight() const;

private:
    class SessionDelegate;
    void dropSession();
    void finishWithError(const std::string& uniqueName, const KitErrorPtr& error);

    const std::shared_ptr<OperationQueue> operationQueue_;
    std::weak_ptr<USKUploaderDelegate> delegate_;
    platform::NotificationCenter::Observation thermalObservation_;

    mutable std::mutex mutex_;
    std::shared_ptr<CRKURLSession> session_;
    double sessionResourceTimeout_ = 0;
    // Sessions dropped while tasks of theirs still run: kept until those tasks have answered.
    std::map<CRKURLSession*, std::pair<std::shared_ptr<CRKURLSession>, int>> sessionTasks_;
    double defaultUploadTimeout_ = 3600.0;
    double lowPowerUploadTimeout_ = 21600.0;
    std::set<std::string> inFlight_;
};

}  // namespace reporting
