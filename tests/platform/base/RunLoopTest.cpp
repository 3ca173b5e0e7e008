#include "platform/base/RunLoop.h"

#include <atomic>
#include <thread>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "tests/support/TestEnvironment.h"

using platform::Clock;
using platform::RunLoop;
using platform::Timer;

class RunLoopTest : public testsupport::KestruneTest {};

TEST_F(RunLoopTest, PostedClosuresRunInOrderAndNeverInline) {
    std::vector<int> order;
    RunLoop::main().post([&] {
        order.push_back(1);
        RunLoop::main().post([&] { order.push_back(3); });
    });
    RunLoop::main().post([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));  // what a closure posts waits for the next pass
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(RunLoopTest, NestedRunKeepsOlderClosuresFirst) {
    std::vector<int> order;
    bool flag = false;
    RunLoop::main().post([&] {
        order.push_back(1);
        RunLoop::main().post([&] {
            order.push_back(3);
            flag = true;
        });
        EXPECT_TRUE(RunLoop::main().runUntil([&] { return flag; }, 5));
        order.push_back(4);
    });
    RunLoop::main().post([&] { order.push_back(2); });
    runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(RunLoopTest, NestedWaitInVirtualTimeMovesToTheNextTimerAndTimesOut) {
    double start = now();
    bool fired = false;
    RunLoop::main().performAfterDelay(3, [&] { fired = true; });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired; }, 10));
    EXPECT_DOUBLE_EQ(now() - start, 3);
    EXPECT_FALSE(RunLoop::main().runUntil([] { return false; }, 2));
    EXPECT_DOUBLE_EQ(now() - start, 5);
}

TEST_F(RunLoopTest, TimersFireInTimeOrderAtTheirBound) {
    std::vector<std::string> fired;
    RunLoop::main().performAfterDelay(2.0, [&] { fired.push_back("b"); });
    RunLoop::main().performAfterDelay(1.0, [&] { fired.push_back("a"); });
    RunLoop::main().performAfterDelay(2.0, [&] { fired.push_back("c"); });
    advance(0.999);
    EXPECT_TRUE(fired.empty());
    advance(0.001);
    EXPECT_EQ(fired, (std::vector<std::string>{"a"}));
    advance(1.0);
    EXPECT_EQ(fired, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(RunLoop::main().pendingTimerCount(), 0u);
}

TEST_F(RunLoopTest, DelayZeroRunsOnTheNextPassNotInline) {
    bool ran = false;
    RunLoop::main().performAfterDelay(0, [&] { ran = true; });
    EXPECT_FALSE(ran);
    runUntilIdle();
    EXPECT_TRUE(ran);
}

TEST_F(RunLoopTest, RepeatingTimerKeepsItsScheduleUntilInvalidated) {
    int count = 0;
    double firstFire = 0;
    auto timer = Timer::scheduledTimer(1.5, true, [&](Timer& t) {
        if (++count == 1) firstFire = Clock::now();
        if (count == 3) t.invalidate();
    });
    double start = now();
    advance(10);
    EXPECT_EQ(count, 3);
    EXPECT_DOUBLE_EQ(firstFire - start, 1.5);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, InvalidatedTimerNeverFires) {
    bool fired = false;
    auto timer = RunLoop::main().performAfterDelay(1, [&] { fired = true; });
    timer->invalidate();
    advance(5);
    EXPECT_FALSE(fired);
}

TEST_F(RunLoopTest, ObserversRunAtTheEndOfEachPass) {
    std::vector<std::string> events;
    uint64_t id = RunLoop::main().addObserver([&] { events.push_back("observer"); });
    RunLoop::main().post([&] { events.push_back("work"); });
    RunLoop::main().runOnce();
    RunLoop::main().removeObserver(id);
    RunLoop::main().runOnce();
    EXPECT_EQ(events, (std::vector<std::string>{"work", "observer"}));
}

TEST_F(RunLoopTest, RunUntilIdleWaitsForBackgroundWorkThatPostsBack) {
    std::atomic<bool> onWorker{false};
    bool delivered = false;
    platform::DispatchQueue::global().async([&] {
        onWorker = !platform::isMainThread();
        RunLoop::main().post([&] { delivered = platform::isMainThread(); });
    });
    runUntilIdle();
    EXPECT_TRUE(onWorker);
    EXPECT_TRUE(delivered);
}

TEST_F(RunLoopTest, PostAndWaitFromAWorkerRunsOnTheMainThread) {
    bool ranOnMain = false;
    std::thread worker([&] { RunLoop::main().postAndWait([&] { ranOnMain = platform::isMainThread(); }); });
    while (!ranOnMain) RunLoop::main().runUntil([&] { return ranOnMain; }, 1);
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(RunLoopTest, ClosingReleasesWorkersThatWaitForTheMainThreadWithoutRunningTheirClosures) {
    // The application has quit: a worker waiting for the main thread, or starting to wait after the
    // close, goes on without its closure having run, also when the loop is stepped once more.
    std::atomic<bool> ran{false};
    std::atomic<int> returned{0};
    const size_t queuedBefore = RunLoop::main().pendingClosureCount();
    std::thread worker([&] {
        RunLoop::main().postAndWait([&] { ran = true; });
        ++returned;
        RunLoop::main().postAndWait([&] { ran = true; });
        ++returned;
    });
    // The close comes once the worker's closure is queued, so that the worker is past the point where
    // a closed loop turns it away and can only be let go by the close itself.
    while (RunLoop::main().pendingClosureCount() == queuedBefore) std::this_thread::yield();
    EXPECT_EQ(returned, 0);
    RunLoop::main().close();
    worker.join();  // hangs if the close leaves the worker waiting
    EXPECT_EQ(returned, 2);
    // The first closure stays queued, left behind by its waiter; the second was never queued.
    EXPECT_EQ(RunLoop::main().pendingClosureCount(), queuedBefore + 1);
    RunLoop::main().runOnce();
    EXPECT_EQ(RunLoop::main().pendingClosureCount(), 0u);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(RunLoop::main().isClosed());

    // Between tests the loop opens again and waits as before.
    RunLoop::main().reset();
    EXPECT_FALSE(RunLoop::main().isClosed());
    std::thread again([&] { RunLoop::main().postAndWait([&] { ran = true; }); });
    while (!ran) RunLoop::main().runUntil([&] { return ran.load(); }, 1);
    again.join();
    EXPECT_TRUE(ran);
}

TEST_F(RunLoopTest, RunReturnsWhenStoppedAndSleepsMeanwhile) {
    RunLoop::main().performAfterDelay(0, [] { RunLoop::main().stop(); });
    RunLoop::main().run();  // returns: the stop was handled
    SUCCEED();
}

TEST(RunLoopRealTime, RunFiresADueTimerAndAPostFromAnotherThread) {
    // Real time, without waiting on the clock: a timer that is already due and a closure posted by
    // another thread while the loop sleeps both end up running on the main thread.
    Clock::useRealTime();
    RunLoop::main().reset();
    bool timerFired = false;
    bool posted = false;
    RunLoop::main().performAfterDelay(0, [&] {
        timerFired = true;
        platform::DispatchQueue::global().async([&] {
            RunLoop::main().post([&] {
                posted = platform::isMainThread();
                RunLoop::main().stop();
            });
        });
    });
    RunLoop::main().run();
    EXPECT_TRUE(timerFired);
    EXPECT_TRUE(posted);
    Clock::useVirtualTime();
}
