// A scenario and the pictures, run as the program: they play in a home of their own in the temporary
// folder, and the user's home, as a normal launch left it with a paired phone and photos added, does not
// change by a byte. When no home of their own can be made they stop at once, saying why in one line.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/support/Utilities.h"
#include "link/transport/LeDataManager.h"
#include "platform/storage/Files.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/storage/UserDefaults.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;

class ThrowawayFolderTest : public testsupport::KestruneTest {};

TEST_F(ThrowawayFolderTest, IsPrivateAndNewEachTimeOrSaysWhyNot) {
    const auto first = platform::ThrowawayHome::makeFolder(home(), "kestrune-snapshot");
    const auto second = platform::ThrowawayHome::makeFolder(home(), "kestrune-snapshot");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first->rfind(home() + "/kestrune-snapshot-", 0), 0u);
    struct stat info {};
    ASSERT_EQ(stat(first->c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    std::string problem;
    EXPECT_FALSE(platform::ThrowawayHome::makeFolder(home() + "/missing", "kestrune-snapshot", &problem));
    EXPECT_NE(problem.find(home() + "/missing"), std::string::npos) << problem;
    ASSERT_TRUE(platform::Files::writeAtomically(home() + "/file", platform::Data::fromString("x")));
    problem.clear();
    EXPECT_FALSE(platform::ThrowawayHome::makeFolder(home() + "/file", "kestrune-snapshot", &problem));
    EXPECT_FALSE(problem.empty());
}

#ifdef KESTRUNE_PROGRAM_PATH

// Everything under the folder: each entry's kind and mode, a file's whole content, a link's target.
std::map<std::string, std::string> contentsOf(const std::string& folder) {
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::end(it);
         it.increment(error)) {
        const std::string path = it->path().string();
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) continue;
        std::string what = std::to_string(info.st_mode) + " ";
        if (S_ISREG(info.st_mode)) {
            auto data = platform::Files::read(path);
            what += data ? data->toString() : "(unreadable)";
        } else if (S_ISLNK(info.st_mode)) {
            what += fs::read_symlink(path, error).string();
        }
        entries[path.substr(folder.size())] = what;
    }
    return entries;
}

// The entries that were added, removed or changed.
std::vector<std::string> differences(const std::map<std::string, std::string>& before,
                                     const std::map<std::string, std::string>& after) {
    std::vector<std::string> changed;
    for (const auto& [path, what] : before) {
        auto found = after.find(path);
        if (found == after.end())
            changed.push_back("removed " + path);
        else if (found->second != what)
            changed.push_back("changed " + path);
    }
    for (const auto& [path, what] : after)
        if (!before.count(path)) changed.push_back("added " + path);
    return changed;
}

// Starts the program on a terminal of its own (a pseudo-terminal, its controlling one, as a terminal
// window gives it), reads what it shows there, and closes the terminal once it has shown `words`, as when
// its window is closed. Answers how the program ended (waitpid's status), -1 when it did not end within
// two minutes and was killed.
int runOnATerminalClosedOnceItSays(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment, const std::string& folder,
                                   const std::string& words, std::string& shown) {
    std::vector<std::string> argumentTexts = arguments, environmentTexts = environment;
    std::vector<char*> argv, envp;
    for (auto& argument : argumentTexts) argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (auto& variable : environmentTexts) envp.push_back(variable.data());
    envp.push_back(nullptr);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) return -1;
    if (pid == 0) {
        // As a terminal's shell starts a program: no signal blocked, the stop signals at their default.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(signal, SIG_DFL);
        if (chdir(folder.c_str()) == 0) execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    fcntl(terminal, F_SETFD, FD_CLOEXEC);
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    auto msLeft = [&] {
        return static_cast<int>(std::max<long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                      deadline - std::chrono::steady_clock::now())
                                                      .count()));
    };
    while (terminal >= 0 && msLeft() > 0) {
        pollfd polled{terminal, POLLIN, 0};
        if (poll(&polled, 1, msLeft()) <= 0) break;
        char buffer[4096];
        const ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got > 0) shown.append(buffer, static_cast<size_t>(got));
        if (got <= 0 || shown.find(words) != std::string::npos) {
            close(terminal);
            terminal = -1;
        }
    }
    if (terminal >= 0) close(terminal);
    pollfd exited{ended, POLLIN, 0};
    if (ended < 0 || poll(&exited, 1, msLeft()) <= 0) kill(pid, SIGKILL);
    if (ended >= 0) close(ended);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? -1 : status;
}

// The user's home as a normal launch of the program left it, then with a paired phone in the settings
// and photos in the photo folders, as the application keeps them.
class HomeOfItsOwnTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        user_ = home() + "/user";
        temporary_ = home() + "/tmp";
        work_ = home() + "/work";
        for (const auto& folder : {user_, temporary_, work_})
            ASSERT_TRUE(platform::Files::createDirectories(folder));
        const auto launched =
            testsupport::runProgram({KESTRUNE_PROGRAM_PATH}, userEnvironment(), work_, "BLE turned on!");
        ASSERT_EQ(launched.signal, SIGTERM) << launched.err;

        // What the application would have added since: the phone it paired and the photos it took.
        setenv("HOME", user_.c_str(), 1);
        for (const char* variable :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_DOCUMENTS_DIR"})
            unsetenv(variable);
        platform::UserDefaults::resetAllForTesting();
        kestrune::LeDataManager().addSavedDevice("5B1E2F4A-8C3D-4E6F-9A0B-1C2D3E4F5A6B");
        for (const auto& folder : kestrune::Utilities::photoFolderPaths())
            ASSERT_TRUE(platform::Files::writeAtomically(folder + "/2026-12-07 15:14:49.png",
                                                         platform::Data::fromString("a photo"), 0600));
        before_ = contentsOf(user_);
        bool paired = false, tracker = false, photo = false;
        for (const auto& [path, what] : before_) {
            paired = paired || (path.find("/.config/Kestrune/") == 0 &&
                                what.find("StoredDevices") != std::string::npos);
            tracker = tracker || path.find("Login Tracker") != std::string::npos;
            photo = photo || path.find("MugShots/2026-12-07") != std::string::npos;
        }
        ASSERT_TRUE(paired && tracker && photo) << "not the home a launch leaves";
    }

    std::vector<std::string> userEnvironment(const std::string& temporary = "") const {
        return testsupport::childEnvironment({"HOME=", "XDG_", "TMPDIR=", "KESTRUNE_LOG_DEBUG="},
                                             {"HOME=" + user_, "XDG_RUNTIME_DIR=" + user_ + "/.run",
                                              "TMPDIR=" + (temporary.empty() ? temporary_ : temporary)});
    }

    void expectTheHomeUntouched() const {
        EXPECT_EQ(differences(before_, contentsOf(user_)), std::vector<std::string>{});
    }

    std::string user_, temporary_, work_;
    std::map<std::string, std::string> before_;
};

// The scenario with the fewest steps: about 7 s in real time.
TEST_F(HomeOfItsOwnTest, AScenarioAndThePicturesLeaveTheUsersHomeAsItWas) {
    const auto scenario = testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
                                                  userEnvironment(), work_);
    EXPECT_EQ(scenario.status, 0) << scenario.out << scenario.err;
    EXPECT_NE(scenario.out.find("end    as expected"), std::string::npos) << scenario.out;
    expectTheHomeUntouched();
    // Its home stays in the temporary folder, named at the end, with the log it names in it.
    const auto kept = platform::Files::listDirectory(temporary_);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].rfind("kestrune-scenario-wrong-password-", 0), 0u);
    const std::string scenarioHome = temporary_ + "/" + kept[0];
    const std::string log = scenarioHome + "/.local/state/Kestrune/scenario-wrong-password.log";
    EXPECT_NE(scenario.out.find("The application's log of this run: " + log + "\n"), std::string::npos)
        << scenario.out;
    EXPECT_NE(scenario.out.find(": " + scenarioHome + "\n"), std::string::npos) << scenario.out;
    EXPECT_TRUE(platform::Files::isRegularFile(log));
    EXPECT_TRUE(platform::Files::exists(scenarioHome + "/.config/Kestrune/CleanRun.plist"));
    platform::Files::remove(scenarioHome);

    // The pictures, into a folder named relative to where the program runs: their home goes with them.
    const auto pictures = testsupport::runProgram(
        {KESTRUNE_PROGRAM_PATH, "--snapshot", "pictures", "settings-devices-connected", "photo-window"},
        userEnvironment(), work_);
    EXPECT_EQ(pictures.status, 0) << pictures.err;
    EXPECT_EQ(pictures.out, "2 scenes drawn in pictures\n");
    EXPECT_TRUE(platform::Files::isRegularFile(work_ + "/pictures/settings-devices-connected.png"));
    EXPECT_TRUE(platform::Files::isRegularFile(work_ + "/pictures/photo-window.png"));
    EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
    expectTheHomeUntouched();
}

// Stopped by a signal part of the way (Ctrl-C, its terminal closed, SIGTERM), a scenario still ends its
// timeline and names the home it keeps, and the pictures still remove theirs; then each ends by the
// signal, as the shell expects of a program the signal stopped.
TEST_F(HomeOfItsOwnTest, StoppedByASignalTheyEndAsTheyShouldAndLeaveTheUsersHomeAsItWas) {
    for (int signal : {SIGINT, SIGHUP}) {
        const std::string name = std::string("SIG") + sigabbrev_np(signal);
        SCOPED_TRACE(name);
        // Once the timeline's heading is out, the scenario is playing.
        const auto scenario =
            testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
                                    userEnvironment(), work_, "   time  who    what\n", signal);
        EXPECT_EQ(scenario.signal, signal) << scenario.out << scenario.err;
        const auto kept = platform::Files::listDirectory(temporary_);
        ASSERT_EQ(kept.size(), 1u);
        const std::string scenarioHome = temporary_ + "/" + kept[0];
        const std::string log = scenarioHome + "/.local/state/Kestrune/scenario-wrong-password.log";
        const size_t end = scenario.out.find("end    stopped by " + name + " before it was over\n");
        EXPECT_NE(end, std::string::npos) << scenario.out;
        // Its only end.
        EXPECT_EQ(scenario.out.find("  end    ", end + 1), std::string::npos) << scenario.out;
        EXPECT_EQ(scenario.out.rfind("  end    ", end), end - 2) << scenario.out;
        // The closing lines come after it, the home's last.
        EXPECT_NE(scenario.out.find("The application's log of this run: " + log + "\n", end),
                  std::string::npos)
            << scenario.out;
        const std::string lastLine = ": " + scenarioHome + "\n";
        EXPECT_EQ(scenario.out.rfind(lastLine), scenario.out.size() - lastLine.size()) << scenario.out;
        EXPECT_TRUE(platform::Files::isRegularFile(log));
        platform::Files::remove(scenarioHome);
    }

    // The pictures stop after a scene or two of all of them: the debug switch has each written file said
    // as it comes.
    auto environment = userEnvironment();
    environment.push_back("KESTRUNE_LOG_DEBUG=1");
    for (int signal : {SIGTERM, SIGHUP}) {
        const std::string name = std::string("SIG") + sigabbrev_np(signal);
        SCOPED_TRACE(name);
        platform::Files::remove(work_ + "/pictures");
        const auto pictures = testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--snapshot", "pictures"},
                                                      environment, work_, "Snapshot: pictures/", signal);
        EXPECT_EQ(pictures.signal, signal) << pictures.out << pictures.err;
        // "N scenes drawn in pictures; stopped by SIG... before the other M", N the pictures written.
        size_t drawn = 0, left = 0;
        char unit[16] = "";
        ASSERT_EQ(std::sscanf(
                      pictures.out.c_str(),
                      ("%zu %15s drawn in pictures; stopped by " + name + " before the other %zu\n").c_str(),
                      &drawn, unit, &left),
                  3)
            << pictures.out;
        EXPECT_GE(drawn, 1u);
        EXPECT_GT(left, 0u);
        EXPECT_EQ(platform::Files::listDirectory(work_ + "/pictures").size(), drawn);
        EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
    }
    expectTheHomeUntouched();
}

// Their output closed early (`| head -3`, a pager quit): they stop as if by a signal, SIGPIPE. Nothing can
// name a home then, so the scenario's goes as the pictures' does, and nothing is left in the temporary
// folder.
TEST_F(HomeOfItsOwnTest, WithTheirOutputClosedTheyStopAndLeaveNothingBehind) {
    const auto scenario =
        testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"}, userEnvironment(),
                                work_, "   time  who    what\n", SIGPIPE);
    EXPECT_EQ(scenario.signal, SIGPIPE) << scenario.out << scenario.err;
    EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});

    auto environment = userEnvironment();
    environment.push_back("KESTRUNE_LOG_DEBUG=1");
    const auto pictures = testsupport::runProgram({KESTRUNE_PROGRAM_PATH, "--snapshot", "pictures"},
                                                  environment, work_, "Snapshot: pictures/", SIGPIPE);
    EXPECT_EQ(pictures.signal, SIGPIPE) << pictures.err;
    EXPECT_NE(pictures.err.find("The output was closed"), std::string::npos) << pictures.err;
    EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
    expectTheHomeUntouched();
}

// Its terminal closed part of the way (its window closed, a remote session that dropped): the timeline's
// writes fail (EIO, not a closed pipe) and the terminal hangs up. Its error stream is the same dead
// terminal, so nothing can name its home: the home goes, and the scenario ends by SIGHUP.
TEST_F(HomeOfItsOwnTest, AScenarioWhoseTerminalClosesLeavesNothingBehind) {
    std::string shown;
    const int status =
        runOnATerminalClosedOnceItSays({KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
                                       userEnvironment(), work_, "   time  who    what", shown);
    ASSERT_NE(shown.find("   time  who    what"), std::string::npos) << shown;
    ASSERT_NE(status, -1) << "still running two minutes after its terminal closed";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "status " << status;
    EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
    expectTheHomeUntouched();
}

// Started with SIGINT ignored, as a script's background job is, a scenario leaves it ignored: a SIGINT
// does not stop it, and SIGTERM still does.
TEST_F(HomeOfItsOwnTest, AScenarioStartedWithSigintIgnoredPlaysOnThroughIt) {
    const auto scenario = testsupport::runProgram(
        {"/bin/sh", "-c", "trap '' INT; exec \"$0\" \"$@\"", KESTRUNE_PROGRAM_PATH, "--scenario",
         "wrong-password"},
        userEnvironment(), work_,
        {{"   time  who    what\n", SIGINT}, {"Ada's iPhone lies on the desk", SIGTERM}});
    EXPECT_EQ(scenario.signal, SIGTERM) << scenario.out << scenario.err;
    EXPECT_NE(scenario.out.find("end    stopped by SIGTERM before it was over\n"), std::string::npos)
        << scenario.out;
    EXPECT_EQ(scenario.out.find("SIGINT"), std::string::npos) << scenario.out;
    const auto kept = platform::Files::listDirectory(temporary_);
    ASSERT_EQ(kept.size(), 1u);
    platform::Files::remove(temporary_ + "/" + kept[0]);
    expectTheHomeUntouched();
}

// A temporary folder that is missing, or is a file: nothing starts, nothing is drawn or written.
TEST_F(HomeOfItsOwnTest, WithoutAHomeOfTheirOwnNeitherStarts) {
    ASSERT_TRUE(platform::Files::writeAtomically(home() + "/a-file", platform::Data::fromString("x")));
    for (const std::string& unusable : {home() + "/missing", home() + "/a-file"}) {
        SCOPED_TRACE(unusable);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{KESTRUNE_PROGRAM_PATH, "--scenario", "wrong-password"},
              std::vector<std::string>{KESTRUNE_PROGRAM_PATH, "--snapshot", "pictures",
                                       "settings-advanced"}}) {
            const auto run = testsupport::runProgram(command, userEnvironment(unusable), work_);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.out, "");
            // One line, saying where the home could not be made.
            EXPECT_EQ(run.err.rfind("kestrune: no home of ", 0), 0u) << run.err;
            EXPECT_NE(run.err.find(unusable), std::string::npos) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
    }
    EXPECT_FALSE(platform::Files::exists(work_ + "/pictures"));
    EXPECT_EQ(platform::Files::listDirectory(temporary_), std::vector<std::string>{});
    expectTheHomeUntouched();
}

#endif

}  // namespace
