#include "tests/support/TestEnvironment.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Quit.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextLanguage.h"
#include "platform/ui/TextMeasurer.h"

namespace testsupport {

namespace {
std::vector<void (*)()>& resetHooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}
}  // namespace

void addResetHook(void (*hook)()) {
    resetHooks().push_back(hook);
}

void KestruneTest::SetUp() {
    char pattern[] = "/tmp/kestrune-test-XXXXXX";
    char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    home_ = made;
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home_ + "/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (home_ + "/.local/state").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home_ + "/.cache").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (home_ + "/Documents").c_str(), 1);
    unsetenv("KESTRUNE_SYSTEM_VERSION");
    platform::Clock::useVirtualTime();
    platform::RunLoop::main().runUntilIdle();  // let stragglers of the test before finish
    platform::RunLoop::main().reset();
    platform::NotificationCenter::defaultCenter().removeAllObservers();
    platform::UserDefaults::resetAllForTesting();  // stores are read again from the new home
    platform::Files::forgetUnwritableFoldersForTesting();
    platform::Quit::resetForTesting();  // a test that quit leaves no quit to the next
    for (auto hook : resetHooks()) hook();
}

void KestruneTest::TearDown() {
    platform::RunLoop::main().runUntilIdle();
    platform::RunLoop::main().reset();
    platform::NotificationCenter::defaultCenter().removeAllObservers();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

void KestruneTest::advance(double seconds) {
    platform::RunLoop::main().advance(seconds);
}
void KestruneTest::runUntilIdle() {
    platform::RunLoop::main().runUntilIdle();
}
double KestruneTest::now() const {
    return platform::Clock::now();
}

struct LogCapture::State {
    std::mutex mutex;
    std::vector<std::string> lines;
    platform::Log::Sink previous;
};

LogCapture::LogCapture() : state_(new State) {
    State* s = state_;
    s->previous = platform::Log::setSink([s](const std::string& line) {
        std::lock_guard lock(s->mutex);
        s->lines.push_back(line);
    });
}

LogCapture::~LogCapture() {
    platform::Log::setSink(std::move(state_->previous));
    delete state_;
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(state_->mutex);
    return state_->lines;
}

bool LogCapture::contains(const std::string& part) const {
    for (const auto& line : lines())
        if (line.find(part) != std::string::npos) return true;
    return false;
}

namespace {

std::map<std::string, std::string> currentEnvironment() {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        const size_t equals = variable.find('=');
        if (equals != std::string::npos) variables[variable.substr(0, equals)] = variable.substr(equals + 1);
    }
    return variables;
}

class ProcessStateRestorer : public ::testing::EmptyTestEventListener {
    void OnEnvironmentsSetUpEnd(const ::testing::UnitTest&) override { state_ = ProcessState::capture(); }
    // After the fixture is gone, so that what its destructor put back is not undone.
    void OnTestEnd(const ::testing::TestInfo&) override { state_.restore(); }

    ProcessState state_ = ProcessState::capture();
};

}  // namespace

ProcessState ProcessState::capture() {
    ProcessState state;
    state.environment_ = currentEnvironment();
    state.backends_ = platform::BackendSlots::snapshotForTesting();
    state.textMeasurer_ = platform::ui::TextMeasurer::installed();
    state.renderer_ = platform::ui::Renderer::installed();
    state.textLanguage_ = platform::ui::TextLanguage::current();
    return state;
}

void ProcessState::restore() const {
    // Read whole first: setenv and unsetenv may move `environ` under a loop over it.
    const auto now = currentEnvironment();
    bool zoneChanged = false;
    for (const auto& [name, value] : now) {
        if (environment_.count(name)) continue;
        unsetenv(name.c_str());
        zoneChanged = zoneChanged || name == "TZ";
    }
    for (const auto& [name, value] : environment_) {
        const auto found = now.find(name);
        if (found != now.end() && found->second == value) continue;
        setenv(name.c_str(), value.c_str(), 1);
        zoneChanged = zoneChanged || name == "TZ";
    }
    if (zoneChanged) tzset();
    platform::BackendSlots::restoreForTesting(backends_);
    // Put back only where changed: a straggler of the test on a worker may still be reading them.
    if (platform::ui::TextMeasurer::installed() != textMeasurer_)
        platform::ui::TextMeasurer::install(textMeasurer_);
    if (platform::ui::Renderer::installed() != renderer_) platform::ui::Renderer::install(renderer_);
    if (platform::ui::TextLanguage::current() != textLanguage_)
        platform::ui::TextLanguage::set(textLanguage_);
}

void restoreProcessStateAfterEachTest() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateRestorer);
}

std::vector<std::string> childEnvironment(const std::vector<std::string>& leftOut,
                                          const std::vector<std::string>& added) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        // The file by which ctest's runner (tests/test_runner.cpp) knows that this program's run ended: a
        // test program started here would make and remove it at its own end.
        bool kept = variable.rfind("TEST_PREMATURE_EXIT_FILE=", 0) != 0;
        for (const auto& prefix : leftOut) kept = kept && variable.rfind(prefix, 0) != 0;
        if (kept) variables.push_back(variable);
    }
    variables.insert(variables.end(), added.begin(), added.end());
    return variables;
}

}  // namespace testsupport
