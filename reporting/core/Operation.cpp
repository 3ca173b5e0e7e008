#include "reporting/core/Operation.h"

#include <algorithm>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "reporting/core/OperationQueue.h"

namespace reporting {

Operation::Operation() = default;
Operation::~Operation() = default;

void Operation::start() {
    if (started_.exchange(true) || isFinished()) {
        platform::logf("Operation %s: start called again; an operation runs once", name().c_str());
        return;
    }
    if (isCancelled()) {
        willChangeValueForKey("isFinished");
        finishingInline_.store(true);
        finished_.store(true);
        didChangeValueForKey("isFinished");
        handleFinished();
        return;
    }
    willChangeValueForKey("isExecuting");
    executing_.store(true);
    didChangeValueForKey("isExecuting");
    main();
    willChangeValueForKey("isExecuting");
    willChangeValueForKey("isFinished");
    executing_.store(false);
    finishingInline_.store(true);
    finished_.store(true);
    didChangeValueForKey("isExecuting");
    didChangeValueForKey("isFinished");
    // Nothing is held here: the finish is handled at once, so that a serial queue moves straight on to
    // its next operation on this thread and the completion block has run before it (the notice's own
    // handling then finds it done).
    handleFinished();
}

void Operation::cancel() {
    if (cancelled_.exchange(true)) return;
    std::shared_ptr<OperationQueue> queue;
    {
        std::lock_guard lock(mutex_);
        queue = queue_.lock();
    }
    if (queue) queue->schedule();  // a cancelled operation is ready: let it pass through its start
}

bool Operation::isReady() const {
    if (isCancelled()) return true;
    // Asked for every waiting operation each time a queue looks for work: no copy of the list.
    std::lock_guard lock(mutex_);
    for (const auto& dependency : dependencies_)
        if (!dependency->isFinished()) return false;
    return true;
}

bool Operation::dependsOn(const Operation* operation) const {
    for (const auto& dependency : dependencies())
        if (dependency.get() == operation || dependency->dependsOn(operation)) return true;
    return false;
}

bool Operation::addDependency(const std::shared_ptr<Operation>& operation) {
    if (!operation) return false;
    if (operation.get() == this || operation->dependsOn(this)) {
        platform::logf("Operation %s: dependency refused: it would wait for itself", name().c_str());
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (std::find(dependencies_.begin(), dependencies_.end(), operation) != dependencies_.end())
            return true;
        dependencies_.push_back(operation);
    }
    bool alreadyFinished;
    {
        std::lock_guard lock(operation->mutex_);
        alreadyFinished = operation->finishHandled_;
        if (!alreadyFinished) operation->dependents_.push_back(weak_from_this());
    }
    // A dependency added after this operation joined its queue may have finished meanwhile: its
    // finish notice has gone out already, so the queue must look again or this one would wait forever.
    if (alreadyFinished) {
        std::shared_ptr<OperationQueue> queue;
        {
            std::lock_guard lock(mutex_);
            queue = queue_.lock();
        }
        if (queue) queue->schedule();
    }
    return true;
}

void Operation::removeDependency(const std::shared_ptr<Operation>& operation) {
    std::shared_ptr<OperationQueue> queue;
    {
        std::lock_guard lock(mutex_);
        std::erase(dependencies_, operation);
        queue = queue_.lock();
    }
    if (queue) queue->schedule();
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const {
    std::lock_guard lock(mutex_);
    return dependencies_;
}

std::function<void()> Operation::completionBlock() const {
    std::lock_guard lock(mutex_);
    return completionBlock_;
}

void Operation::setCompletionBlock(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    completionBlock_ = std::move(block);
}

std::string Operation::name() const {
    std::lock_guard lock(mutex_);
    return name_;
}

void Operation::setName(std::string name) {
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
}

void Operation::waitUntilFinished() {
    std::unique_lock lock(mutex_);
    finishedSignal_.wait(lock, [&] { return finishHandled_; });
}

void Operation::willChangeValueForKey(const std::string&) {}

void Operation::didChangeValueForKey(const std::string& key) {
    if (key != "isFinished" || !isFinished()) return;
    if (finishingInline_.load()) return;  // the base start() handles it right after
    if (auto self = weak_from_this().lock()) {
        platform::DispatchQueue::global().async([self] { self->handleFinished(); });
    } else {
        handleFinished();  // not shared: nobody else can be waiting on it
    }
}

void Operation::handleFinished() {
    std::vector<std::weak_ptr<Operation>> dependents;
    std::shared_ptr<OperationQueue> queue;
    std::function<void()> completion;
    {
        std::lock_guard lock(mutex_);
        if (finishHandled_) return;
        finishHandled_ = true;
        dependents.swap(dependents_);
        queue = queue_.lock();
        completion = std::move(completionBlock_);  // runs once; what it holds is released after
        completionBlock_ = nullptr;
    }
    finishedSignal_.notify_all();
    for (const auto& weak : dependents) {
        auto dependent = weak.lock();
        if (!dependent) continue;
        std::shared_ptr<OperationQueue> theirs;
        {
            std::lock_guard lock(dependent->mutex_);
            theirs = dependent->queue_.lock();
        }
        if (theirs) theirs->schedule();
    }
    if (queue) queue->operationDidFinish(this);
    if (completion) completion();
}

bool Operation::attachToQueue(const std::shared_ptr<OperationQueue>& queue) {
    std::lock_guard lock(mutex_);
    if (queued_) return false;
    queued_ = true;
    queue_ = queue;
    return true;
}

}  // namespace reporting
