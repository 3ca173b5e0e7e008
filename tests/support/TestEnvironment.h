#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testsupport {

// Base fixture of every test: a fresh HOME and XDG folders under a temporary directory, virtual time
// on the main run loop, and nothing left over from the test before (queued closures, timers,
// observers). Tests step time with advance() and runUntilIdle(); no test sleeps.
class KestruneTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void advance(double seconds);
    void runUntilIdle();
    double now() const;

    // The temporary home of this test.
    const std::string& home() const { return home_; }

private:
    std::string home_;
};

// Collects log lines while alive.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<std::string> lines() const;
    bool contains(const std::string& part) const;

private:
    struct State;
    State* state_;
};

// The environment for a program a test launches: this process's, less every variable that starts with
// one of `leftOut` (for example "HOME=", "XDG_"), then `added`.
std::vector<std::string> childEnvironment(const std::vector<std::string>& leftOut,
                                          const std::vector<std::string>& added);

// Cleanups between tests that later layers register (shared instances, caches). Each runs in SetUp
// of the next test.
void addResetHook(void (*hook)());

}  // namespace testsupport
