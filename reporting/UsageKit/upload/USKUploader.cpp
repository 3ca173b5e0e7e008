#include "reporting/UsageKit/upload/USKUploader.h"

#include <unistd.h>

#include "platform/base/Quit.h"
#include "platform/base/ThermalState.h"
#include "platform/net/URLError.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/upload/USKApplication.h"
#include "reporting/core/CRKURLSessionUploadTask.h"
#include "reporting/core/RKTIdentifiers.h"
#include "reporting/core/RKTNetworkResponseHandler.h"

namespace reporting {

// The session holds its delegate strongly; this forwarder lets the uploader go when its owner does.
class USKUploader::SessionDelegate : public CRKURLSessionDelegate {
public:
    explicit SessionDelegate(std::weak_ptr<USKUploader> uploader) : uploader_(std::move(uploader)) {}
    void URLSession_task_didCompleteWithError(CRKURLSession& session,
                                              const std::shared_ptr<CRKURLSessionTask>& task,
                                              const KitErrorPtr& error) override {
        if (auto uploader = uploader_.lock())
            uploader->URLSession_task_didCompleteWithError(session, task, error);
    }
    void URLSession_didReceiveChallenge_completionHandler(
        CRKURLSession& session, const platform::ServerTrust& trust,
        const ChallengeCompletionHandler& completionHandler) override {
        if (auto uploader = uploader_.lock()) {
            uploader->URLSession_didReceiveChallenge_completionHandler(session, trust, completionHandler);
        } else {
            completionHandler(platform::AuthChallengeDisposition::CancelChallenge);
        }
    }

private:
    std::weak_ptr<USKUploader> uploader_;
};

std::shared_ptr<USKUploader> USKUploader::uploaderWithQueue_delegate(
    std::shared_ptr<OperationQueue> queue, std::weak_ptr<USKUploaderDelegate> delegate) {
    auto uploader = std::make_shared<USKUploader>(std::move(queue), std::move(delegate));
    if (supportsThermalNotifications()) {
        std::weak_ptr<USKUploader> weak = uploader;
        uploader->thermalObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
            platform::ThermalState::kThermalStateDidChangeNotification, nullptr,
            [weak](const platform::Notification&) {
                if (auto self = weak.lock()) self->powerStageChanged();
            });
    }
    return uploader;
}

USKUploader::USKUploader(std::shared_ptr<OperationQueue> queue, std::weak_ptr<USKUploaderDelegate> delegate)
    : operationQueue_(std::move(queue)), delegate_(std::move(delegate)) {}

USKUploader::~USKUploader() {
    thermalObservation_.remove();
    std::lock_guard lock(mutex_);
    if (session_) session_->finishTasksAndInvalidate();
    for (auto& [key, entry] : sessionTasks_) entry.first->finishTasksAndInvalidate();
}

void USKUploader::startUploadRequest_filePath_uniqueName(const platform::URLRequest& request,
                                                         const std::string& filePath,
                                                         const std::string& uniqueName) {
    std::weak_ptr<USKUploader> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak, request, filePath, uniqueName] {
        auto self = weak.lock();
        if (!self) return;
        {
            std::lock_guard lock(self->mutex_);
            if (self->inFlight_.count(uniqueName)) {
                USKLogger::sharedLogger().logWithLabel_format(
                    "USKUploader", "A task currently exists for '%s', skipping", uniqueName.c_str());
                return;
            }
        }
        self->startNewUploadRequest_filePath_uniqueName(request, filePath, uniqueName);
    });
}

void USKUploader::startNewUploadRequest_filePath_uniqueName(const platform::URLRequest& request,
                                                            const std::string& filePath,
                                                            const std::string& uniqueName) {
    if (request.URL().empty() || filePath.empty() || uniqueName.empty()) {
        finishWithError(uniqueName,
                        errorWithCode_userInfo(kErrorBadArguments,
                                               errorUserInfoWithFilePath_uniqueName(filePath, uniqueName)));
        return;
    }
    if (platform::Quit::hasBegun()) {
        // The quit would only cut it short, and the cut is no answer of the server's: the file stays.
        USKLogger::sharedLogger().logWithLabel_format(
            "USKUploader", "The quit has begun: '%s' is not sent; its file waits for a later launch",
            uniqueName.c_str());
        std::lock_guard lock(mutex_);
        inFlight_.erase(uniqueName);
        return;
    }
    if (::access(filePath.c_str(), R_OK) != 0) {
        finishWithError(uniqueName,
                        errorWithCode_userInfo(kErrorUnreadableFile,
                                               errorUserInfoWithFilePath_uniqueName(filePath, uniqueName)));
        return;
    }
    auto session = this->session();
    auto task = session->uploadTaskWithRequest_fromFile(request, filePath);
    if (!task) {  // a session closed under us: one fresh session, else the file waits for a later upload
        dropSession();
        session = this->session();
        task = session->uploadTaskWithRequest_fromFile(request, filePath);
    }
    if (!task) {
        USKLogger::sharedLogger().logWithLabel_format("USKUploader", "No upload task for '%s'",
                                                      uniqueName.c_str());
        std::lock_guard lock(mutex_);
        inFlight_.erase(uniqueName);  // held through a back-off, it is let go: a later upload may try
        return;
    }
    {
        std::lock_guard lock(mutex_);
        inFlight_.insert(uniqueName);
        auto& entry = sessionTasks_[session.get()];
        entry.first = session;
        ++entry.second;
    }
    task->setTaskDescription(uniqueName);
    task->resume();
}

void USKUploader::finishWithError(const std::string& uniqueName, const KitErrorPtr& error) {
    std::weak_ptr<USKUploader> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak, uniqueName, error] {
        if (auto self = weak.lock()) self->handleTaskDescription_completedWithError(uniqueName, error);
    });
}

void USKUploader::handleTaskDescription_completedWithError(const std::string& uniqueName,
                                                           const KitErrorPtr& error) {
    {
        std::lock_guard lock(mutex_);
        inFlight_.erase(uniqueName);
    }
    if (auto delegate = this->delegate())
        delegate->uploader_didFinishUploadWithUniqueName_error(*this, uniqueName, error);
}

std::shared_ptr<CRKURLSession> USKUploader::session() {
    std::lock_guard lock(mutex_);
    if (session_) return session_;
    auto configuration = supportsBackgroundRequests() ? createBackgroundSessionConfiguration() : nullptr;
    if (!configuration) configuration = CRKURLSessionConfiguration::defaultSessionConfiguration();
    const bool lowPower = lowPowerMode();
    configuration->setAllowsCellularAccess(!lowPower);
    sessionResourceTimeout_ = lowPower ? lowPowerUploadTimeout_ : defaultUploadTimeout_;
    configuration->setTimeoutIntervalForResource(sessionResourceTimeout_);
    session_ = CRKURLSession::sessionWithConfiguration_delegate_delegateQueue(
        configuration, std::make_shared<SessionDelegate>(weak_from_this()), operationQueue_);
    return session_;
}

std::shared_ptr<CRKURLSessionConfiguration> USKUploader::createBackgroundSessionConfiguration() {
    return CRKURLSessionConfiguration::backgroundSessionConfigurationWithIdentifier(
        std::string(RKTUsageKitReverseDomainPrefix) + ".background-session");
}

bool USKUploader::supportsBackgroundRequests() const {
    return !USKApplication::hostApplication()->isExtension() && shouldUseBackgroundRequests();
}

bool USKUploader::supportsThermalNotifications() {
    return platform::ThermalState::isSupported();
}

bool USKUploader::lowPowerMode() {
    return supportsThermalNotifications() &&
           platform::ThermalState::current() != platform::ThermalState::Nominal;
}

void USKUploader::dropSession() {
    std::lock_guard lock(mutex_);
    if (!session_) return;
    auto it = sessionTasks_.find(session_.get());
    if (it == sessionTasks_.end() || it->second.second == 0) {
        if (it != sessionTasks_.end()) sessionTasks_.erase(it);
        session_->finishTasksAndInvalidate();
    }
    session_.reset();
}

void USKUploader::powerStageChanged() {
    std::weak_ptr<USKUploader> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak] {
        if (auto self = weak.lock()) self->dropSession();
    });
}

void USKUploader::setDefaultUploadTimeout(double seconds) {
    std::weak_ptr<USKUploader> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak, seconds] {
        auto self = weak.lock();
        if (!self) return;
        {
            std::lock_guard lock(self->mutex_);
            self->defaultUploadTimeout_ = seconds;
        }
        self->dropSession();
    });
}

void USKUploader::setLowPowerUploadTimeout(double seconds) {
    std::weak_ptr<USKUploader> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak, seconds] {
        auto self = weak.lock();
        if (!self) return;
        {
            std::lock_guard lock(self->mutex_);
            self->lowPowerUploadTimeout_ = seconds;
        }
        self->dropSession();
    });
}

double USKUploader::defaultUploadTimeout() const {
    std::lock_guard lock(mutex_);
    return defaultUploadTimeout_;
}

double USKUploader::lowPowerUploadTimeout() const {
    std::lock_guard lock(mutex_);
    return lowPowerUploadTimeout_;
}

double USKUploader::currentSessionResourceTimeout() const {
    std::lock_guard lock(mutex_);
    return sessionResourceTimeout_;
}

std::set<std::string> USKUploader::namesInFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_;
}

void USKUploader::attemptToReconnectBackgroundSessionWithCompletionBlock(std::function<void()> block) {
    operationQueue_->addOperationWithBlock([block = std::move(block)] {
        if (block) block();  // no background sessions here: at once
    });
}

void USKUploader::restartTask(const std::string& uniqueName, const platform::URLRequest& request) {
    std::weak_ptr<USKUploader> weak = weak_from_this();
    operationQueue_->addOperationWithBlock([weak, uniqueName, request] {
        auto self = weak.lock();
        if (!self) return;
        auto delegate = self->delegate();
        const std::string path = delegate ? delegate->uploader_filePathForUniqueName(*self, uniqueName) : "";
        // The name is still ours (held through the back-off), so the in-flight check is passed by.
        self->startNewUploadRequest_filePath_uniqueName(request, path, uniqueName);
    });
}

KitErrorPtr USKUploader::errorWithCode_userInfo(int64_t code, platform::Value::Dictionary userInfo) {
    return KitError::errorWithDomain_code_userInfo(RKTNetworkResponseHandler::kErrorDomain, code,
                                                   std::move(userInfo));
}

platform::Value::Dictionary USKUploader::errorUserInfoWithFilePath_uniqueName(const std::string& filePath,
                                                                              const std::string& uniqueName) {
    return {{"NSFilePath", filePath.empty() ? "(null)" : filePath},
            {"USKUploaderUniqueName", uniqueName.empty() ? "(null)" : uniqueName}};
}

void USKUploader::URLSession_didBecomeInvalidWithError(CRKURLSession&, const KitErrorPtr& error) {
    USKLogger::sharedLogger().logWithLabel_format("USKUploader", "Error: session has become invalid %s",
                                                  error ? error->localizedDescription().c_str() : "(null)");
}

void USKUploader::URLSession_didReceiveChallenge_completionHandler(
    CRKURLSession& session, const platform::ServerTrust& trust,
    const CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) {
    if (auto delegate = this->delegate()) {
        delegate->uploader_session_didReceiveChallenge_completionHandler(*this, session, trust,
                                                                         completionHandler);
    } else {
        completionHandler(platform::AuthChallengeDisposition::PerformDefaultHandling);
    }
}

void USKUploader::URLSession_task_didCompleteWithError(CRKURLSession& session,
                                                       const std::shared_ptr<CRKURLSessionTask>& task,
                                                       const KitErrorPtr& error) {
    auto dataTask = std::dynamic_pointer_cast<CRKURLSessionDataTask>(task);
    const std::string name = dataTask ? dataTask->taskDescription() : "";
    const platform::URLRequest request = task->originalRequest();
    const auto response = task->response();
    {
        std::lock_guard lock(mutex_);
        auto it = sessionTasks_.find(&session);
        if (it != sessionTasks_.end() && --it->second.second <= 0 && it->second.first != session_) {
            it->second.first->finishTasksAndInvalidate();
            sessionTasks_.erase(it);
        }
    }
    USKFaultPoint("upload.answer", name + " " + std::to_string(response ? response->statusCode() : 0));
    // Ended by the quit, or by a cancel on this side rather than the server's answer (a refused
    // certificate is the server's): neither retried nor reported to the owner, which would remove the
    // file, so its events wait for a later launch, as they would had the process ended with the upload.
    const bool cancelledHere = error && error->domain() == platform::URLError::kDomain &&
                               error->code() == platform::URLError::Cancelled &&
                               !(dataTask && dataTask->serverTrustRefused());
    if (error && (platform::Quit::hasBegun() || cancelledHere)) {
        USKLogger::sharedLogger().logWithLabel_format(
            "USKUploader", "The %s ended the upload of '%s'; its file waits for a later launch",
            platform::Quit::hasBegun() ? "quit" : "cancel", name.c_str());
        std::lock_guard lock(mutex_);
        inFlight_.erase(name);
        return;
    }
    auto delegate = this->delegate();
    if (!delegate) {
        handleTaskDescription_completedWithError(name, error);
        return;
    }
    std::weak_ptr<USKUploader> weak = weak_from_this();
    delegate->uploader_completedRequest_withResponse_uniqueName_error_completionHandler(
        *this, request, response, name, error,
        [weak, name, request](bool retry, const KitErrorPtr& finalError) {
            auto self = weak.lock();
            if (!self) return;
            if (retry) {
                USKLogger::sharedLogger().log("Retrying task with name %s", name.c_str());
                self->restartTask(name, request);
            } else {
                self->finishWithError(name, finalError);
            }
        });
}

}  // namespace reporting
