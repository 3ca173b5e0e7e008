#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
#include "tests/support/TestEnvironment.h"

namespace {

// Long enough for an upload a test left under way to reach its own time limit.
constexpr double kSecondsForWorkAtExit = 60;

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
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
