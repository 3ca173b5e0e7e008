#include "platform/base/SharedInstance.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Counted {
    static inline std::atomic<int> made{0};
    static inline std::atomic<int> destroyed{0};
    Counted() { ++made; }
    ~Counted() { ++destroyed; }
    int setUps = 0;
};

platform::SharedInstance<Counted> gCounted;

TEST(SharedInstanceTest, ThreadsAskingAtOnceShareOneInstance) {
    gCounted.resetForTesting();
    Counted::made = 0;
    std::vector<Counted*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = &gCounted.get([] { return new Counted; }); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(Counted::made, 1);
    for (auto* s : seen) EXPECT_EQ(s, seen[0]);
}

TEST(SharedInstanceTest, AResetMakesAFreshOneAndLetsTheOldOneGo) {
    gCounted.resetForTesting();
    auto& first = gCounted.get([] { return new Counted; });
    first.setUps = 7;
    const int destroyedBefore = Counted::destroyed;
    gCounted.resetForTesting();
    EXPECT_EQ(Counted::destroyed, destroyedBefore + 1);
    EXPECT_EQ(gCounted.get([] { return new Counted; }).setUps, 0);
}

// Setting up may lead back to shared(): that thread gets the instance being set up, and it is made once.
struct Reentrant {
    static platform::SharedInstance<Reentrant> instance;
    static Reentrant& shared() {
        return instance.get([] { return new Reentrant; },
                            [](Reentrant& r) { r.selfSeenDuringSetUp = &Reentrant::shared(); });
    }
    Reentrant* selfSeenDuringSetUp = nullptr;
};
platform::SharedInstance<Reentrant> Reentrant::instance;

TEST(SharedInstanceTest, SettingUpMayAskForTheInstanceItself) {
    Reentrant& shared = Reentrant::shared();
    EXPECT_EQ(shared.selfSeenDuringSetUp, &shared);
    Reentrant::instance.resetForTesting();
}

}  // namespace
