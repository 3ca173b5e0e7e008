#include "reporting/core/CRKURLSessionDataTask.h"

#include "platform/net/URLError.h"
#include "reporting/core/CRKURLSession.h"

namespace reporting {

std::shared_ptr<CRKURLSessionDataTask> CRKURLSessionDataTask::task() {
    return std::make_shared<CRKURLSessionDataTask>();
}

std::shared_ptr<CRKURLSessionDataTask> CRKURLSessionDataTask::self() {
    return std::static_pointer_cast<CRKURLSessionDataTask>(shared_from_this());
}

void CRKURLSessionDataTask::resume() {
    queue()->async([me = self()] {
        if (me->completed_ || me->connection()) return;
        // The connection keeps this task as its delegate until it has reported its end.
        std::shared_ptr<platform::URLConnectionDelegate> delegate(
            me, static_cast<platform::URLConnectionDelegate*>(me.get()));
        auto connection = platform::URLConnection::connectionWithRequest(me->originalRequest(), delegate);
        {
            std::lock_guard lock(me->mutex_);
            me->connection_ = connection;
        }
        connection->start();
    });
}

void CRKURLSessionDataTask::cancel() {
    queue()->async([me = self()] {
        if (me->completed_) return;
        if (auto connection = me->connection()) {
            connection->cancel();  // the connection reports the cancellation, which completes the task
            return;
        }
        me->setError(
            KitError::fromError(platform::URLError::make(platform::URLError::Cancelled, "cancelled")));
        me->complete();
    });
}

void CRKURLSessionDataTask::cancelConnection() {
    if (auto connection = this->connection()) connection->cancel();
}

CRKURLSessionDataTask::CompletionHandler CRKURLSessionDataTask::completionHandler() const {
    std::lock_guard lock(mutex_);
    return completionHandler_;
}

void CRKURLSessionDataTask::setCompletionHandler(CompletionHandler handler) {
    std::lock_guard lock(mutex_);
    completionHandler_ = std::move(handler);
}

std::optional<platform::Data> CRKURLSessionDataTask::data() const {
    std::lock_guard lock(mutex_);
    return data_;
}

std::shared_ptr<platform::URLConnection> CRKURLSessionDataTask::connection() const {
    std::lock_guard lock(mutex_);
    return connection_;
}

std::string CRKURLSessionDataTask::taskDescription() const {
    std::lock_guard lock(mutex_);
    return taskDescription_;
}

void CRKURLSessionDataTask::setTaskDescription(std::string description) {
    std::lock_guard lock(mutex_);
    taskDescription_ = std::move(description);
}

platform::AuthChallengeDisposition CRKURLSessionDataTask::connection_didReceiveServerTrust(
    platform::URLConnection&, const platform::ServerTrust& trust) {
    auto session = delegate();
    if (!session) return platform::AuthChallengeDisposition::PerformDefaultHandling;
    const auto disposition = session->task_didReceiveServerTrust(self(), trust);
    if (disposition == platform::AuthChallengeDisposition::CancelChallenge) serverTrustRefused_.store(true);
    return disposition;
}

void CRKURLSessionDataTask::connection_didReceiveResponse(platform::URLConnection&,
                                                          const platform::HTTPURLResponse& response) {
    queue()->async([me = self(), response] {
        if (auto session = me->delegate()) session->task_didReceiveResponse(me, response);
        me->setResponse(response);
    });
}

void CRKURLSessionDataTask::connection_didReceiveData(platform::URLConnection&, const platform::Data& data) {
    queue()->async([me = self(), data] { me->didReceiveDataOnQueue(data); });
}

void CRKURLSessionDataTask::connectionDidFinishLoading(platform::URLConnection&) {
    queue()->async([me = self()] { me->complete(); });
}

void CRKURLSessionDataTask::connection_didFailWithError(platform::URLConnection&,
                                                        const platform::Error& error) {
    queue()->async([me = self(), error] {
        if (me->completed_) return;  // ended already (a failed download stream): keep that error
        me->setError(KitError::fromError(error));
        me->complete();
    });
}

void CRKURLSessionDataTask::didReceiveDataOnQueue(const platform::Data& chunk) {
    {
        std::lock_guard lock(mutex_);
        if (!data_) data_ = platform::Data();
        data_->append(chunk);
    }
    if (auto session = delegate()) session->task_didReceiveData(self(), chunk);
}

bool CRKURLSessionDataTask::markCompleted() {
    if (completed_) return false;
    completed_ = true;
    return true;
}

void CRKURLSessionDataTask::complete() {
    if (!markCompleted()) return;
    auto me = self();
    auto session = delegate();
    const KitErrorPtr error = this->error();
    CompletionHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = std::move(completionHandler_);  // called once; what it holds is released after
        completionHandler_ = nullptr;
    }
    if (handler) {
        auto deliver = [handler, data = data(), response = response(), error] {
            handler(data, response, error);
        };
        if (session) {
            session->performOnDelegateQueue(std::move(deliver));
        } else {
            deliver();
        }
    }
    if (session) session->task_didCompleteWithError(me, error);
}

}  // namespace reporting
