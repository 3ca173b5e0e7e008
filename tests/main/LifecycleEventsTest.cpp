// The built application, launched normally in a home of its own and quit with a signal once its settings
// window is in front: the analytics kit's event log, the packages its flushes made included, tells that
// the application became active and that it terminated, also when the reader of its log went away first.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/storage/Files.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"

namespace {

#ifdef KESTRUNE_PROGRAM_PATH

class LifecycleEventsTest : public testsupport::KestruneTest {};

// The event names of every record the events folder holds: the current log, compressed logs and
// packages, each read as the service would read it. Those of logs already rotated are also in `flushed`.
std::vector<std::string> recordedEvents(const std::string& folder, std::vector<std::string>& flushed,
                                        std::vector<std::string>& unreadable) {
    std::vector<std::string> names;
    for (const auto& file : platform::Files::listDirectory(folder)) {
        const std::string text = usktest::readText(folder + "/" + file);
        std::optional<usktest::ParsedLog> log;
        if (file.ends_with(".log")) {
            log = usktest::parseLog(text);
        } else if (file.ends_with(".gz")) {
            if (auto plain = usktest::gunzip(text)) log = usktest::parseLog(*plain);
        } else if (file.ends_with(".multipartmime")) {
            const std::string boundary = file.substr(0, file.size() - std::string(".multipartmime").size());
            if (auto package = usktest::readPackage(text, boundary)) log = package->log;
        }
        if (!log || log->malformed) {
            unreadable.push_back(file);
            continue;
        }
        for (const auto& line : log->lines) {
            names.push_back(line.type);
            if (!file.ends_with(".log")) flushed.push_back(line.type);
        }
    }
    return names;
}

// A normal launch in a home of its own under the test's: its environment and the folder it runs in.
struct Launch {
    std::string user, work;
    std::vector<std::string> environment;

    explicit Launch(const std::string& base) : user(base + "/user"), work(base + "/work") {
        const std::string temporary = base + "/tmp";
        for (const auto& folder : {user, temporary, work}) platform::Files::createDirectories(folder);
        environment = testsupport::childEnvironment(
            {"HOME=", "XDG_", "TMPDIR=", "KESTRUNE_LOG_DEBUG="},
            {"HOME=" + user, "XDG_RUNTIME_DIR=" + user + "/.run", "TMPDIR=" + temporary});
    }
    // What the analytics kit recorded, each event's name, and what of it was flushed.
    std::vector<std::string> events(std::vector<std::string>& flushed) const {
        std::vector<std::string> unreadable;
        const auto names =
            recordedEvents(user + "/.cache/com.reportkit.data/com.kestrune.Kestrune/analytics/v2/events",
                           flushed, unreadable);
        EXPECT_EQ(unreadable, std::vector<std::string>{});
        return names;
    }
};

// Quit as the desktop asks (SIGTERM) or as its terminal closes (SIGHUP), the application goes through its
// whole quit before the signal ends it. Its log says what it did, but not each analytics event, which
// the kit says only in its debug mode.
TEST_F(LifecycleEventsTest, ANormalLaunchQuitBySignalRecordsBecomingActiveAndTerminating) {
    for (int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sigabbrev_np(signal));
        const Launch launch(home() + "/" + sigabbrev_np(signal));
        // A first launch opens the settings window, which brings the application to the front.
        const auto run = testsupport::runProgram({KESTRUNE_PROGRAM_PATH}, launch.environment, launch.work,
                                                 "Outcome: the settings window is shown", signal);
        ASSERT_EQ(run.signal, signal) << run.err;
        ASSERT_NE(run.err.find("Received signal " + std::to_string(signal)), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Kestrune quit"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("analytics event"), std::string::npos) << run.err;

        std::vector<std::string> flushed;
        const auto names = launch.events(flushed);
        auto count = [&names](const std::string& name) {
            return std::count(names.begin(), names.end(), name);
        };
        EXPECT_EQ(count("app_launched"), 1) << ::testing::PrintToString(names);
        EXPECT_EQ(count("app_became_active"), 1) << ::testing::PrintToString(names);
        EXPECT_EQ(count("app_terminated"), 1) << ::testing::PrintToString(names);
        // Becoming active rotated the log, small as it was: its record is in a log on its way to the
        // service.
        EXPECT_EQ(std::count(flushed.begin(), flushed.end(), "app_became_active"), 1)
            << ::testing::PrintToString(flushed);
    }
}

// Its log piped into a filter (`kestrune 2>&1 | grep ...`) that Ctrl-C ends first: the log's reader is
// gone when the quit begins. The quit still runs whole and the process ends by the signal that asked for
// it, not by the closed pipe.
TEST_F(LifecycleEventsTest, ALaunchWhoseLogReaderWentAwayStillQuitsWholeBySignal) {
    const Launch launch(home() + "/reader-gone");
    testsupport::ProgramStop readerGone{"Outcome: the settings window is shown", SIGPIPE};
    readerGone.closes = STDERR_FILENO;
    const auto run =
        testsupport::runProgram({KESTRUNE_PROGRAM_PATH}, launch.environment, launch.work,
                                std::vector<testsupport::ProgramStop>{readerGone, {"", SIGTERM}});
    EXPECT_EQ(run.signal, SIGTERM) << run.err;
    std::vector<std::string> flushed;
    const auto names = launch.events(flushed);
    EXPECT_EQ(std::count(names.begin(), names.end(), "app_terminated"), 1) << ::testing::PrintToString(names);
}

// With the kits' debug argument, on a plain launch or with a scenario, the kits say what they say only in
// their debug mode: the analytics kit's start and each event it records, on standard error for a launch,
// in the scenario's log file for a scenario.
TEST_F(LifecycleEventsTest, WithTheKitsDebugArgumentTheirDebugLinesJoinTheLog) {
    const Launch launch(home() + "/debug");
    const auto run =
        testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "-NMBDebugEnabled"}, launch.environment, launch.work,
                                "Outcome: analytics event \"app_launched\" recorded");
    EXPECT_EQ(run.signal, SIGTERM) << run.err;
    EXPECT_NE(run.err.find("] [UsageKit] Initialized\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("] Outcome: analytics event \"app_launched\" recorded"), std::string::npos)
        << run.err;

    const auto scenario = testsupport::runProgram(
        {KESTRUNE_PROGRAM_PATH, "-NMBDebugEnabled", "YES", "--scenario", "wrong-password"},
        launch.environment, launch.work, "analytics event \"app_launched\" recorded");
    EXPECT_EQ(scenario.signal, SIGTERM) << scenario.err;
    // "... in a home of its own (...): HOME", the closing lines' last.
    const size_t named = scenario.out.rfind(": /");
    ASSERT_NE(named, std::string::npos) << scenario.out;
    const std::string scenarioHome =
        scenario.out.substr(named + 2, scenario.out.find('\n', named) - named - 2);
    const std::string log =
        usktest::readText(scenarioHome + "/.local/state/Kestrune/scenario-wrong-password.log");
    EXPECT_NE(log.find(" [UsageKit] Initialized\n"), std::string::npos) << log;
    platform::Files::remove(scenarioHome);
}

#endif

}  // namespace
