// The built application in another language, as a user starts it: on a first launch it reads the
// language from the environment and its texts come from that language's table, with nothing of a test's
// own putting the look-up in place; its pictures (`--snapshot --language`) are drawn in the language named.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/storage/Files.h"
#include "platform/storage/StringsTable.h"
#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace {

#if defined(KESTRUNE_PROGRAM_PATH) && defined(KESTRUNE_SOURCE_RESOURCES)

constexpr double kRunLimitSeconds = 120;  // real time; only a run that never gets there comes near it

// The environment of this process with a home of its own and the locale given, nothing else naming a
// language.
std::vector<std::string> environmentWith(const std::string& home, const std::string& locale) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        bool dropped = false;
        for (const char* prefix : {"HOME=", "XDG_", "LANG=", "LANGUAGE=", "LC_", "KESTRUNE_LOG_DEBUG="})
            dropped = dropped || variable.rfind(prefix, 0) == 0;
        if (!dropped) variables.push_back(variable);
    }
    variables.push_back("HOME=" + home);
    variables.push_back("XDG_CONFIG_HOME=" + home + "/.config");
    variables.push_back("XDG_DATA_HOME=" + home + "/.local/share");
    variables.push_back("XDG_STATE_HOME=" + home + "/.local/state");
    variables.push_back("XDG_CACHE_HOME=" + home + "/.cache");
    if (!locale.empty()) variables.push_back("LANG=" + locale);
    return variables;
}

struct Child {
    pid_t pid = -1;
    int output = -1;  // standard output and error together
};

Child spawn(std::vector<std::string> arguments, std::vector<std::string> environment) {
    Child child;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return child;
    std::vector<char*> argv, envp;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (auto& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    child.output = pipeFds[0];
    return child;
}

// Reads the child's output until `done` holds for it or the output closes; the child is then stopped
// with SIGTERM (SIGKILL at the limit) and waited for. Answers the output.
std::string readUntil(Child& child, const std::function<bool(const std::string&)>& done) {
    std::string log;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kRunLimitSeconds);
    bool signalled = false;
    while (child.output >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) break;
        pollfd fd{child.output, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) < 0) break;
        char buffer[4096];
        const ssize_t got = read(child.output, buffer, sizeof buffer);
        if (got <= 0) break;
        log.append(buffer, static_cast<size_t>(got));
        if (!signalled && done(log)) {
            kill(child.pid, SIGTERM);
            signalled = true;
        }
    }
    if (child.output >= 0) close(child.output);
    child.output = -1;
    int status = 0;
    if (waitpid(child.pid, &status, WNOHANG) == 0) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, &status, 0);
    }
    return log;
}

// The text of the key in the language's table of the source tree.
std::string tableText(const std::string& code, const std::string& key) {
    auto table = platform::StringsTable::tableAtPath(std::string(KESTRUNE_SOURCE_RESOURCES) + "/" + code +
                                                     ".lproj/Localizable.strings");
    if (!table) return "";
    auto it = table->find(key);
    return it == table->end() ? "" : it->second;
}

class LanguageAtStartTest : public testsupport::KestruneTest {};

TEST_F(LanguageAtStartTest, AFirstLaunchUnderAnAustrianGermanLocaleSpeaksGerman) {
    const std::string german = tableText("de", "kestrune_started");
    ASSERT_FALSE(german.empty());
    ASSERT_NE(german, tableText("en", "kestrune_started"));
    // The start's history entry is the first text of the tables the application logs.
    const std::string marker = "Outcome: history entry \"";
    Child child = spawn({KESTRUNE_PROGRAM_PATH, "-clean-run"}, environmentWith(home(), "de_AT.UTF-8"));
    ASSERT_GT(child.pid, 0) << "cannot start " << KESTRUNE_PROGRAM_PATH;
    const std::string log = readUntil(child, [&](const std::string& out) {
        const size_t at = out.find(marker);
        return at != std::string::npos && out.find('\n', at) != std::string::npos;
    });
    const size_t at = log.find(marker);
    ASSERT_NE(at, std::string::npos) << log;
    const size_t start = at + marker.size();
    EXPECT_EQ(log.substr(start, log.find('"', start) - start), german) << log;
}

// The same scene drawn by `--snapshot` under an English locale: in the language the line names.
TEST_F(LanguageAtStartTest, SnapshotsAreDrawnInTheLanguageNamed) {
    const std::string scene = "shield-connected";
    auto draw = [&](const std::string& folder, const std::vector<std::string>& language) {
        std::vector<std::string> arguments = {KESTRUNE_PROGRAM_PATH, "--snapshot", home() + "/" + folder};
        arguments.insert(arguments.end(), language.begin(), language.end());
        arguments.push_back(scene);
        Child child = spawn(arguments, environmentWith(home(), "en_US.UTF-8"));
        EXPECT_GT(child.pid, 0);
        const std::string out = readUntil(child, [](const std::string&) { return false; });
        auto bytes = platform::Files::read(home() + "/" + folder + "/" + scene + ".png");
        EXPECT_TRUE(bytes) << out;
        return bytes ? bytes->toString() : std::string();
    };
    const std::string plain = draw("plain", {});
    const std::string english = draw("en", {"--language", "en"});
    const std::string german = draw("de", {"--language", "de"});
    ASSERT_FALSE(plain.empty());
    // Drawn the same twice in English, so that the German picture differs by its words alone.
    EXPECT_TRUE(plain == english) << "two English pictures differ";
    EXPECT_TRUE(german != english) << "the German picture is the English one";
}

#endif

}  // namespace
