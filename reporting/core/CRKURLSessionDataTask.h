#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "reporting/core/CRKURLSessionTask.h"

namespace reporting {

// A task that sends its request over one connection and gathers the answer's bytes. With a completion
// handler it reports only to that handler; without one, to the session's delegate.
//
// A cancelled task still completes, with the cancellation error, so that whoever waits on it hears the
// end; a task completes once.
class CRKURLSessionDataTask : public CRKURLSessionTask, public platform::URLConnectionDelegate {
public:
    using CompletionHandler = std::function<void(const std::optional<platform::Data>& data,
                                                 const std::optional<platform::HTTPURLResponse>& response,
                                                 const KitErrorPtr& error)>;

    static std::shared_ptr<CRKURLSessionDataTask> task();

    // Starts the connection (asynchronously, on the task's queue); a second resume does nothing.
    void resume() override;
    void cancel() override;

    CompletionHandler completionHandler() const;
    void setCompletionHandler(CompletionHandler handler);
    // The bytes received so far; none before the first chunk.
    std::optional<platform::Data> data() const;
    std::shared_ptr<platform::URLConnection> connection() const;
    std::string taskDescription() const;
    void setTaskDescription(std::string description);
    // Whether the session's owner refused the server's certificate chain. The transfer then ends as a
    // cancelled one does, though the server's own certificate ended it, not a cancel on this side.
    bool serverTrustRefused() const { return serverTrustRefused_.load(); }

    // Events of the connection, handed on to the task's queue.
    platform::AuthChallengeDisposition connection_didReceiveServerTrust(
        platform::URLConnection&, const platform::ServerTrust&) override;
    void connection_didReceiveResponse(platform::URLConnection&, const platform::HTTPURLResponse&) override;
    void connection_didReceiveData(platform::URLConnection&, const platform::Data&) override;
    void connectionDidFinishLoading(platform::URLConnection&) override;
    void connection_didFailWithError(platform::URLConnection&, const platform::Error&) override;

protected:
    // On the task's queue.
    virtual void didReceiveDataOnQueue(const platform::Data& chunk);
    virtual void complete();
    // True the first time only: a task completes once.
    bool markCompleted();
    void cancelConnection();

private:
    std::shared_ptr<CRKURLSessionDataTask> self();

    CompletionHandler completionHandler_;
    std::optional<platform::Data> data_;
    std::shared_ptr<platform::URLConnection> connection_;
    std::string taskDescription_;
    bool completed_ = false;  // task queue only
    std::atomic<bool> serverTrustRefused_{false};
};

}  // namespace reporting
