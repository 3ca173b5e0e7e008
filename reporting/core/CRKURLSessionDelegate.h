#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/base/Data.h"
#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ServerTrust.h"
#include "platform/net/URLConnectionDelegate.h"
#include "reporting/core/KitError.h"

namespace reporting {

class CRKURLSession;
class CRKURLSessionTask;
class CRKURLSessionDataTask;
class CRKURLSessionDownloadTask;

// What the owner of a kit URL session hears, always through operations on the session's delegate
// queue. Every operation has a default, so an owner implements only what it needs; the default for a
// server's certificate chain is the system's own trust evaluation.
class CRKURLSessionDelegate {
public:
    using ResponseDispositionHandler = std::function<void(int disposition)>;
    using ChallengeCompletionHandler = std::function<void(platform::AuthChallengeDisposition disposition)>;

    virtual ~CRKURLSessionDelegate() = default;

    virtual void URLSession_dataTask_didReceiveResponse_completionHandler(
        CRKURLSession&, const std::shared_ptr<CRKURLSessionDataTask>&, const platform::HTTPURLResponse&,
        const ResponseDispositionHandler&) {}
    virtual void URLSession_dataTask_didReceiveData(CRKURLSession&,
                                                    const std::shared_ptr<CRKURLSessionDataTask>&,
                                                    const platform::Data&) {}
    // The file at `location` is removed once this returns.
    virtual void URLSession_downloadTask_didFinishDownloadingToURL(
        CRKURLSession&, const std::shared_ptr<CRKURLSessionDownloadTask>&, const std::string& /*location*/) {}
    virtual void URLSession_task_didCompleteWithError(CRKURLSession&,
                                                      const std::shared_ptr<CRKURLSessionTask>&,
                                                      const KitErrorPtr&) {}
    // The handler must be called once; until then the handshake waits (at most the request's time-out,
    // after which the connection is refused).
    virtual void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession&, const platform::ServerTrust&, const ChallengeCompletionHandler& completionHandler) {
        completionHandler(platform::AuthChallengeDisposition::PerformDefaultHandling);
    }
};

}  // namespace reporting
