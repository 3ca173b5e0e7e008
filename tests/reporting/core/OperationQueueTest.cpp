#include "reporting/core/OperationQueue.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "reporting/core/BlockOperation.h"
#include "tests/support/TestEnvironment.h"

using reporting::BlockOperation;
using reporting::Operation;
using reporting::OperationQueue;

namespace {

class OperationQueueTest : public testsupport::KestruneTest {
protected:
    // Appends to the shared record; the queue runs operations on worker threads.
    std::shared_ptr<BlockOperation> recording(int value) {
        return BlockOperation::blockOperationWithBlock([this, value] {
            const int now = ++running;
            maxRunning = std::max(maxRunning.load(), now);
            {
                std::lock_guard lock(mutex);
                order.push_back(value);
            }
            --running;
        });
    }

    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
};

TEST_F(OperationQueueTest, ASerialQueueRunsReadyOperationsOneAtATimeInTheOrderAdded) {
    auto queue = OperationQueue::create("serial");
    queue->setMaxConcurrentOperationCount(1);
    for (int i = 0; i < 30; ++i) queue->addOperation(recording(i));
    queue->waitUntilAllOperationsAreFinished();
    runUntilIdle();
    ASSERT_EQ(order.size(), 30u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_EQ(maxRunning.load(), 1);
    EXPECT_EQ(queue->operationCount(), 0u);
}

TEST_F(OperationQueueTest, AnOperationWaitsForItsDependenciesEvenOnAnotherQueue) {
    auto serial = OperationQueue::create("serial");
    serial->setMaxConcurrentOperationCount(1);
    auto other = OperationQueue::create("other");
    auto first = recording(1);
    auto waiting = recording(2);
    auto third = recording(3);
    auto elsewhere = recording(4);
    waiting->addDependency(elsewhere);
    waiting->addDependency(third);
    serial->addOperation(first);
    serial->addOperation(waiting);  // not ready: the next ready one runs before it
    serial->addOperation(third);
    other->addOperation(elsewhere);
    serial->waitUntilAllOperationsAreFinished();
    runUntilIdle();
    ASSERT_EQ(order.size(), 4u);
    auto position = [&](int v) { return std::find(order.begin(), order.end(), v) - order.begin(); };
    EXPECT_LT(position(1), position(3));
    EXPECT_LT(position(3), position(2));
    EXPECT_LT(position(4), position(2));
}

TEST_F(OperationQueueTest, ADependencyCycleIsRefused) {
    auto a = recording(1);
    auto b = recording(2);
    auto c = recording(3);
    EXPECT_TRUE(b->addDependency(a));
    EXPECT_TRUE(c->addDependency(b));
    EXPECT_FALSE(a->addDependency(c));
    EXPECT_FALSE(a->addDependency(a));
    EXPECT_TRUE(a->dependencies().empty());
}

TEST_F(OperationQueueTest, ACancelledOperationSkipsItsWorkButFinishesAndRunsItsCompletion) {
    auto queue = OperationQueue::create();
    auto gate = recording(0);
    auto cancelled = recording(1);
    cancelled->addDependency(gate);  // would wait forever for the gate, which is never queued
    std::atomic<bool> finishedInCompletion{false};
    cancelled->setCompletionBlock([&] { finishedInCompletion = cancelled->isFinished(); });
    queue->addOperation(cancelled);
    EXPECT_EQ(queue->operationCount(), 1u);
    cancelled->cancel();
    cancelled->waitUntilFinished();
    runUntilIdle();
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(cancelled->isFinished());
    EXPECT_FALSE(cancelled->isExecuting());
    EXPECT_TRUE(finishedInCompletion.load());
    EXPECT_EQ(queue->operationCount(), 0u);
}

TEST_F(OperationQueueTest, AnOperationRunsOnceInOneQueue) {
    testsupport::LogCapture log;
    auto queue = OperationQueue::create("q");
    auto operation = recording(7);
    EXPECT_TRUE(queue->addOperation(operation));
    EXPECT_FALSE(queue->addOperation(operation));
    queue->waitUntilAllOperationsAreFinished();
    runUntilIdle();
    EXPECT_FALSE(OperationQueue::create("again")->addOperation(operation));
    EXPECT_EQ(order, std::vector<int>{7});
    EXPECT_TRUE(log.contains("refused"));
}

TEST_F(OperationQueueTest, AddOperationsCanWaitForThemAll) {
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(2);
    std::vector<std::shared_ptr<Operation>> operations;
    for (int i = 0; i < 8; ++i) operations.push_back(recording(i));
    queue->addOperations_waitUntilFinished(operations, true);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(order.size(), 8u);
    }
    EXPECT_LE(maxRunning.load(), 2);
    runUntilIdle();
}

}  // namespace

namespace {

// The event pipeline adds a dependency to an operation that is already queued, on an operation that may
// already have finished: the queued one must still run.
TEST_F(OperationQueueTest, ADependencyAddedAfterEnqueueOnAFinishedOperationDoesNotHoldTheQueue) {
    auto serial = OperationQueue::create("serial");
    serial->setMaxConcurrentOperationCount(1);
    auto done = recording(1);
    serial->addOperation(done);
    done->waitUntilFinished();
    auto gate = recording(0);
    auto waiting = recording(2);
    waiting->addDependency(gate);
    serial->addOperation(waiting);
    auto later = recording(3);
    serial->addOperation(later);
    waiting->addDependency(done);  // finished long ago
    serial->addOperation(gate);
    serial->waitUntilAllOperationsAreFinished();
    runUntilIdle();
    std::lock_guard lock(mutex);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2}));
}

}  // namespace
