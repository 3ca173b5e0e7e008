#include "platform/base/DispatchQueue.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "tests/support/TestEnvironment.h"

using platform::DispatchQueue;

class DispatchQueueTest : public testsupport::KestruneTest {};

TEST_F(DispatchQueueTest, SerialQueueRunsOneAtATimeInOrder) {
    auto queue = DispatchQueue::createSerial("test.serial");
    std::vector<int> order;  // touched only by the serial queue's items
    std::atomic<int> concurrent{0};
    std::atomic<int> maxConcurrent{0};
    for (int i = 0; i < 50; ++i) {
        queue->async([&, i] {
            int now = ++concurrent;
            maxConcurrent = std::max(maxConcurrent.load(), now);
            order.push_back(i);
            --concurrent;
        });
    }
    queue->sync([] {});
    runUntilIdle();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_EQ(maxConcurrent.load(), 1);
}

TEST_F(DispatchQueueTest, IsCurrentOnlyInsideItsOwnItems) {
    auto queue = DispatchQueue::createSerial("test.current");
    EXPECT_FALSE(queue->isCurrent());
    bool inside = false;
    queue->sync([&] { inside = queue->isCurrent(); });
    EXPECT_TRUE(inside);
}

TEST_F(DispatchQueueTest, SyncFromItsOwnItemRunsInlineInsteadOfDeadlocking) {
    auto queue = DispatchQueue::createSerial("test.reentrant");
    testsupport::LogCapture log;
    int value = 0;
    queue->sync([&] { queue->sync([&] { value = 7; }); });
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(log.contains("sync called from its own work item"));
}

TEST_F(DispatchQueueTest, GlobalSyncRunsOnAWorkerAndWaits) {
    bool onMain = true;
    DispatchQueue::global().sync([&] { onMain = platform::isMainThread(); });
    EXPECT_FALSE(onMain);
}

TEST_F(DispatchQueueTest, AsyncAfterFollowsVirtualTime) {
    auto queue = DispatchQueue::createSerial("test.after");
    std::atomic<bool> ran{false};
    queue->asyncAfter(2.0, [&] { ran = true; });
    advance(1.9);
    EXPECT_FALSE(ran);
    advance(0.1);
    EXPECT_TRUE(ran);
}

TEST_F(DispatchQueueTest, BlockingItemsDoNotStarveEachOther) {
    // Two items that wait for each other finish only when each gets its own worker, also when an idle
    // worker is already there to take the first.
    DispatchQueue::global().sync([] {});
    std::mutex m;
    std::condition_variable cv;
    int arrived = 0;
    for (int i = 0; i < 2; ++i) {
        DispatchQueue::global().async([&] {
            std::unique_lock lock(m);
            ++arrived;
            cv.notify_all();
            cv.wait(lock, [&] { return arrived == 2; });
        });
    }
    runUntilIdle();
    EXPECT_EQ(arrived, 2);
}
