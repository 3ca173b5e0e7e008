#include "reporting/core/OperationQueue.h"

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "reporting/core/BlockOperation.h"

namespace reporting {

namespace {
thread_local OperationQueue* tCurrentQueue = nullptr;
// The queue whose worker loop this thread is in: its finished operations are followed by the loop itself.
thread_local OperationQueue* tRunningQueue = nullptr;
}  // namespace

OperationQueue* OperationQueue::currentQueue() {
    return tCurrentQueue;
}

std::shared_ptr<OperationQueue> OperationQueue::create(std::string name) {
    return std::make_shared<OperationQueue>(std::move(name));
}

OperationQueue::OperationQueue(std::string name) : name_(std::move(name)) {}

bool OperationQueue::addOperation(const std::shared_ptr<Operation>& operation) {
    if (!operation) return false;
    if (operation->isFinished() || operation->isExecuting() ||
        !operation->attachToQueue(shared_from_this())) {
        platform::logf("OperationQueue %s: operation %s refused: it has run or is in a queue already",
                       name().c_str(), operation->name().c_str());
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        entries_.push_back(Entry{operation, false});
    }
    schedule();
    return true;
}

void OperationQueue::addOperations_waitUntilFinished(
    const std::vector<std::shared_ptr<Operation>>& operations, bool wait) {
    std::vector<std::shared_ptr<Operation>> added;
    for (const auto& operation : operations)
        if (addOperation(operation)) added.push_back(operation);
    if (wait)
        for (const auto& operation : added) operation->waitUntilFinished();
}

void OperationQueue::addOperationWithBlock(std::function<void()> block) {
    addOperation(BlockOperation::blockOperationWithBlock(std::move(block)));
}

void OperationQueue::cancelAllOperations() {
    for (const auto& operation : operations()) operation->cancel();
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Operation>> result;
    for (const auto& entry : entries_) result.push_back(entry.operation);
    return result;
}

size_t OperationQueue::operationCount() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(mutex_);
    emptied_.wait(lock, [&] { return entries_.empty(); });
}

int OperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(mutex_);
    return maxConcurrent_;
}

void OperationQueue::setMaxConcurrentOperationCount(int count) {
    {
        std::lock_guard lock(mutex_);
        maxConcurrent_ = count == 0 ? 1 : count;  // a queue that may run nothing would hang its callers
    }
    schedule();
}

std::string OperationQueue::name() const {
    std::lock_guard lock(mutex_);
    return name_;
}

void OperationQueue::setName(std::string name) {
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

void OperationQueue::schedule() {
    std::vector<std::shared_ptr<Operation>> toStart;
    {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries_) {
            if (maxConcurrent_ > 0 && running_ >= maxConcurrent_) break;
            if (entry.dispatched || !entry.operation->isReady()) continue;
            entry.dispatched = true;
            ++running_;
            toStart.push_back(entry.operation);
        }
    }
    for (auto& operation : toStart) {
        platform::DispatchQueue::global().async(
            [operation, self = shared_from_this()]() mutable { self->run(std::move(operation)); });
    }
}

std::shared_ptr<Operation> OperationQueue::claimNextReady() {
    std::lock_guard lock(mutex_);
    if (maxConcurrent_ > 0 && running_ >= maxConcurrent_) return nullptr;
    for (auto& entry : entries_) {
        if (entry.dispatched || !entry.operation->isReady()) continue;
        entry.dispatched = true;
        ++running_;
        return entry.operation;
    }
    return nullptr;
}

void OperationQueue::run(std::shared_ptr<Operation> operation) {
    OperationQueue* previousRunning = tRunningQueue;
    while (operation) {
        OperationQueue* previous = tCurrentQueue;
        tCurrentQueue = this;
        tRunningQueue = this;
        operation->start();
        tRunningQueue = previousRunning;
        tCurrentQueue = previous;
        operation = claimNextReady();
        schedule();  // further ready operations, where the limit allows more than this worker
    }
}

void OperationQueue::operationDidFinish(Operation* operation) {
    {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->operation.get() != operation) continue;
            if (it->dispatched) --running_;
            entries_.erase(it);
            break;
        }
        if (entries_.empty()) emptied_.notify_all();
    }
    // Within this queue's worker loop the loop takes the next operation itself.
    if (tRunningQueue != this) schedule();
}

}  // namespace reporting
