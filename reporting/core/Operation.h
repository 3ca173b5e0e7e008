#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace reporting {

class OperationQueue;

// A unit of work for an OperationQueue, in the manner of the platform's operations that the kit was
// written for: it runs once, may wait for other operations (dependencies), can be cancelled, and runs
// an optional completion block after it has finished.
//
// A plain subclass overrides main(); start() runs it and the operation is finished when main returns.
// An asynchronous subclass overrides start() and the state queries, and reports each change of its
// executing or finished state through willChangeValueForKey / didChangeValueForKey with the keys
// "isExecuting" and "isFinished", which is how the queue learns that it may move on.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    Operation();
    virtual ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    virtual void start();
    virtual void main() {}
    virtual void cancel();

    bool isCancelled() const { return cancelled_.load(); }
    virtual bool isExecuting() const { return executing_.load(); }
    virtual bool isFinished() const { return finished_.load(); }
    virtual bool isConcurrent() const { return false; }
    virtual bool isAsynchronous() const { return false; }
    // Every dependency has finished (a cancelled operation is ready at once, so that it can leave its
    // queue without waiting for work it will not do).
    bool isReady() const;

    // Dependencies are held strongly until this operation is released. An operation that depends on
    // itself, directly or through others, would never run: such a dependency is refused (logged).
    bool addDependency(const std::shared_ptr<Operation>& operation);
    void removeDependency(const std::shared_ptr<Operation>& operation);
    std::vector<std::shared_ptr<Operation>> dependencies() const;

    // Runs once, on a worker thread, after the operation has finished.
    std::function<void()> completionBlock() const;
    void setCompletionBlock(std::function<void()> block);

    std::string name() const;
    void setName(std::string name);

    // Blocks until the operation has finished. Not for the operation's own thread.
    void waitUntilFinished();

    // State-change notices. The "isFinished" notice of a finished operation releases its dependents,
    // tells its queue and schedules the completion block, each once. Handling happens off the calling
    // thread, so a subclass may send these while holding its own lock.
    virtual void willChangeValueForKey(const std::string& key);
    virtual void didChangeValueForKey(const std::string& key);

private:
    friend class OperationQueue;

    bool dependsOn(const Operation* operation) const;
    void handleFinished();
    // The queue this operation was added to (an operation joins one queue once).
    bool attachToQueue(const std::shared_ptr<OperationQueue>& queue);

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> executing_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> started_{false};
    // Set while the base start() finishes a plain operation, which then handles the finish itself.
    std::atomic<bool> finishingInline_{false};

    mutable std::mutex mutex_;
    std::condition_variable finishedSignal_;
    bool finishHandled_ = false;
    std::vector<std::shared_ptr<Operation>> dependencies_;
    std::vector<std::weak_ptr<Operation>> dependents_;
    std::weak_ptr<OperationQueue> queue_;
    bool queued_ = false;
    std::function<void()> completionBlock_;
    std::string name_;
};

}  // namespace reporting
