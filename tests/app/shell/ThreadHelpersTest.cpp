#include "app/shell/ThreadHelpers.h"

#include <atomic>
#include <thread>

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/support/EventTimestamp.h"
#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

class ThreadHelpersTest : public testsupport::KestruneTest {
protected:
    // Runs the body on a background thread and keeps the main loop turning until it is done.
    void onBackground(const std::function<void()>& body) {
        std::atomic<bool> done{false};
        platform::DispatchQueue::global().async([&] {
            body();
            done = true;
        });
        platform::RunLoop::main().runUntil([&] { return done.load(); }, 10);
        ASSERT_TRUE(done);
    }
};

TEST_F(ThreadHelpersTest, FromTheMainThread) {
    bool ran = false;
    runOnMainThreadSync([&] { ran = true; });
    EXPECT_TRUE(ran);  // inline, before returning

    ran = false;
    runOnMainQueueAsync([&] { ran = true; });
    EXPECT_FALSE(ran);  // never inline
    runUntilIdle();
    EXPECT_TRUE(ran);

    ran = false;
    runOnMainThreadAsync([&] { ran = true; });
    EXPECT_TRUE(ran);

    std::atomic<bool> onMain{true};
    runInBackgroundSync([&] { onMain = platform::isMainThread(); });
    EXPECT_FALSE(onMain);  // ran on a worker, and we waited for it

    std::atomic<bool> backgroundRan{false};
    runInBackgroundAsync([&] { backgroundRan = !platform::isMainThread(); });
    runUntilIdle();
    EXPECT_TRUE(backgroundRan);
}

TEST_F(ThreadHelpersTest, FromABackgroundThread) {
    onBackground([] {
        auto self = std::this_thread::get_id();
        bool syncOnMain = false;
        runOnMainThreadSync([&] { syncOnMain = platform::isMainThread(); });
        EXPECT_TRUE(syncOnMain);  // waited for the main thread

        bool inlineRan = false;
        runInBackgroundAsync([&] { inlineRan = std::this_thread::get_id() == self; });
        EXPECT_TRUE(inlineRan);  // inline on this very thread
        inlineRan = false;
        runInBackgroundSync([&] { inlineRan = std::this_thread::get_id() == self; });
        EXPECT_TRUE(inlineRan);
    });
    std::atomic<bool> asyncOnMain{false};
    onBackground([&] { runOnMainThreadAsync([&] { asyncOnMain = platform::isMainThread(); }); });
    runUntilIdle();
    EXPECT_TRUE(asyncOnMain);
}

TEST_F(ThreadHelpersTest, DelayedClosuresRunOnTheNextPassAndKeepTheirReceiver) {
    std::vector<int> order;
    auto receiver = std::make_shared<int>(5);
    std::weak_ptr<int> weak = receiver;
    performAfterDelay_block(receiver, 0, [&] { order.push_back(0); });
    performStaticAfterDelay_staticBlock(1.5, [&] { order.push_back(2); });
    performBlock_afterDelay(
        nullptr, [&] { order.push_back(1); }, 1.0);
    receiver.reset();
    EXPECT_TRUE(order.empty());
    EXPECT_FALSE(weak.expired());  // kept alive until its closure ran
    runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{0}));
    EXPECT_TRUE(weak.expired());
    advance(1.5);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST_F(ThreadHelpersTest, EventTimestampBounds) {
    EventTimestamp stamp;
    EXPECT_FALSE(stamp.isSet());
    EXPECT_TRUE(stamp.moreSecondsElapsedSinceLastTrigger(1e9));
    EXPECT_GT(stamp.secondsElapsedFromLastEvent(), 1.5e9);

    stamp.eventTriggered();
    EXPECT_TRUE(stamp.isSet());
    EXPECT_DOUBLE_EQ(stamp.eventTimeSince1970(), now());
    EXPECT_FALSE(stamp.moreSecondsElapsedSinceLastTrigger(0));  // strictly later is needed
    advance(0.8);
    EXPECT_FALSE(stamp.moreSecondsElapsedSinceLastTrigger(0.8));
    EXPECT_TRUE(stamp.moreSecondsElapsedSinceLastTrigger(0.79));
    EXPECT_NEAR(stamp.secondsElapsedFromLastEvent(), 0.8, 1e-6);
    advance(0.001);
    EXPECT_TRUE(stamp.moreSecondsElapsedSinceLastTrigger(0.8));

    stamp.setEventTimeSince1970(1234.5);
    EXPECT_DOUBLE_EQ(stamp.eventTimeSince1970(), 1234.5);
    stamp.reset();
    EXPECT_FALSE(stamp.isSet());
}
