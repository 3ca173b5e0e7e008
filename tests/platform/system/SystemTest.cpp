#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/Shell.h"
#include "platform/system/SystemVersion.h"
#include "tests/support/TestEnvironment.h"

using namespace platform;

class SystemTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        SystemVersion::setOverride(std::nullopt);
        Bundle::main().setLocalizationFolder(std::nullopt);
        unsetenv("KESTRUNE_BUNDLE_PATH");
        Bundle::main().reload();
        KestruneTest::TearDown();
    }
};

TEST_F(SystemTest, ShellRunsWithArgumentsAsAList) {
    auto result = Shell::run(
        "/bin/sh", {"-c", "printf '%s|' \"$@\"; echo err >&2; exit 3", "sh", "a b", "$HOME", "'q'"});
    ASSERT_TRUE(result.launched);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.output, "a b|$HOME|'q'|");
    EXPECT_EQ(result.errorOutput, "err\n");
}

TEST_F(SystemTest, ShellFeedsInputAndDrainsLargeOutput) {
    std::string input(200000, 'x');
    auto result = Shell::run("/bin/cat", {}, input);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output.size(), input.size());
}

TEST_F(SystemTest, ShellReportsAProgramThatCannotStart) {
    testsupport::LogCapture log;
    auto result = Shell::run("/no/such/program", {});
    EXPECT_FALSE(result.launched);
    EXPECT_TRUE(log.contains("could not start /no/such/program"));
    EXPECT_EQ(Shell::run("/bin/sh", {"-c", "kill -TERM $$"}).exitStatus, 128 + 15);
}

// What the application starts must stop as a program started afresh would, whatever the application does
// with those signals itself: it blocks SIGINT, SIGTERM and SIGHUP on its threads (a thread of its own
// takes them) and ignores SIGPIPE. Only a SIGINT or SIGHUP that the process was started with ignored (a
// script's background job, nohup) stays ignored in its programs; one ignored later does not.
class ShellSignalsTest : public SystemTest {
protected:
    void SetUp() override {
        SystemTest::SetUp();
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, signal);
        ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &stops, &previousMask_), 0);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            ASSERT_EQ(sigaction(signal, nullptr, &previous_[signal]), 0);
        ignore(SIGINT);
        ignore(SIGPIPE);
    }
    void TearDown() override {
        sigset_t none;
        sigemptyset(&none);
        Shell::setSignalsIgnoredAtStart(none);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaction(signal, &previous_[signal], nullptr);
        pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
        SystemTest::TearDown();
    }
    static void ignore(int signal) {
        struct sigaction ignored {};
        ignored.sa_handler = SIG_IGN;
        sigemptyset(&ignored.sa_mask);
        ASSERT_EQ(sigaction(signal, &ignored, nullptr), 0);
    }

    sigset_t previousMask_;
    struct sigaction previous_[NSIG] = {};
};

// Whether the signal is in a mask of a /proc status text ("SigBlk:\t0000000000014003"), by the mask's
// name. A text without the mask counts as holding every signal.
bool inMask(const std::string& status, const std::string& mask, int signal) {
    const size_t at = status.find("\n" + mask + ":\t");
    if (at == std::string::npos) return true;
    const uint64_t bits = std::stoull(status.substr(at + mask.size() + 3, 16), nullptr, 16);
    return bits & (uint64_t{1} << (signal - 1));
}

// None of the stop signals blocked; those named ignored, the others at their default action.
void expectStartedWith(const std::string& status, std::initializer_list<int> ignored = {}) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(sigabbrev_np(signal));
        EXPECT_FALSE(inMask(status, "SigBlk", signal));
        EXPECT_EQ(inMask(status, "SigIgn", signal),
                  std::find(ignored.begin(), ignored.end(), signal) != ignored.end());
    }
}

// The status of a program started to outlive the application, which is not waited for: one that waits
// until it is stopped is read while it waits, then stopped. It must be the test's only child.
std::string statusOfDetachedProgram() {
    if (!Shell::launchDetached("/bin/sleep", {"600"})) return "";
    pid_t child = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(")") == std::string::npos) continue;
        // "PID (NAME) STATE PPID ...": the name may hold spaces and brackets, so it is read from its end.
        std::istringstream after(line.substr(line.rfind(")") + 1));
        std::string state;
        pid_t parent = 0;
        if (after >> state >> parent && parent == getpid()) child = std::stoi(entry.path().filename());
    }
    if (child <= 0) return "";
    std::ifstream file("/proc/" + std::to_string(child) + "/status");
    const std::string status((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return status;
}

// The status a program reads of itself: no shell between, since a shell clears its signal mask.
TEST_F(ShellSignalsTest, ProgramsRunStartAsNew) {
    const auto started = Shell::run("/bin/cat", {"/proc/self/status"});
    ASSERT_TRUE(started.launched);
    expectStartedWith(started.output);
}

TEST_F(ShellSignalsTest, DetachedProgramsStartAsNew) {
    const std::string status = statusOfDetachedProgram();
    ASSERT_FALSE(status.empty()) << "no detached program found";
    expectStartedWith(status);
}

// Every stop signal ignored at the process's start: its programs keep SIGINT and SIGHUP ignored, while
// SIGTERM and SIGPIPE start at their default action.
TEST_F(ShellSignalsTest, ProgramsKeepAnInterruptOrHangUpIgnoredAtStart) {
    sigset_t atStart;
    sigemptyset(&atStart);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        ignore(signal);
        sigaddset(&atStart, signal);
    }
    Shell::setSignalsIgnoredAtStart(atStart);
    const auto started = Shell::run("/bin/cat", {"/proc/self/status"});
    ASSERT_TRUE(started.launched);
    {
        SCOPED_TRACE("run");
        expectStartedWith(started.output, {SIGINT, SIGHUP});
    }
    const std::string detached = statusOfDetachedProgram();
    ASSERT_FALSE(detached.empty()) << "no detached program found";
    SCOPED_TRACE("detached");
    expectStartedWith(detached, {SIGINT, SIGHUP});
}

TEST_F(SystemTest, SystemVersionDefaultEnvironmentAndOverride) {
    EXPECT_EQ(SystemVersion::current(), "10.14.6");
    setenv("KESTRUNE_SYSTEM_VERSION", "10.12.6", 1);
    EXPECT_EQ(SystemVersion::current(), "10.12.6");
    EXPECT_EQ(SystemVersion::currentParts().minor, 12);
    SystemVersion::setOverride("10.9.5");
    EXPECT_EQ(SystemVersion::current(), "10.9.5");
    unsetenv("KESTRUNE_SYSTEM_VERSION");
    auto parts = SystemVersion::parse("10.13");
    EXPECT_EQ(parts.major, 10);
    EXPECT_EQ(parts.minor, 13);
    EXPECT_EQ(parts.patch, 0);
    EXPECT_EQ(SystemVersion::parse("garbage.x").major, 0);
}

TEST_F(SystemTest, BundleFactsAndResources) {
    auto& bundle = Bundle::main();
    EXPECT_EQ(bundle.bundleIdentifier(), "com.kestrune.Kestrune");
    EXPECT_FALSE(bundle.shortVersionString().empty());
    EXPECT_TRUE(bundle.pathForResource("ding1", "wav"));
    EXPECT_FALSE(bundle.pathForResource("missing", "wav"));
    EXPECT_FALSE(bundle.pathForResource("../Info", "plist"));
}

// Lookups look first where the last one found its file; that order never hides a file elsewhere, nor
// makes a language's folder win over another's.
TEST_F(SystemTest, BundleLookupsFindEveryFolderWhateverCameBefore) {
    const std::string folder = home() + "/Ordered";
    for (const char* sub : {"images", "sounds", "en.lproj", "de.lproj", "images/nested"})
        std::filesystem::create_directories(folder + "/" + sub);
    for (const char* file : {"images/a.png", "images/b.png", "sounds/c.wav", "en.lproj/x.strings",
                             "de.lproj/y.strings", "top.txt", "sounds/b.png"})
        std::ofstream(folder + "/" + file) << "x";
    setenv("KESTRUNE_BUNDLE_PATH", folder.c_str(), 1);
    auto& bundle = Bundle::main();
    bundle.reload();
    EXPECT_EQ(bundle.pathForResource("a", "png"), folder + "/images/a.png");
    EXPECT_EQ(bundle.pathForResource("c", "wav"), folder + "/sounds/c.wav");
    // The hint is now sounds/, which also has a b.png: either copy is a right answer, but it must exist.
    const auto b = bundle.pathForResource("b", "png");
    ASSERT_TRUE(b);
    EXPECT_TRUE(std::filesystem::exists(*b));
    EXPECT_EQ(bundle.pathForResource("a", "png"), folder + "/images/a.png");
    EXPECT_EQ(bundle.pathForResource("x", "strings"), folder + "/en.lproj/x.strings");
    EXPECT_EQ(bundle.pathForResource("y", "strings"), folder + "/de.lproj/y.strings");
    EXPECT_EQ(bundle.pathForResource("top", "txt"), folder + "/top.txt");
    // A file removed is gone at once; one added is found once the bundle is read again.
    std::filesystem::remove(folder + "/images/a.png");
    EXPECT_FALSE(bundle.pathForResource("a", "png"));
    EXPECT_FALSE(bundle.pathForResource("drawn", "png"));
    std::ofstream(folder + "/sounds/drawn.png") << "x";
    EXPECT_FALSE(bundle.pathForResource("drawn", "png"));
    bundle.reload();
    EXPECT_EQ(bundle.pathForResource("drawn", "png"), folder + "/sounds/drawn.png");
}

// A localised table is the one of the language folder in use (English's when none is set), else the
// one at the top of the bundle; a key the language's table lacks is never taken from another language.
TEST_F(SystemTest, BundleTablesAnswerInTheLanguageInUse) {
    const std::string folder = home() + "/Localised";
    for (const char* sub : {"en.lproj", "de.lproj", "fr.lproj", "ar.lproj"})
        std::filesystem::create_directories(folder + "/" + sub);
    std::ofstream(folder + "/en.lproj/T.strings") << "\"k\" = \"English\"; \"only_en\" = \"Only English\";";
    std::ofstream(folder + "/de.lproj/T.strings") << "/* German */\n\"k\" = \"Deutsch\";";
    std::ofstream(folder + "/ar.lproj/T.strings") << "\"k\" = \"broken\"";  // no semicolon
    // At the top, for every language without its own: a property-list dictionary, as the kits' tables
    // may be.
    const auto top =
        PropertyList::dataFromValue(Value::Dictionary{{"k", "Top"}, {"n", 1}}, PropertyList::Format::XML);
    ASSERT_TRUE(top);
    std::ofstream(folder + "/T.strings") << top->toString();
    setenv("KESTRUNE_BUNDLE_PATH", folder.c_str(), 1);
    auto& bundle = Bundle::main();
    bundle.reload();

    EXPECT_EQ(bundle.localizedString("k", "T"), "English");
    EXPECT_EQ(bundle.localizedString("only_en", "T"), "Only English");
    bundle.setLocalizationFolder(folder + "/de.lproj");
    EXPECT_EQ(bundle.localizationFolder(), folder + "/de.lproj");
    EXPECT_EQ(bundle.localizedString("k", "T"), "Deutsch");
    EXPECT_EQ(bundle.localizedString("only_en", "T"), std::nullopt);
    EXPECT_EQ(bundle.localizedString("k", "Other"), std::nullopt);
    // A folder without the table, and one that is not there: the table at the top; its texts only.
    for (const std::string& language : {folder + "/fr.lproj", folder + "/sv.lproj"}) {
        bundle.setLocalizationFolder(language);
        EXPECT_EQ(bundle.localizedString("k", "T"), "Top") << language;
        EXPECT_EQ(bundle.localizedString("n", "T"), std::nullopt) << language;
    }
    // A malformed table answers nothing, with the file and the fault in the log.
    bundle.setLocalizationFolder(folder + "/ar.lproj");
    testsupport::LogCapture log;
    EXPECT_EQ(bundle.localizedString("k", "T"), std::nullopt);
    EXPECT_TRUE(log.contains("ar.lproj/T.strings is neither a strings file (line 1"));
    // A table's name is a name, not a way out of the language's folder.
    bundle.setLocalizationFolder(std::nullopt);
    EXPECT_EQ(bundle.localizedString("k", "../de.lproj/T"), std::nullopt);
    // Read at each call: a table changed is answered at once.
    std::ofstream(folder + "/en.lproj/T.strings") << "\"k\" = \"Changed\";";
    EXPECT_EQ(bundle.localizedString("k", "T"), "Changed");
}

TEST_F(SystemTest, BundleFromAnotherFolderAndABrokenInfoFile) {
    std::string folder = home() + "/Bundle";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Info.plist") << "this is not a property list";
    setenv("KESTRUNE_BUNDLE_PATH", folder.c_str(), 1);
    testsupport::LogCapture log;
    Bundle::main().reload();
    EXPECT_EQ(Bundle::main().bundleIdentifier(), "");
    EXPECT_TRUE(log.contains("Info.plist"));
}

TEST_F(SystemTest, ProcessFacts) {
    auto& info = ProcessInfo::shared();
    EXPECT_GT(info.processIdentifier(), 0);
    EXPECT_EQ(info.processName(), "platform_tests");
    EXPECT_FALSE(info.hostName().empty());
    EXPECT_EQ(info.environmentValue("HOME"), home());
}
