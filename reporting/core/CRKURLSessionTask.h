#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/DispatchQueue.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/KitError.h"

namespace reporting {

class CRKURLSession;

// The base of the kit session's tasks: the request, the answer's response and error, and a serial queue
// of its own on which every event of the task is handled in arrival order. Tasks carry no identifier:
// callers that need to find one again keep their own text in a data task's taskDescription.
class CRKURLSessionTask : public std::enable_shared_from_this<CRKURLSessionTask> {
public:
    static std::shared_ptr<CRKURLSessionTask> task();

    CRKURLSessionTask();
    virtual ~CRKURLSessionTask();
    CRKURLSessionTask(const CRKURLSessionTask&) = delete;
    CRKURLSessionTask& operator=(const CRKURLSessionTask&) = delete;

    virtual void start() {}
    virtual void cancel() {}
    virtual void resume() {}
    virtual void cleanup() {}

    const std::shared_ptr<platform::DispatchQueue>& queue() const { return queue_; }
    bool invokesDelegate() const;
    void setInvokesDelegate(bool invokes);
    platform::URLRequest originalRequest() const;
    void setOriginalRequest(platform::URLRequest request);
    std::optional<platform::URLRequest> currentRequest() const;
    void setCurrentRequest(std::optional<platform::URLRequest> request);
    std::optional<platform::HTTPURLResponse> response() const;
    void setResponse(std::optional<platform::HTTPURLResponse> response);
    KitErrorPtr error() const;
    void setError(KitErrorPtr error);
    // The session, not owned: the session's holder keeps it alive while its tasks run.
    std::shared_ptr<CRKURLSession> delegate() const;
    void setDelegate(const std::shared_ptr<CRKURLSession>& session);

protected:
    mutable std::mutex mutex_;

private:
    const std::shared_ptr<platform::DispatchQueue> queue_;
    bool invokesDelegate_ = true;
    platform::URLRequest originalRequest_;
    std::optional<platform::URLRequest> currentRequest_;
    std::optional<platform::HTTPURLResponse> response_;
    KitErrorPtr error_;
    std::weak_ptr<CRKURLSession> delegate_;
};

}  // namespace reporting
