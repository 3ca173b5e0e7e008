#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/core/RKTAsyncOperation.h"

namespace reporting {

// Runs a list of child operations on a queue of its own and finishes once every child has reported,
// with one error that gathers the children's errors (or the cancelled error).
class RKTCompoundOperation : public RKTAsyncOperation {
public:
    static constexpr int64_t kCancelledErrorCode = 4294967294LL;       // 2^32 - 2
    static constexpr int64_t kFailedChildrenErrorCode = 4294967293LL;  // 2^32 - 3
    static std::string errorDomain();
    static std::string underlyingErrorsKey();

    RKTCompoundOperation();
    std::string className() const override { return "RKTCompoundOperation"; }

    void main() override;
    // Must not be called from the counting queue (it waits on it).
    void cancel() override;

    void injectCompoundAsyncCompletionInOperation(const std::shared_ptr<RKTAsyncOperation>& operation);
    void injectCompoundSyncCompletionInOperation(const std::shared_ptr<RKTAsyncOperation>& operation);
    void updateCompletionCountsWithError(const KitErrorPtr& error);
    // Runs on the counting queue.
    void attemptCompoundCompletion();

    std::vector<std::shared_ptr<RKTAsyncOperation>> operations() const;
    void setOperations(std::vector<std::shared_ptr<RKTAsyncOperation>> operations);
    const std::shared_ptr<OperationQueue>& compoundQueue() const { return compoundQueue_; }
    uint64_t completedOperations() const;
    std::vector<KitErrorPtr> errors() const;
    const std::shared_ptr<platform::DispatchQueue>& countingQueue() const { return countingQueue_; }

private:
    std::shared_ptr<RKTCompoundOperation> sharedSelf();

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<RKTAsyncOperation>> operations_;  // guarded by mutex_
    std::atomic<bool> mainRan_{false};
    const std::shared_ptr<OperationQueue> compoundQueue_;
    const std::shared_ptr<platform::DispatchQueue> countingQueue_;
    uint64_t completedOperations_ = 0;  // counting queue only
    std::vector<KitErrorPtr> errors_;   // counting queue only
    bool reported_ = false;             // counting queue only
};

}  // namespace reporting
