#include "platform/base/BackendSlot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Greeter {
    virtual ~Greeter() = default;
    virtual std::string greet() = 0;
};

struct StandInGreeter : Greeter {
    std::string greet() override { return "stand-in"; }
};

struct NamedGreeter : Greeter {
    explicit NamedGreeter(std::string name) : name(std::move(name)) {}
    std::string greet() override { return name; }
    std::string name;
};

// On its way out it asks the slot it was installed in.
struct AskingGreeter : Greeter {
    ~AskingGreeter() override {
        seenOnDestruction = platform::backendSlot<Greeter>().getOr<StandInGreeter>()->greet();
    }
    std::string greet() override { return "asking"; }
    static inline std::string seenOnDestruction;
};

class BackendSlotTest : public ::testing::Test {
protected:
    void TearDown() override { platform::backendSlot<Greeter>().set(nullptr); }
};

TEST_F(BackendSlotTest, TheInstalledBackendAnswersAndNullPutsTheStandInBack) {
    auto& slot = platform::backendSlot<Greeter>();
    EXPECT_EQ(slot.get(), nullptr);
    const auto standIn = slot.getOr<StandInGreeter>();
    EXPECT_EQ(standIn->greet(), "stand-in");
    // One stand-in for the process.
    EXPECT_EQ(slot.getOr<StandInGreeter>(), standIn);

    slot.set(std::make_shared<NamedGreeter>("installed"));
    EXPECT_EQ(slot.get()->greet(), "installed");
    EXPECT_EQ(slot.getOr<StandInGreeter>()->greet(), "installed");
    EXPECT_EQ(slot.get(std::make_shared<NamedGreeter>("fallback"))->greet(), "installed");

    slot.set(nullptr);
    EXPECT_EQ(slot.get(), nullptr);
    EXPECT_EQ(slot.getOr<StandInGreeter>(), standIn);
    EXPECT_EQ(slot.get(std::make_shared<NamedGreeter>("fallback"))->greet(), "fallback");
}

TEST_F(BackendSlotTest, EveryInterfaceHasItsOwnSlot) {
    struct Other {
        virtual ~Other() = default;
    };
    EXPECT_EQ(static_cast<void*>(&platform::backendSlot<Greeter>()),
              static_cast<void*>(&platform::backendSlot<Greeter>()));
    EXPECT_NE(static_cast<void*>(&platform::backendSlot<Greeter>()),
              static_cast<void*>(&platform::backendSlot<Other>()));
}

TEST_F(BackendSlotTest, AReplacedBackendGoesAfterTheSlotIsFreeAndSeesItsSuccessor) {
    auto& slot = platform::backendSlot<Greeter>();
    slot.set(std::make_shared<AskingGreeter>());
    AskingGreeter::seenOnDestruction.clear();
    // Released inside the slot's lock, the asking destructor would wait for itself forever.
    slot.set(std::make_shared<NamedGreeter>("successor"));
    EXPECT_EQ(AskingGreeter::seenOnDestruction, "successor");
}

// What a whole run of a test program does between tests: a backend a test installed and left, in a slot
// that had none or one the process started with, or in a slot first made by that test, is gone again.
TEST_F(BackendSlotTest, ASnapshotPutsBackWhatEverySlotHeldAndTheStandInWhereNothingWas) {
    struct Late {
        virtual ~Late() = default;
    };
    struct Empty {
        virtual ~Empty() = default;
    };
    auto& greeter = platform::backendSlot<Greeter>();
    auto& empty = platform::backendSlot<Empty>();
    const auto original = std::make_shared<NamedGreeter>("original");
    greeter.set(original);
    const auto snapshot = platform::BackendSlots::snapshotForTesting();

    greeter.set(std::make_shared<NamedGreeter>("left behind"));
    empty.set(std::make_shared<Empty>());
    platform::backendSlot<Late>().set(std::make_shared<Late>());
    platform::BackendSlots::restoreForTesting(snapshot);
    EXPECT_EQ(greeter.get(), original);
    EXPECT_EQ(empty.get(), nullptr);
    EXPECT_EQ(platform::backendSlot<Late>().get(), nullptr);
    EXPECT_EQ(greeter.getOr<StandInGreeter>()->greet(), "original");
}

}  // namespace
