// `kestrune --snapshot DIR [NAME...]` run as a program: quiet unless the log's debug switch is on, with one
// closing line naming how many scenes were drawn and where.

#include "main/SnapshotCommand.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace {

class SnapshotCommandTest : public testsupport::KestruneTest {};

TEST_F(SnapshotCommandTest, TheClosingLineCountsTheScenesDrawnAndThoseThatWereNot) {
    EXPECT_EQ(kestrune::snapshotSummary(143, 0, "/tmp/pictures"), "143 scenes drawn in /tmp/pictures");
    EXPECT_EQ(kestrune::snapshotSummary(1, 0, "out"), "1 scene drawn in out");
    EXPECT_EQ(kestrune::snapshotSummary(3, 1, "out"),
              "2 scenes drawn in out; 1 could not be drawn (the log says why)");
}

#ifdef KESTRUNE_PROGRAM_PATH
struct Run {
    int status = -1;
    std::string out, err;
};

// Runs the program with the extra environment entries, answering its exit status and both streams.
Run runProgram(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnvironment,
               const std::string& folder) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        if (std::string(*entry).rfind("KESTRUNE_LOG_DEBUG=", 0) != 0) environment.emplace_back(*entry);
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const std::string out = folder + "/out.txt", err = folder + "/err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    Run run;
    if (spawned != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto read = [](const std::string& path) {
        auto data = platform::Files::read(path);
        return data ? data->toString() : std::string();
    };
    run.out = read(out);
    run.err = read(err);
    return run;
}

TEST_F(SnapshotCommandTest, PicturesAreTakenQuietlyUnlessTheDebugSwitchIsOn) {
    const std::string program = KESTRUNE_PROGRAM_PATH;
    const std::string pictures = home() + "/pictures";
    // A menu-bar scene (it waits for its fades) and a wizard (pages load views and turn).
    const std::vector<std::string> quiet = {program, "--snapshot", pictures, "menubar-panel-connected",
                                            "screens-wizard-accept"};
    auto run = runProgram(quiet, {}, home());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2 scenes drawn in " + pictures + "\n");
    EXPECT_EQ(run.err.find("Loading view"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("pageIndex"), std::string::npos) << run.err;
    EXPECT_TRUE(platform::Files::exists(pictures + "/menubar-panel-connected.png"));
    EXPECT_TRUE(platform::Files::exists(pictures + "/screens-wizard-accept.png"));

    run = runProgram(quiet, {"KESTRUNE_LOG_DEBUG=1"}, home());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Loading view"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("pageIndex"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Snapshot: " + pictures + "/screens-wizard-accept.png"), std::string::npos);

    // A name no scene has: said on the error stream and counted in the closing line.
    run = runProgram({program, "--snapshot", pictures, "no-such-scene"}, {}, home());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "0 scenes drawn in " + pictures + "; 1 could not be drawn (the log says why)\n");
    EXPECT_NE(run.err.find("no scene named no-such-scene"), std::string::npos) << run.err;
}
#endif

}  // namespace
