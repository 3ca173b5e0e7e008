#include "reporting/core/RKTAsyncOperation.h"

#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

RKTAsyncOperation::RKTAsyncOperation() = default;

std::string RKTAsyncOperation::lockName() const {
    return std::string(RKTMakerReverseDomainPrefix) + "." + className() + "-lock";
}

bool RKTAsyncOperation::isExecuting() const {
    std::lock_guard guard(lock_);
    return internalExecuting_;
}

bool RKTAsyncOperation::isFinished() const {
    std::lock_guard guard(lock_);
    return internalFinished_;
}

void RKTAsyncOperation::start() {
    if (isExecuting() || isFinished()) return;  // an operation runs once
    if (checkForCancellation()) return;
    markStarted();
    main();
}

void RKTAsyncOperation::changeValueForKey_inBlock(const std::string& key,
                                                  const std::function<void()>& block) {
    willChangeValueForKey(key);
    if (block) block();
    didChangeValueForKey(key);
}

void RKTAsyncOperation::lock(const std::function<void()>& block) {
    std::lock_guard guard(lock_);
    if (block) block();
}

bool RKTAsyncOperation::checkForCancellation() {
    if (!isCancelled()) return false;
    markDone();
    return true;
}

void RKTAsyncOperation::unlockedMarkFinished() {
    changeValueForKey_inBlock("isFinished", [this] { internalFinished_ = true; });
}

void RKTAsyncOperation::unlockedMarkStarted() {
    changeValueForKey_inBlock("isExecuting", [this] { internalExecuting_ = true; });
}

void RKTAsyncOperation::unlockedMarkComplete() {
    changeValueForKey_inBlock("isExecuting", [this] { internalExecuting_ = false; });
}

void RKTAsyncOperation::markStarted() {
    lock([this] { unlockedMarkStarted(); });
}

void RKTAsyncOperation::markDone() {
    lock([this] {
        unlockedMarkComplete();
        unlockedMarkFinished();
    });
}

void RKTAsyncOperation::finishWithError(const KitErrorPtr& error) {
    if (AsyncCompletion completion = asyncCompletion()) completion(error);
    markDone();
}

RKTAsyncOperation::AsyncCompletion RKTAsyncOperation::asyncCompletion() const {
    std::lock_guard guard(lock_);
    return asyncCompletion_;
}

void RKTAsyncOperation::setAsyncCompletion(AsyncCompletion completion) {
    std::lock_guard guard(lock_);
    asyncCompletion_ = std::move(completion);
}

}  // namespace reporting
