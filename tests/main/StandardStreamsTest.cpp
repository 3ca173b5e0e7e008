// The built program with its standard streams as launchers leave them: closed (`>&-`, `2>&-`), so that
// the files it opens could take their descriptors, and on a full disk (`>/dev/full`), where what it
// prints cannot be written. Nothing meant for the terminal may land in a file of its own, and output that
// could not be written is said, with a failed status.

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "platform/storage/Files.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"

namespace {

#ifdef KESTRUNE_PROGRAM_PATH

namespace fs = std::filesystem;
using testsupport::ProgramStream;

// The kits' files of a launch in a home, below its caches folder.
const std::string kKitData = "/.cache/com.reportkit.data/com.kestrune.Kestrune";
const std::string kAnalytics = kKitData + "/analytics/v2";

class StandardStreamsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        user_ = home() + "/user";
        temporary_ = home() + "/tmp";
        work_ = home() + "/work";
        for (const auto& folder : {user_, temporary_, work_})
            ASSERT_TRUE(platform::Files::createDirectories(folder));
    }

    std::vector<std::string> environment() const {
        return testsupport::childEnvironment(
            {"HOME=", "XDG_", "TMPDIR=", "KESTRUNE_LOG_DEBUG="},
            {"HOME=" + user_, "XDG_RUNTIME_DIR=" + user_ + "/.run", "TMPDIR=" + temporary_});
    }

    // The one home a scenario kept in the temporary folder, empty when there is none.
    std::string scenarioHome() const {
        const auto kept = platform::Files::listDirectory(temporary_);
        return kept.size() == 1 ? temporary_ + "/" + kept[0] : "";
    }

    std::string user_, temporary_, work_;
};

// Every file under the folder that holds a line of the log as it goes to standard error ("2026-12-07
// 15:14:49.123 kestrune[PID:THREAD] ..."), with that line.
std::vector<std::string> filesWithLogLines(const std::string& folder) {
    static const std::regex logLine(R"([0-9:. -]{23} kestrune\[[0-9]+:[0-9]+\] [^\n]*)");
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::end(it);
         it.increment(error)) {
        if (!it->is_regular_file()) continue;
        const auto data = platform::Files::read(it->path().string());
        if (!data) continue;
        const std::string text = data->toString();
        std::smatch line;
        if (std::regex_search(text, line, logLine)) found.push_back(it->path().string() + ": " + line.str());
    }
    return found;
}

// What the program itself said on its error stream: without the notes a sanitized build's runtime adds
// ("Sanitizer: pre-allocated stack size is insufficient..." under the thread checker).
std::string withoutSanitizerNotes(const std::string& err) {
    std::string kept;
    for (size_t at = 0; at < err.size();) {
        const size_t end = std::min(err.find('\n', at), err.size() - 1) + 1;
        if (err.compare(at, 11, "Sanitizer: ") != 0) kept += err.substr(at, end - at);
        at = end;
    }
    return kept;
}

// The analytics kit's record of the run for the next launch, still the JSON it wrote.
void expectCrashMetadataIsJson(const std::string& home) {
    const auto data = platform::Files::read(home + kAnalytics + "/crash_metadata");
    ASSERT_TRUE(data) << "no crash_metadata in " << home;
    EXPECT_FALSE(nlohmann::json::parse(data->toString(), nullptr, false).is_discarded()) << data->toString();
}

// A plain launch without standard error, or without both output streams: the log has nowhere to go and is
// dropped, and the crash kit's own log and the analytics kit's records stay theirs. Quit once the kits
// have started (the analytics kit's record for the next launch is written), it quits whole, logging as it
// goes, and ends by the signal.
TEST_F(StandardStreamsTest, APlainLaunchWithItsStreamsClosedWritesItsLogIntoNoFile) {
    struct Case {
        const char* name;
        ProgramStream out;
    };
    for (const Case& each : {Case{"2>&-", {}}, Case{">&- 2>&-", ProgramStream::closed()}}) {
        SCOPED_TRACE(each.name);
        platform::Files::remove(user_);
        ASSERT_TRUE(platform::Files::createDirectories(user_));
        const auto quit =
            testsupport::ProgramStop::whenFileHolds(user_ + kAnalytics + "/crash_metadata", "", SIGTERM);
        const auto run = testsupport::runProgram({KESTRUNE_PROGRAM_PATH}, environment(), work_, {quit},
                                                 each.out, ProgramStream::closed());
        EXPECT_EQ(run.signal, SIGTERM) << run.out;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(filesWithLogLines(user_), std::vector<std::string>{});
        expectCrashMetadataIsJson(user_);
    }
}

// A scenario without standard output plays to its end as ever: its timeline is dropped, not written into
// the scenario's own log, which holds the application's log alone. Its closing lines, which name the log
// and the home it keeps, go to standard error instead.
TEST_F(StandardStreamsTest, AScenarioWithItsOutputClosedKeepsItsTimelineOutOfItsLog) {
    const auto run = testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
                                             environment(), work_, {}, ProgramStream::closed());
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string home = scenarioHome();
    ASSERT_FALSE(home.empty());
    EXPECT_NE(run.err.find("The application's log of this run: " + home +
                           "/.local/state/Kestrune/scenario-wrong-password.log\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(
        run.err.find("in a home of its own (yours are not touched; remove it when done): " + home + "\n"),
        std::string::npos)
        << run.err;
    const auto log = platform::Files::read(home + "/.local/state/Kestrune/scenario-wrong-password.log");
    ASSERT_TRUE(log);
    const std::string text = log->toString();
    EXPECT_NE(text.find("Scenario \"wrong-password\": a scripted phone"), std::string::npos) << text;
    for (const char* timeline :
         {"   time  who    what", "  end    as expected", "The application's log of this run"})
        EXPECT_EQ(text.find(timeline), std::string::npos) << timeline;
    EXPECT_EQ(filesWithLogLines(home), std::vector<std::string>{});
    expectCrashMetadataIsJson(home);
}

// On a full disk a scenario's timeline cannot be written: the run stops at once, one line on standard
// error says why and where its home is, which stays with the log that tells what happened, and the
// status says it failed. A run that cannot print its help, its list or the pictures' summary fails the
// same way; the pictures' home still goes.
TEST_F(StandardStreamsTest, OnAFullDiskTheRunsSayWhatTheyCouldNotWriteAndFail) {
    const auto full = ProgramStream::file("/dev/full");
    const auto scenario = testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
                                                  environment(), work_, {}, full);
    EXPECT_EQ(scenario.status, 1) << scenario.err;
    const std::string home = scenarioHome();
    ASSERT_FALSE(home.empty()) << "the scenario's home was not kept";
    EXPECT_EQ(withoutSanitizerNotes(scenario.err),
              "kestrune: cannot write the timeline to standard output: No space left on device; the "
              "scenario's log, settings and data are kept in " +
                  home + "\n");
    const auto log = platform::Files::read(home + "/.local/state/Kestrune/scenario-wrong-password.log");
    ASSERT_TRUE(log);
    EXPECT_NE(log->toString().find("Scenario: its timeline could not be written: No space left on device"),
              std::string::npos);

    for (const auto& [option, what] :
         {std::pair<std::string, std::string>{"--help", "the help"}, {"--list", "the scenarios' list"}}) {
        SCOPED_TRACE(option);
        const auto run =
            testsupport::runProgram({KESTRUNE_PROGRAM_PATH, option}, environment(), work_, {}, full);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(withoutSanitizerNotes(run.err),
                  "kestrune: cannot write " + what + " to standard output: No space left on device\n");
    }

    platform::Files::remove(home);
    const auto pictures =
        testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--snapshot", "pictures", "settings-advanced"},
                                environment(), work_, {}, full);
    EXPECT_EQ(pictures.status, 1);
    EXPECT_EQ(
        withoutSanitizerNotes(pictures.err)
            .rfind(
                "kestrune: cannot write the pictures' summary to standard output: No space left on device\n",
                0),
        0u)
        << pictures.err;
    EXPECT_TRUE(platform::Files::isRegularFile(work_ + "/pictures/settings-advanced.png"));
    EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
}

// Without standard error either, whether its output was closed too or is a full disk, nothing could name
// the scenario's home: it goes at exit, as when its reader went away, and nothing is left in the
// temporary folder.
TEST_F(StandardStreamsTest, AScenarioWhoseHomeNothingCouldNameLeavesNone) {
    struct Case {
        const char* name;
        ProgramStream out;
        int status;
    };
    for (const Case& each : {Case{">&- 2>&-", ProgramStream::closed(), 0},
                             Case{">/dev/full 2>&-", ProgramStream::file("/dev/full"), 1}}) {
        SCOPED_TRACE(each.name);
        const auto run = testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
                                                 environment(), work_, {}, each.out, ProgramStream::closed());
        EXPECT_EQ(run.status, each.status);
        EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
    }
}

// Under a parent that ignores SIGPIPE (a service manager, a shell's `trap '' PIPE`), output whose reader
// is gone is still a stop as by SIGPIPE, not output that could not be written: the help says nothing on
// standard error and exits with SIGPIPE's status, but does not end by the signal its parent ignored.
TEST_F(StandardStreamsTest, UnderAParentIgnoringSigpipeTheHelpStopsQuietlyAtAClosedPipe) {
    // A pipe whose only reader is closed before the program starts: opened both ways first, so that
    // opening its writing end does not wait for a reader.
    const std::string pipe = home() + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const auto run = testsupport::runProgram(
        {"/bin/sh", "-c", "trap '' PIPE; exec 3<>\"$0\" 4>\"$0\" 3<&-; exec \"$@\" >&4 4>&-", pipe,
         KESTRUNE_PROGRAM_PATH, "--help"},
        environment(), work_);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 128 + SIGPIPE);
    EXPECT_EQ(withoutSanitizerNotes(run.err), "");
}

#endif

}  // namespace
