#include "reporting/core/CRKURLSession.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>

#include "platform/base/Log.h"
#include "platform/base/Number.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

bool CRKURLSession::NSURLSessionShouldBeUsed() {
    return false;
}

std::shared_ptr<CRKURLSession> CRKURLSession::sessionWithConfiguration(
    const std::shared_ptr<CRKURLSessionConfiguration>& configuration) {
    return sessionWithConfiguration_delegate_delegateQueue(configuration, nullptr, nullptr);
}

std::shared_ptr<CRKURLSession> CRKURLSession::sessionWithConfiguration_delegate_delegateQueue(
    const std::shared_ptr<CRKURLSessionConfiguration>& configuration,
    std::shared_ptr<CRKURLSessionDelegate> delegate, std::shared_ptr<OperationQueue> delegateQueue) {
    if (!configuration) return nullptr;
    auto session = std::make_shared<CRKURLSession>();
    if (delegate && !delegateQueue) delegateQueue = newDefaultDelegateQueue();
    session->setDelegate(std::move(delegate));
    session->setDelegateQueue(std::move(delegateQueue));
    session->setConfiguration(configuration);
    return session;
}

std::shared_ptr<OperationQueue> CRKURLSession::newDefaultDelegateQueue() {
    static const char anchor = 0;  // stands for the class object's address in the name
    auto queue =
        OperationQueue::create(platform::format("CRKURLSession %p", static_cast<const void*>(&anchor)));
    queue->setMaxConcurrentOperationCount(1);
    return queue;
}

CRKURLSession::CRKURLSession()
    : queue_(platform::DispatchQueue::createSerial(std::string(RKTCrashKitReverseDomainPrefix) +
                                                   ".URLSession")) {}

std::shared_ptr<CRKURLSessionDataTask> CRKURLSession::dataTaskWithRequest_completionHandler(
    const platform::URLRequest& request, DataCompletionHandler handler) {
    if (refusesNewTasks(request)) return nullptr;
    auto task = CRKURLSessionDataTask::task();
    if (handler) {
        task->setCompletionHandler(std::move(handler));
        task->setInvokesDelegate(false);
    }
    configureTask_withRequest_block(task, request, nullptr);
    return task;
}

std::shared_ptr<CRKURLSessionDataTask> CRKURLSession::dataTaskWithRequest(
    const platform::URLRequest& request) {
    return dataTaskWithRequest_completionHandler(request, nullptr);
}

std::shared_ptr<CRKURLSessionUploadTask> CRKURLSession::uploadTaskWithRequest_fromFile_completionHandler(
    const platform::URLRequest& request, const std::string& filePath, DataCompletionHandler handler) {
    if (refusesNewTasks(request)) return nullptr;
    auto task = CRKURLSessionUploadTask::task();
    if (handler) {
        task->setCompletionHandler(std::move(handler));
        task->setInvokesDelegate(false);
    }
    configureTask_withRequest_block(task, request, [&filePath](platform::URLRequest& mutableRequest) {
        uint64_t length = platform::Files::fileSize(filePath).value_or(0);
        if (auto stated = mutableRequest.valueForHTTPHeaderField("Content-Length")) {
            auto number = platform::Number::parse(*stated);
            if (number && number->isIntegral() && number->longLongValue() >= 0) {
                length = number->unsignedLongLongValue();
            } else {
                platform::logf(
                    "[ReportKit] upload of %s: Content-Length \"%s\" is no length; the file size is sent",
                    filePath.c_str(), stated->c_str());
            }
        }
        mutableRequest.setHTTPBodyFile(filePath, length);
        mutableRequest.setMaximumResponseLength(
            std::min(mutableRequest.maximumResponseLength(), kMaximumUploadAnswerLength));
    });
    return task;
}

std::shared_ptr<CRKURLSessionUploadTask> CRKURLSession::uploadTaskWithRequest_fromFile(
    const platform::URLRequest& request, const std::string& filePath) {
    return uploadTaskWithRequest_fromFile_completionHandler(request, filePath, nullptr);
}

std::shared_ptr<CRKURLSessionDownloadTask> CRKURLSession::downloadTaskWithRequest_completionHandler(
    const platform::URLRequest& request, DownloadCompletionHandler handler) {
    if (refusesNewTasks(request)) return nullptr;
    auto task = CRKURLSessionDownloadTask::task();
    if (handler) {
        task->setDownloadCompletionHandler(std::move(handler));
        task->setInvokesDelegate(false);
    }
    configureTask_withRequest_block(task, request, nullptr);
    return task;
}

std::shared_ptr<CRKURLSessionDownloadTask> CRKURLSession::downloadTaskWithRequest(
    const platform::URLRequest& request) {
    return downloadTaskWithRequest_completionHandler(request, nullptr);
}

std::shared_ptr<CRKURLSessionDownloadTask> CRKURLSession::downloadTaskWithURL(const std::string& url) {
    return downloadTaskWithRequest(platform::URLRequest(url));
}

void CRKURLSession::configureTask_withRequest_block(const std::shared_ptr<CRKURLSessionTask>& task,
                                                    const platform::URLRequest& request,
                                                    const std::function<void(platform::URLRequest&)>& block) {
    platform::URLRequest mutableRequest = request;
    const auto configuration = this->configuration();
    queue_->sync([&] {
        taskSet_.insert(task);
        if (configuration) {
            for (const auto& [name, value] : configuration->HTTPAdditionalHeaders())
                mutableRequest.addValue_forHTTPHeaderField(value, name);
        }
    });
    if (block) block(mutableRequest);
    task->setOriginalRequest(std::move(mutableRequest));
    task->setDelegate(shared_from_this());
}

bool CRKURLSession::shouldInvokeDelegateSelector_forTask(const std::string&,
                                                         const CRKURLSessionTask& task) const {
    return task.invokesDelegate() && delegate() != nullptr;
}

void CRKURLSession::removeTaskFromSet(const std::shared_ptr<CRKURLSessionTask>& task) {
    queue_->async([self = shared_from_this(), task] { self->taskSet_.erase(task); });
}

size_t CRKURLSession::taskCount() const {
    size_t count = 0;
    queue_->sync([&] { count = taskSet_.size(); });
    return count;
}

bool CRKURLSession::refusesNewTasks(const platform::URLRequest& request) const {
    {
        std::lock_guard lock(mutex_);
        if (!invalidated_) return false;
    }
    platform::logf("[ReportKit] no new task for %s: the session was invalidated", request.URL().c_str());
    return true;
}

void CRKURLSession::invalidateAndCancel() {
    // The delegate goes first: a cancelled task may complete at once, and its completion must not
    // reach the owner that asked for the invalidation. A retry its owner scheduled earlier finds the
    // session closed.
    {
        std::lock_guard lock(mutex_);
        invalidated_ = true;
    }
    setDelegate(nullptr);
    queue_->sync([&] {
        for (const auto& task : taskSet_) task->cancel();
    });
}

void CRKURLSession::finishTasksAndInvalidate() {
    {
        std::lock_guard lock(mutex_);
        invalidated_ = true;
    }
    setDelegate(nullptr);
}

void CRKURLSession::getTasksWithCompletionHandler(
    std::function<void(TaskList data, TaskList uploads, TaskList downloads)> handler) {
    if (!handler) return;
    auto work = [handler] { handler({}, {}, {}); };
    if (auto queue = delegateQueue()) {
        queue->addOperationWithBlock(std::move(work));
    } else {
        queue_->async(std::move(work));  // no delegate queue: still never inline, as with one
    }
}

std::shared_ptr<CRKURLSessionDelegate> CRKURLSession::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_;
}

void CRKURLSession::setDelegate(std::shared_ptr<CRKURLSessionDelegate> delegate) {
    std::shared_ptr<CRKURLSessionDelegate> previous;  // released outside the lock
    std::lock_guard lock(mutex_);
    previous = std::move(delegate_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<OperationQueue> CRKURLSession::delegateQueue() const {
    std::lock_guard lock(mutex_);
    return delegateQueue_;
}

void CRKURLSession::setDelegateQueue(std::shared_ptr<OperationQueue> queue) {
    std::lock_guard lock(mutex_);
    delegateQueue_ = std::move(queue);
}

std::shared_ptr<CRKURLSessionConfiguration> CRKURLSession::configuration() const {
    std::lock_guard lock(mutex_);
    return configuration_;
}

void CRKURLSession::setConfiguration(const std::shared_ptr<CRKURLSessionConfiguration>& configuration) {
    std::lock_guard lock(mutex_);
    configuration_ = configuration ? configuration->copy() : nullptr;
}

std::string CRKURLSession::sessionDescription() const {
    std::lock_guard lock(mutex_);
    return sessionDescription_;
}

void CRKURLSession::setSessionDescription(std::string description) {
    std::lock_guard lock(mutex_);
    sessionDescription_ = std::move(description);
}

void CRKURLSession::performOnDelegateQueue(std::function<void()> work) {
    if (auto queue = delegateQueue()) {
        queue->addOperationWithBlock(std::move(work));
    } else {
        work();
    }
}

std::optional<platform::URLRequest> CRKURLSession::task_willPerformHTTPRedirection_newRequest(
    const std::shared_ptr<CRKURLSessionTask>&, const platform::HTTPURLResponse&,
    const platform::URLRequest& newRequest) {
    return newRequest;
}

void CRKURLSession::task_didCompleteWithError(const std::shared_ptr<CRKURLSessionTask>& task,
                                              const KitErrorPtr& error) {
    if (!shouldInvokeDelegateSelector_forTask("URLSession:task:didCompleteWithError:", *task)) {
        removeTaskFromSet(task);
        return;
    }
    performOnDelegateQueue([self = shared_from_this(), task, error] {
        // Read again here: an owner that invalidated the session meanwhile no longer hears of it.
        if (auto delegate = self->delegate())
            delegate->URLSession_task_didCompleteWithError(*self, task, error);
        self->removeTaskFromSet(task);
    });
}

platform::AuthChallengeDisposition CRKURLSession::task_didReceiveServerTrust(
    const std::shared_ptr<CRKURLSessionTask>& task, const platform::ServerTrust& trust) {
    // The owner decides on every task's server, whether or not the task has a completion handler:
    // certificate checks must not depend on how a caller chose to hear the answer.
    // Without an owner nobody applies the pins: the system's roots alone must not let the chain pass.
    auto delegate = this->delegate();
    if (!delegate) {
        platform::logf("[ReportKit] the certificate of %s reached a session without an owner: refused",
                       trust.host().c_str());
        return platform::AuthChallengeDisposition::CancelChallenge;
    }
    auto promise = std::make_shared<std::promise<platform::AuthChallengeDisposition>>();
    auto answered = std::make_shared<std::atomic<bool>>(false);
    auto future = promise->get_future();
    CRKURLSessionDelegate::ChallengeCompletionHandler answer =
        [promise, answered](platform::AuthChallengeDisposition d) {
            if (!answered->exchange(true)) promise->set_value(d);
        };
    performOnDelegateQueue([self = shared_from_this(), delegate, trust, answer] {
        delegate->URLSession_didReceiveChallenge_completionHandler(*self, trust, answer);
    });
    const double timeout = task->originalRequest().timeoutInterval();
    if (future.wait_for(std::chrono::duration<double>(timeout > 0 ? timeout : 60.0)) !=
        std::future_status::ready) {
        platform::logf("[ReportKit] no answer on the server's certificate for %s: connection refused",
                       trust.host().c_str());
        return platform::AuthChallengeDisposition::CancelChallenge;
    }
    return future.get();
}

void CRKURLSession::task_didReceiveResponse(const std::shared_ptr<CRKURLSessionTask>& task,
                                            const platform::HTTPURLResponse& response) {
    if (!shouldInvokeDelegateSelector_forTask("URLSession:dataTask:didReceiveResponse:completionHandler:",
                                              *task))
        return;
    auto dataTask = std::dynamic_pointer_cast<CRKURLSessionDataTask>(task);
    if (!dataTask) return;
    performOnDelegateQueue([self = shared_from_this(), dataTask, response] {
        if (auto delegate = self->delegate())
            delegate->URLSession_dataTask_didReceiveResponse_completionHandler(*self, dataTask, response,
                                                                               [](int) {});
    });
}

void CRKURLSession::task_didReceiveData(const std::shared_ptr<CRKURLSessionTask>& task,
                                        const platform::Data& data) {
    if (!shouldInvokeDelegateSelector_forTask("URLSession:dataTask:didReceiveData:", *task)) return;
    auto dataTask = std::dynamic_pointer_cast<CRKURLSessionDataTask>(task);
    if (!dataTask) return;
    performOnDelegateQueue([self = shared_from_this(), dataTask, data] {
        if (auto delegate = self->delegate())
            delegate->URLSession_dataTask_didReceiveData(*self, dataTask, data);
    });
}

void CRKURLSession::downloadTask_didFinishDownloadingToURL(
    const std::shared_ptr<CRKURLSessionDownloadTask>& task, const std::string& location) {
    const bool invoke =
        shouldInvokeDelegateSelector_forTask("URLSession:downloadTask:didFinishDownloadingToURL:", *task);
    // Through the delegate queue either way, so that a completion handler queued before has read the
    // file before it goes.
    performOnDelegateQueue([self = shared_from_this(), task, location, invoke] {
        if (invoke) {
            if (auto delegate = self->delegate())
                delegate->URLSession_downloadTask_didFinishDownloadingToURL(*self, task, location);
        }
        task->cleanup();
    });
}

}  // namespace reporting
