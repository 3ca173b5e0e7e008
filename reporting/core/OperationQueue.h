#pragma once

#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "reporting/core/Operation.h"

namespace reporting {

// Runs operations on the global dispatch queue's workers. Among the operations that are ready, the one
// added first starts first; at most maxConcurrentOperationCount run at once (1 makes the queue serial).
// An operation stays in the queue until it has finished; then the queue starts the next.
class OperationQueue : public std::enable_shared_from_this<OperationQueue> {
public:
    static constexpr int kDefaultMaxConcurrentOperationCount = -1;  // as many as are ready

    static std::shared_ptr<OperationQueue> create(std::string name = {});
    // The queue whose operation the calling thread is starting or running, if any.
    static OperationQueue* currentQueue();

    // Adds an operation that is neither finished nor in a queue already; anything else is refused with
    // a log line (an operation runs once, in one queue).
    bool addOperation(const std::shared_ptr<Operation>& operation);
    void addOperations_waitUntilFinished(const std::vector<std::shared_ptr<Operation>>& operations,
                                         bool wait);
    void addOperationWithBlock(std::function<void()> block);

    void cancelAllOperations();
    // The operations added and not yet finished, in the order added.
    std::vector<std::shared_ptr<Operation>> operations() const;
    size_t operationCount() const;
    // Blocks until every operation added so far has finished. Not for the queue's own operations.
    void waitUntilAllOperationsAreFinished();

    int maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(int count);
    std::string name() const;
    void setName(std::string name);

    explicit OperationQueue(std::string name);
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

private:
    friend class Operation;

    struct Entry {
        std::shared_ptr<Operation> operation;
        bool dispatched = false;
    };

    // Starts every ready operation the concurrency limit allows.
    void schedule();
    // Runs the operation on this worker, then, while the limit allows, the next ready ones: a serial
    // queue's operations follow each other on one thread without a hand-over between them.
    void run(std::shared_ptr<Operation> operation);
    std::shared_ptr<Operation> claimNextReady();
    void operationDidFinish(Operation* operation);

    mutable std::mutex mutex_;
    std::condition_variable emptied_;
    std::list<Entry> entries_;  // finished operations leave from anywhere, mostly the front
    int running_ = 0;
    int maxConcurrent_ = kDefaultMaxConcurrentOperationCount;
    std::string name_;
};

}  // namespace reporting
