// The test programs put the process back as it was after every test (tests/support): a test that changes
// the environment or installs a backend leaves neither to the tests after it in a whole shuffled run.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <memory>
#include <string>

#include "platform/base/BackendSlot.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct Accounts {
    virtual ~Accounts() = default;
};

std::string variable(const char* name) {
    const char* value = getenv(name);
    return value ? value : "(unset)";
}

// Seconds east of UTC of the local time zone at a fixed moment.
long localOffset() {
    const time_t moment = 1800000000;
    tm local{};
    localtime_r(&moment, &local);
    return local.tm_gmtoff;
}

TEST(ProcessStateTest, TheEnvironmentTheZoneAndTheBackendsAreAsCaptured) {
    setenv("KESTRUNE_STATE_KEPT", "kept", 1);
    setenv("KESTRUNE_STATE_CHANGED", "first", 1);
    unsetenv("KESTRUNE_STATE_ADDED");
    setenv("TZ", "UTC0", 1);
    tzset();
    const auto captured = testsupport::ProcessState::capture();

    // What a test might leave: a variable added, one changed, one removed, another zone, an account
    // service installed.
    setenv("KESTRUNE_STATE_ADDED", "left behind", 1);
    setenv("KESTRUNE_STATE_CHANGED", "second", 1);
    unsetenv("KESTRUNE_STATE_KEPT");
    setenv("TZ", "JST-9", 1);
    tzset();
    ASSERT_EQ(localOffset(), 9 * 3600);
    platform::backendSlot<Accounts>().set(std::make_shared<Accounts>());

    captured.restore();
    EXPECT_EQ(variable("KESTRUNE_STATE_ADDED"), "(unset)");
    EXPECT_EQ(variable("KESTRUNE_STATE_CHANGED"), "first");
    EXPECT_EQ(variable("KESTRUNE_STATE_KEPT"), "kept");
    EXPECT_EQ(localOffset(), 0) << "the zone is not read again";
    EXPECT_EQ(platform::backendSlot<Accounts>().get(), nullptr);
}

}  // namespace
