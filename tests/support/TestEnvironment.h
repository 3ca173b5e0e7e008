#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/BackendSlot.h"

namespace platform::ui {
class Renderer;
class TextMeasurer;
}  // namespace platform::ui

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
// one of `leftOut` (for example "HOME=", "XDG_"), then `added`. TEST_PREMATURE_EXIT_FILE is always left
// out: it belongs to this program's own run.
std::vector<std::string> childEnvironment(const std::vector<std::string>& leftOut,
                                          const std::vector<std::string>& added);

// What a test can change of the process and would otherwise leave to every test after it in the same
// process (a whole shuffled run): the environment variables (HOME, the simulated Mac's names, TZ...), the
// backends installed in the platform's slots (the simulated session's accounts, its Wi-Fi, the camera),
// and what the interface draws and measures text with: the text measurer, the renderer and the language
// of the texts. A later test that met Pango's measurer where it expects the fixed one would lay out
// differently, and only in that order.
class ProcessState {
public:
    static ProcessState capture();
    // Puts the environment and the backends back as captured; a TZ changed since is read again.
    void restore() const;

private:
    std::map<std::string, std::string> environment_;
    platform::BackendSlots::Snapshot backends_;
    std::shared_ptr<platform::ui::TextMeasurer> textMeasurer_;
    std::shared_ptr<platform::ui::Renderer> renderer_;
    std::string textLanguage_;
};

// Captures the process state once the global test environments are set up, and puts it back after each
// test: every test starts from what a fresh process has, whatever order the tests run in. The test
// programs' main installs it.
void restoreProcessStateAfterEachTest();

// Cleanups between tests that later layers register (shared instances, caches). Each runs in SetUp
// of the next test.
void addResetHook(void (*hook)());

}  // namespace testsupport
