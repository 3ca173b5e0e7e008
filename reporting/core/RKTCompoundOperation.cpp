#include "reporting/core/RKTCompoundOperation.h"

#include "platform/base/Strings.h"
#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

std::string RKTCompoundOperation::errorDomain() {
    return std::string(RKTMakerReverseDomainPrefix) + ".RKTCompoundOperation.error";
}

std::string RKTCompoundOperation::underlyingErrorsKey() {
    return std::string(RKTMakerReverseDomainPrefix) +
           ".RKTCompoundOperation.error.user-info-key.underlying-errors";
}

RKTCompoundOperation::RKTCompoundOperation()
    : compoundQueue_(OperationQueue::create()),
      countingQueue_(platform::DispatchQueue::createSerial(
          std::string(RKTMakerReverseDomainPrefix) + ".RKTCompoundOperation.dispatch-queue.counting-queue")) {
}

std::shared_ptr<RKTCompoundOperation> RKTCompoundOperation::sharedSelf() {
    return std::static_pointer_cast<RKTCompoundOperation>(shared_from_this());
}

std::vector<std::shared_ptr<RKTAsyncOperation>> RKTCompoundOperation::operations() const {
    std::lock_guard guard(mutex_);
    return operations_;
}

void RKTCompoundOperation::setOperations(std::vector<std::shared_ptr<RKTAsyncOperation>> operations) {
    std::lock_guard guard(mutex_);
    operations_ = std::move(operations);
}

uint64_t RKTCompoundOperation::completedOperations() const {
    uint64_t count = 0;
    countingQueue_->sync([&] { count = completedOperations_; });
    return count;
}

std::vector<KitErrorPtr> RKTCompoundOperation::errors() const {
    std::vector<KitErrorPtr> copy;
    countingQueue_->sync([&] { copy = errors_; });
    return copy;
}

void RKTCompoundOperation::main() {
    mainRan_.store(true);
    const auto children = operations();
    if (children.empty()) {
        // No child will ever report, so nothing would end the compound: it is done at once.
        finishWithError(nullptr);
        return;
    }
    for (const auto& child : children) {
        injectCompoundAsyncCompletionInOperation(child);
        injectCompoundSyncCompletionInOperation(child);
        compoundQueue_->addOperation(child);
    }
}

void RKTCompoundOperation::cancel() {
    if (compoundQueue_->operationCount() > 0) {
        compoundQueue_->cancelAllOperations();
        countingQueue_->sync([this] { attemptCompoundCompletion(); });
    } else if (!mainRan_.load()) {
        // Not run yet: each child passes through its own start, sees its cancellation and finishes.
        const auto children = operations();
        for (const auto& child : children) child->cancel();
        for (const auto& child : children) compoundQueue_->addOperation(child);
    }
    // Otherwise every child has run and left the queue; finished operations are not queued again.
    RKTAsyncOperation::cancel();
}

void RKTCompoundOperation::injectCompoundAsyncCompletionInOperation(
    const std::shared_ptr<RKTAsyncOperation>& operation) {
    if (!operation) return;
    AsyncCompletion previous = operation->asyncCompletion();
    std::weak_ptr<RKTCompoundOperation> weakSelf = sharedSelf();
    operation->setAsyncCompletion([weakSelf, previous](const KitErrorPtr& error) {
        auto self = weakSelf.lock();
        if (!self) {
            // The compound is gone: its child's own hook still runs; there is nothing left to count.
            if (previous) previous(error);
            return;
        }
        if (previous) self->countingQueue_->sync([&] { previous(error); });
        self->updateCompletionCountsWithError(error);
    });
}

void RKTCompoundOperation::injectCompoundSyncCompletionInOperation(
    const std::shared_ptr<RKTAsyncOperation>& operation) {
    if (!operation) return;
    std::function<void()> previous = operation->completionBlock();
    std::weak_ptr<RKTCompoundOperation> weakSelf = sharedSelf();
    operation->setCompletionBlock([weakSelf, previous] {
        auto self = weakSelf.lock();
        if (!self) {
            if (previous) previous();
            return;
        }
        if (previous) self->countingQueue_->sync(previous);
        self->countingQueue_->sync([&] { self->attemptCompoundCompletion(); });
    });
}

void RKTCompoundOperation::updateCompletionCountsWithError(const KitErrorPtr& error) {
    countingQueue_->sync([&] {
        if (error) {
            errors_.push_back(error);
        } else {
            ++completedOperations_;
        }
    });
}

void RKTCompoundOperation::attemptCompoundCompletion() {
    // Children's completion blocks run after the children have finished, so a block of an earlier child
    // can arrive after the last child was counted: the compound reports only on the first attempt that
    // finds it complete.
    if (reported_) return;
    if (isCancelled()) {
        reported_ = true;
        platform::Value::Dictionary userInfo{
            {KitError::NSLocalizedDescriptionKey, platform::format("%s cancelled", name().c_str())}};
        finishWithError(
            KitError::errorWithDomain_code_userInfo(errorDomain(), kCancelledErrorCode, userInfo));
        setAsyncCompletion(nullptr);  // the owner hears of the cancellation once
        return;
    }
    if (completedOperations_ + errors_.size() != operations().size()) return;
    reported_ = true;
    if (errors_.empty()) {
        finishWithError(nullptr);
        return;
    }
    platform::Value::Array underlying;
    for (const auto& error : errors_) underlying.emplace_back(error);
    finishWithError(KitError::errorWithDomain_code_userInfo(
        errorDomain(), kFailedChildrenErrorCode, {{underlyingErrorsKey(), std::move(underlying)}}));
}

}  // namespace reporting
