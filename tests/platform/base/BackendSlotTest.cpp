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

}  // namespace
