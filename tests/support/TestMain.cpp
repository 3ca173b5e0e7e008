#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "tests/support/TestEnvironment.h"

namespace {

// Long enough for an upload a test left under way to reach its own time limit.
constexpr double kSecondsForWorkAtExit = 60;

// The tests that tests/allowed_skips.txt allows to skip themselves, by their full names.
const char* const kAllowedSkips[] = {
#include "AllowedSkips.inc"
    nullptr};

// A test that skips itself (GTEST_SKIP) fails unless it is allowed to: ctest and GoogleTest count a
// skipped test as one that passed, so a test that stopped running would go unnoticed. Called before
// GoogleTest's own printer hears of the test's end, so that the test is reported as failed.
class SkipsMustBeAllowed : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        if (!test.result()->Skipped()) return;
        const std::string name = std::string(test.test_suite_name()) + "." + test.name();
        for (const char* const* allowed = kAllowedSkips; *allowed; ++allowed)
            if (name == *allowed) return;
        ADD_FAILURE() << name << " skipped itself, and tests/allowed_skips.txt does not allow it to";
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new SkipsMustBeAllowed);
    testsupport::restoreProcessStateAfterEachTest();
    const int result = RUN_ALL_TESTS();
    // Work the tests left on the queues (a transfer still under way) finishes before the program ends, as
    // it does when the application quits: OpenSSL's own clean-up at exit, raced by a worker still in a
    // handshake, frees what the worker is using and strands the worker's error state, which the leak
    // check at exit then reports.
    platform::RunLoop::main().close();
    if (!platform::DispatchQueue::finishAllWork(kSecondsForWorkAtExit)) {
        fprintf(stderr,
                "work left by the tests still running after %.0f s: ending without the clean-up at exit\n",
                kSecondsForWorkAtExit);
        fflush(nullptr);
        _exit(result == 0 ? 1 : result);
    }
    return result;
}
