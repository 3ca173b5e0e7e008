// ctest starts every test through tests/test_runner.cpp, which fails a test that ends its process with
// status 0 before it finished (ctest looks at nothing but the status) and hands every other end on as it
// came. Each case runs the probe below through the runner, in a process of its own, told by
// KESTRUNE_TEST_RUNNER_PROBE how to end.

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"

namespace {

const char kProbe[] = "TestRunnerTest.DISABLED_EndsItsProcessAsItIsTold";

// This program run for the probe alone, told to end so; through the runner unless `direct`.
testsupport::ProgramRun runProbe(const std::string& ending, bool direct = false) {
    std::vector<std::string> arguments = {std::filesystem::read_symlink("/proc/self/exe").string(),
                                          std::string("--gtest_filter=") + kProbe,
                                          "--gtest_also_run_disabled_tests"};
    if (!direct) arguments.insert(arguments.begin(), TEST_RUNNER_PATH);
    return testsupport::runProgram(arguments,
                                   testsupport::childEnvironment({"KESTRUNE_TEST_RUNNER_PROBE="},
                                                                 {"KESTRUNE_TEST_RUNNER_PROBE=" + ending}),
                                   ".");
}

bool saysEndedEarly(const testsupport::ProgramRun& run) {
    return run.err.find(std::string(kProbe) +
                        " FAILED: it ended the process (status 0) before it finished") != std::string::npos;
}

}  // namespace

// Not a test of its own: the tests below run it through the runner.
TEST(TestRunnerTest, DISABLED_EndsItsProcessAsItIsTold) {
    const char* told = getenv("KESTRUNE_TEST_RUNNER_PROBE");
    const std::string ending = told ? told : "";
    if (ending == "exit") exit(0);
    if (ending == "_exit") _exit(0);
    if (ending == "quick_exit") quick_exit(0);
    if (ending == "exit 3") exit(3);
    if (ending == "abort") abort();
    if (ending == "run this program, then _exit") {
        // A test program the test starts ends its own run of the tests, not this one's.
        const testsupport::ProgramRun child = runProbe("return", true);
        ASSERT_EQ(child.status, 0) << child.out << child.err;
        _exit(0);
    }
    EXPECT_EQ(ending, "return");
}

TEST(TestRunnerTest, ATestThatEndsItsProcessWithStatusZeroFailsByName) {
    for (const char* ending : {"exit", "_exit", "quick_exit", "run this program, then _exit"}) {
        SCOPED_TRACE(ending);
        const testsupport::ProgramRun run = runProbe(ending);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_TRUE(saysEndedEarly(run)) << run.out << run.err;
    }
}

TEST(TestRunnerTest, EveryOtherEndIsHandedOnAsItCame) {
    const testsupport::ProgramRun passed = runProbe("return");
    EXPECT_EQ(passed.status, 0) << passed.out << passed.err;
    EXPECT_FALSE(saysEndedEarly(passed));

    const testsupport::ProgramRun failed = runProbe("exit 3");
    EXPECT_EQ(failed.status, 3) << failed.out << failed.err;
    EXPECT_FALSE(saysEndedEarly(failed));

    // A crash: the runner dies of the same signal, as ctest reports a crash.
    const testsupport::ProgramRun crashed = runProbe("abort");
    EXPECT_EQ(crashed.signal, SIGABRT) << crashed.out << crashed.err;
}
