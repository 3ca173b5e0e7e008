#include "platform/base/DispatchQueue.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
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

// More items waiting on the outside world than the global queue has workers (pending uploads to a report
// server that never answers, each waiting for its trust callback's answer from a serial queue): the
// serial queue still runs, and every wait ends as soon as it has. Sharing the global queue's workers,
// the waiting items took them all, and the serial queue ran only as their waits timed out.
TEST_F(DispatchQueueTest, ItemsWaitingOnTheOutsideNeverStarveTheQueuesTheyWaitFor) {
    constexpr int kWaiting = 80;
    static constexpr auto kLongestWait = std::chrono::seconds(60);
    std::promise<void> answer;
    const std::shared_future<void> answered = answer.get_future().share();
    std::atomic<int> answeredInTime{0};
    for (int i = 0; i < kWaiting; ++i) {
        DispatchQueue::waitingOnTheOutside().async([answered, &answeredInTime] {
            if (answered.wait_for(kLongestWait) == std::future_status::ready) ++answeredInTime;
        });
    }
    auto serial = DispatchQueue::createSerial("test.answers");
    serial->async([&answer] { answer.set_value(); });
    runUntilIdle();
    EXPECT_EQ(answeredInTime.load(), kWaiting);
}

// The quit's end: every queue finishes what it has, then takes nothing more.
class DispatchQueueQuitTest : public DispatchQueueTest {
protected:
    void TearDown() override {
        DispatchQueue::reopenForTesting();
        DispatchQueueTest::TearDown();
    }
};

TEST_F(DispatchQueueQuitTest, FinishAllWorkWaitsForItemsThatWaitForTheClosedMainLoopThenTakesNoMore) {
    // A delivery on a serial queue reports to the main thread while the application quits, then queues
    // more work: both finish, though the main loop will not turn again.
    auto queue = DispatchQueue::createSerial("test.quit");
    std::atomic<bool> ranOnMain{false};
    std::atomic<int> finished{0};
    const size_t queuedBefore = platform::RunLoop::main().pendingClosureCount();
    queue->async([&] {
        platform::RunLoop::main().postAndWait([&] { ranOnMain = true; });
        DispatchQueue::global().async([&] { ++finished; });
        ++finished;
    });
    // The quit comes while the delivery waits: its closure is already queued on the main loop.
    while (platform::RunLoop::main().pendingClosureCount() == queuedBefore) std::this_thread::yield();
    platform::RunLoop::main().close();
    EXPECT_TRUE(DispatchQueue::finishAllWork(60));
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(DispatchQueue::workInFlight(), 0);
    EXPECT_FALSE(ranOnMain);

    // Closed: what is queued now is dropped, and a sync runs on the calling thread.
    std::atomic<bool> ranAfter{false};
    queue->async([&] { ranAfter = true; });
    DispatchQueue::global().async([&] { ranAfter = true; });
    EXPECT_EQ(DispatchQueue::workInFlight(), 0);
    bool syncOnMain = false;
    queue->sync([&] { syncOnMain = platform::isMainThread(); });
    EXPECT_TRUE(syncOnMain);
    runUntilIdle();  // also takes the closure the delivery left queued on the closed main loop
    EXPECT_FALSE(ranAfter);
    EXPECT_FALSE(ranOnMain);
}

TEST_F(DispatchQueueQuitTest, FinishAllWorkAnswersFalseWhenWorkOutlastsItsTime) {
    std::promise<void> started;
    std::promise<void> release;
    auto released = release.get_future().share();
    DispatchQueue::global().async([&started, released] {
        started.set_value();
        released.wait();
    });
    started.get_future().wait();
    EXPECT_FALSE(DispatchQueue::finishAllWork(0));
    EXPECT_EQ(DispatchQueue::workInFlight(), 1);
    release.set_value();
    runUntilIdle();  // the item still ends and is counted out
    EXPECT_EQ(DispatchQueue::workInFlight(), 0);
}

TEST_F(DispatchQueueQuitTest, FinishAllWorkEndsTheWorkersAndWhatTheyKeptForTheirThreads) {
    // What a worker keeps for its thread (a coder's caches, OpenSSL's state) goes with it at the quit,
    // rather than lie in a thread that lives on through the process's exit, where the leak check at exit
    // may not look.
    static std::atomic<int> destroyed;
    destroyed = 0;
    struct KeptForTheThread {
        ~KeptForTheThread() { ++destroyed; }
    };
    std::atomic<bool> ran{false};
    DispatchQueue::global().async([&] {
        thread_local KeptForTheThread kept;
        (void)kept;
        ran = true;
    });
    runUntilIdle();
    ASSERT_TRUE(ran);
    EXPECT_EQ(destroyed, 0);
    platform::RunLoop::main().close();
    EXPECT_TRUE(DispatchQueue::finishAllWork(60));
    EXPECT_EQ(destroyed, 1);

    // Opened again, the queues start workers anew.
    DispatchQueue::reopenForTesting();
    std::atomic<bool> ranAgain{false};
    DispatchQueue::global().async([&] { ranAgain = true; });
    runUntilIdle();
    EXPECT_TRUE(ranAgain);
}
