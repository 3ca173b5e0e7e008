#pragma once

#include <memory>
#include <optional>

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ServerTrust.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/KitError.h"

namespace reporting {

class CRKURLSessionTask;

// What a task tells its session about its life.
class CRKURLSessionTaskDelegate {
public:
    virtual ~CRKURLSessionTaskDelegate() = default;
    // Answers the request to follow instead, or none to stop at the redirect.
    virtual std::optional<platform::URLRequest> task_willPerformHTTPRedirection_newRequest(
        const std::shared_ptr<CRKURLSessionTask>& task, const platform::HTTPURLResponse& response,
        const platform::URLRequest& newRequest) = 0;
    virtual void task_didCompleteWithError(const std::shared_ptr<CRKURLSessionTask>& task,
                                           const KitErrorPtr& error) = 0;
    // The server's certificate chain, met during the TLS handshake; the answer decides whether the task
    // goes on. Called on the transfer's thread, which waits for the answer.
    virtual platform::AuthChallengeDisposition task_didReceiveServerTrust(
        const std::shared_ptr<CRKURLSessionTask>& task, const platform::ServerTrust& trust) = 0;
};

}  // namespace reporting
