#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/net/HTTPURLResponse.h"
#include "platform/net/ServerTrust.h"
#include "platform/net/URLRequest.h"
#include "reporting/core/CRKURLSessionDelegate.h"
#include "reporting/core/KitError.h"

namespace reporting {

class USKUploader;
class CRKURLSession;

// What the uploader asks of its owner (the event-log controller).
class USKUploaderDelegate {
public:
    using RetryHandler = std::function<void(bool retry, const KitErrorPtr& error)>;
    virtual ~USKUploaderDelegate() = default;
    virtual std::string uploader_filePathForUniqueName(USKUploader& uploader,
                                                       const std::string& uniqueName) = 0;
    virtual void uploader_didFinishUploadWithUniqueName_error(USKUploader& uploader,
                                                              const std::string& uniqueName,
                                                              const KitErrorPtr& error) = 0;
    virtual void uploader_completedRequest_withResponse_uniqueName_error_completionHandler(
        USKUploader& uploader, const platform::URLRequest& request,
        const std::optional<platform::HTTPURLResponse>& response, const std::string& uniqueName,
        const KitErrorPtr& error, RetryHandler completionHandler) = 0;
    // Optional: without it, default handling.
    virtual void uploader_session_didReceiveChallenge_completionHandler(
        USKUploader&, CRKURLSession&, const platform::ServerTrust&,
        const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
        completionHandler(platform::AuthChallengeDisposition::PerformDefaultHandling);
    }
};

}  // namespace reporting
