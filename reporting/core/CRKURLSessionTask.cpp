#include "reporting/core/CRKURLSessionTask.h"

#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

std::shared_ptr<CRKURLSessionTask> CRKURLSessionTask::task() {
    return std::make_shared<CRKURLSessionTask>();
}

CRKURLSessionTask::CRKURLSessionTask()
    : queue_(platform::DispatchQueue::createSerial(std::string(RKTCrashKitReverseDomainPrefix) +
                                                   ".URLSessionTask")) {}

CRKURLSessionTask::~CRKURLSessionTask() = default;

bool CRKURLSessionTask::invokesDelegate() const {
    std::lock_guard lock(mutex_);
    return invokesDelegate_;
}

void CRKURLSessionTask::setInvokesDelegate(bool invokes) {
    std::lock_guard lock(mutex_);
    invokesDelegate_ = invokes;
}

platform::URLRequest CRKURLSessionTask::originalRequest() const {
    std::lock_guard lock(mutex_);
    return originalRequest_;
}

void CRKURLSessionTask::setOriginalRequest(platform::URLRequest request) {
    std::lock_guard lock(mutex_);
    originalRequest_ = std::move(request);
}

std::optional<platform::URLRequest> CRKURLSessionTask::currentRequest() const {
    std::lock_guard lock(mutex_);
    return currentRequest_;
}

void CRKURLSessionTask::setCurrentRequest(std::optional<platform::URLRequest> request) {
    std::lock_guard lock(mutex_);
    currentRequest_ = std::move(request);
}

std::optional<platform::HTTPURLResponse> CRKURLSessionTask::response() const {
    std::lock_guard lock(mutex_);
    return response_;
}

void CRKURLSessionTask::setResponse(std::optional<platform::HTTPURLResponse> response) {
    std::lock_guard lock(mutex_);
    response_ = std::move(response);
}

KitErrorPtr CRKURLSessionTask::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void CRKURLSessionTask::setError(KitErrorPtr error) {
    std::lock_guard lock(mutex_);
    error_ = std::move(error);
}

std::shared_ptr<CRKURLSession> CRKURLSessionTask::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

void CRKURLSessionTask::setDelegate(const std::shared_ptr<CRKURLSession>& session) {
    std::lock_guard lock(mutex_);
    delegate_ = session;
}

}  // namespace reporting
