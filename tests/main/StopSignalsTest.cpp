// What the process was started with ignored, as the programs the application starts see it.

#include "main/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/system/Shell.h"

namespace {

// The signals of a /proc status text's SigIgn line ("SigIgn:\t0000000000001001"), one bit a signal.
uint64_t ignoredIn(const std::string& status) {
    const size_t at = status.find("\nSigIgn:\t");
    return at == std::string::npos ? 0 : std::stoull(status.substr(at + 9, 16), nullptr, 16);
}

bool has(uint64_t signals, int signal) {
    return signals & (uint64_t{1} << (signal - 1));
}

// Started as a script's background job under nohup (SIGINT and SIGHUP ignored) and then stopping as a
// scenario does (the stop signals blocked, SIGPIPE ignored), the application starts a program: that
// program keeps SIGINT and SIGHUP ignored, as whoever started the application meant for all it runs, and
// has SIGTERM and SIGPIPE at their default action. The start is read in a process of its own: what the
// process was started with is noted once.
TEST(StopSignalsTest, TheProgramsItStartsKeepTheInterruptAndHangUpItWasStartedWithIgnored) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            for (int signal : {SIGINT, SIGHUP}) ::signal(signal, SIG_IGN);
            for (int signal : {SIGTERM, SIGPIPE}) ::signal(signal, SIG_DFL);
            kestrune::StopSignals::noteStart();
            kestrune::StopSignals::block();
            const auto started = platform::Shell::run("/bin/cat", {"/proc/self/status"});
            const uint64_t ignored = ignoredIn(started.output);
            std::fprintf(stderr, "SigIgn of the program started: %016llx\n",
                         static_cast<unsigned long long>(ignored));
            const bool asMeant = started.launched && has(ignored, SIGINT) && has(ignored, SIGHUP) &&
                                 !has(ignored, SIGTERM) && !has(ignored, SIGPIPE);
            std::fflush(nullptr);
            _exit(asMeant ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "SigIgn of the program started");
}

}  // namespace
