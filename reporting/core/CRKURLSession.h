#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/CRKURLSessionConfiguration.h"
#include "reporting/core/CRKURLSessionDataDelegate.h"
#include "reporting/core/CRKURLSessionDataTask.h"
#include "reporting/core/CRKURLSessionDelegate.h"
#include "reporting/core/CRKURLSessionDownloadDelegate.h"
#include "reporting/core/CRKURLSessionDownloadTask.h"
#include "reporting/core/CRKURLSessionTaskDelegate.h"
#include "reporting/core/CRKURLSessionUploadTask.h"
#include "reporting/core/OperationQueue.h"

namespace reporting {

// The kit's own URL session: data, upload and download tasks over platform::URLConnection, reporting to
// the owner (its delegate) through operations on the delegate queue. Completion handlers run on the
// delegate queue too, so an owner hears of all its tasks on the queue it chose (the default delegate
// queue runs one operation at a time, so the owner's callbacks never overlap).
//
// The owner's delegate is held strongly until invalidateAndCancel or finishTasksAndInvalidate: an owner
// that keeps the session must invalidate it to let either go.
class CRKURLSession : public CRKURLSessionTaskDelegate,
                      public CRKURLSessionDataDelegate,
                      public CRKURLSessionDownloadDelegate,
                      public std::enable_shared_from_this<CRKURLSession> {
public:
    using DataCompletionHandler = CRKURLSessionDataTask::CompletionHandler;
    using DownloadCompletionHandler = CRKURLSessionDownloadTask::DownloadCompletionHandler;
    using TaskList = std::vector<std::shared_ptr<CRKURLSessionTask>>;

    // This system offers no platform session with background configurations: always false.
    static bool NSURLSessionShouldBeUsed();
    static std::shared_ptr<CRKURLSession> sessionWithConfiguration(
        const std::shared_ptr<CRKURLSessionConfiguration>& configuration);
    // No session without a configuration. With a delegate and no queue, the queue is a new default one.
    static std::shared_ptr<CRKURLSession> sessionWithConfiguration_delegate_delegateQueue(
        const std::shared_ptr<CRKURLSessionConfiguration>& configuration,
        std::shared_ptr<CRKURLSessionDelegate> delegate, std::shared_ptr<OperationQueue> delegateQueue);
    // A new queue named "CRKURLSession <address>" that runs one operation at a time.
    static std::shared_ptr<OperationQueue> newDefaultDelegateQueue();

    CRKURLSession();

    std::shared_ptr<CRKURLSessionDataTask> dataTaskWithRequest_completionHandler(
        const platform::URLRequest& request, DataCompletionHandler handler);
    std::shared_ptr<CRKURLSessionDataTask> dataTaskWithRequest(const platform::URLRequest& request);
    // The answer to an upload is an acknowledgement: longer than this, it fails the task.
    static constexpr uint64_t kMaximumUploadAnswerLength = 64u << 10;

    // The body is the file's bytes: as many as the request's "Content-Length" states when it has one,
    // else the file's size when the task is made. The answer may be at most kMaximumUploadAnswerLength
    // bytes (or the request's own limit, when lower).
    std::shared_ptr<CRKURLSessionUploadTask> uploadTaskWithRequest_fromFile_completionHandler(
        const platform::URLRequest& request, const std::string& filePath, DataCompletionHandler handler);
    std::shared_ptr<CRKURLSessionUploadTask> uploadTaskWithRequest_fromFile(
        const platform::URLRequest& request, const std::string& filePath);
    std::shared_ptr<CRKURLSessionDownloadTask> downloadTaskWithRequest_completionHandler(
        const platform::URLRequest& request, DownloadCompletionHandler handler);
    std::shared_ptr<CRKURLSessionDownloadTask> downloadTaskWithRequest(const platform::URLRequest& request);
    std::shared_ptr<CRKURLSessionDownloadTask> downloadTaskWithURL(const std::string& url);

    void configureTask_withRequest_block(const std::shared_ptr<CRKURLSessionTask>& task,
                                         const platform::URLRequest& request,
                                         const std::function<void(platform::URLRequest&)>& block);
    // Every delegate answers every operation (they have defaults), so the task's flag and whether the
    // session still has a delegate decide.
    bool shouldInvokeDelegateSelector_forTask(const std::string& selector,
                                              const CRKURLSessionTask& task) const;
    void removeTaskFromSet(const std::shared_ptr<CRKURLSessionTask>& task);
    // Cancels every task handed out and not completed, then lets the delegate go. Either form of
    // invalidation closes the session: no new task is made (the makers answer none), and a server
    // challenge without a delegate is refused.
    void invalidateAndCancel();
    // Lets the delegate go; running tasks go on.
    void finishTasksAndInvalidate();
    // The own session reports no tasks: the handler receives three empty lists, on the delegate queue.
    void getTasksWithCompletionHandler(
        std::function<void(TaskList data, TaskList uploads, TaskList downloads)> handler);

    std::shared_ptr<CRKURLSessionDelegate> delegate() const;
    void setDelegate(std::shared_ptr<CRKURLSessionDelegate> delegate);
    std::shared_ptr<OperationQueue> delegateQueue() const;
    void setDelegateQueue(std::shared_ptr<OperationQueue> queue);
    std::shared_ptr<CRKURLSessionConfiguration> configuration() const;
    void setConfiguration(const std::shared_ptr<CRKURLSessionConfiguration>& configuration);
    std::string sessionDescription() const;
    void setSessionDescription(std::string description);
    const std::shared_ptr<platform::DispatchQueue>& queue() const { return queue_; }
    size_t taskCount() const;

    // Runs the work where the owner hears from the session: as an operation on the delegate queue, or
    // at once on the calling thread when the session has none.
    void performOnDelegateQueue(std::function<void()> work);

    // From the tasks.
    std::optional<platform::URLRequest> task_willPerformHTTPRedirection_newRequest(
        const std::shared_ptr<CRKURLSessionTask>& task, const platform::HTTPURLResponse& response,
        const platform::URLRequest& newRequest) override;
    void task_didCompleteWithError(const std::shared_ptr<CRKURLSessionTask>& task,
                                   const KitErrorPtr& error) override;
    platform::AuthChallengeDisposition task_didReceiveServerTrust(
        const std::shared_ptr<CRKURLSessionTask>& task, const platform::ServerTrust& trust) override;
    void task_didReceiveResponse(const std::shared_ptr<CRKURLSessionTask>& task,
                                 const platform::HTTPURLResponse& response) override;
    void task_didReceiveData(const std::shared_ptr<CRKURLSessionTask>& task,
                             const platform::Data& data) override;
    void downloadTask_didFinishDownloadingToURL(const std::shared_ptr<CRKURLSessionDownloadTask>& task,
                                                const std::string& location) override;

private:
    bool refusesNewTasks(const platform::URLRequest& request) const;

    const std::shared_ptr<platform::DispatchQueue> queue_;
    std::set<std::shared_ptr<CRKURLSessionTask>> taskSet_;  // session queue only

    mutable std::mutex mutex_;
    std::shared_ptr<CRKURLSessionConfiguration> configuration_;
    std::shared_ptr<CRKURLSessionDelegate> delegate_;
    std::shared_ptr<OperationQueue> delegateQueue_;
    std::string sessionDescription_;
    bool invalidated_ = false;
};

}  // namespace reporting
