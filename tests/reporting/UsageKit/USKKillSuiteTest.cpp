#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <map>
#include <random>
#include <set>

#include "platform/base/Strings.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"
#include "tests/support/LoopbackServer.h"

extern char** environ;

namespace {

// The rounds are shared out among tests that run side by side, each over its own stretch of one seeded
// sequence of kill moments: 500 process starts in one test came near the test time limit on a busy
// machine, and 50 took a test some 25 s of processor time under the address sanitizer alone.
#if defined(__SANITIZE_THREAD__)
constexpr int kShards = 4;  // each round is a process start, several times slower under the race detector
#else
constexpr int kShards = 20;
#endif
constexpr int kRoundsPerShard = 25;

// The helper's named points; each round kills at the n-th pass of one of them.
const char* const kPoints[] = {"write.line.part", "write.line.done", "stage.write",  "stage.rename",
                               "stage.renamed",   "stage.remove",    "upload.answer"};

class USKKillSuiteTest : public usktest::UsageKitTest, public ::testing::WithParamInterface<int> {
protected:
    void TearDown() override {
        if (toHelper) fclose(toHelper);
        if (fromHelper) fclose(fromHelper);
        if (helper > 0) waitpid(helper, nullptr, 0);
        UsageKitTest::TearDown();
    }
    void startHelper() {
        int in[2], out[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::vector<std::string> args = {USAGE_KILL_HELPER_PATH, home() + "/root",
                                               server.url("/spi/v2/events"), home() + "/recorded",
                                               home() + "/kills"};
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&helper, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        toHelper = fdopen(in[1], "w");
        fromHelper = fdopen(out[0], "r");
    }
    // Runs one round (a new process) to its end; answers its wait status.
    int run(const std::string& point, long pass, int events, bool final) {
        fprintf(toHelper, "%s %ld %d %d\n", point.c_str(), pass, events, final ? 1 : 0);
        fflush(toHelper);
        int status = -1;
        if (fscanf(fromHelper, "%d", &status) != 1) return -1;
        return status;
    }
    testsupport::LoopbackServer server;
    pid_t helper = 0;
    FILE* toHelper = nullptr;
    FILE* fromHelper = nullptr;
};

struct Kill {
    std::string point;
    std::string detail;
};

TEST_P(USKKillSuiteTest, EveryRecordedEventReachesTheServerOnceWhateverTheMomentOfTheKill) {
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer({202, {}, "", 0});
    startHelper();
    constexpr int kRounds = kRoundsPerShard;
    std::mt19937 random(24);
    random.discard(2 * static_cast<unsigned long long>(GetParam()) * kRoundsPerShard);  // two draws a round
    int killed = 0;
    std::vector<bool> roundKilled;       // per round
    std::vector<size_t> roundOfRequest;  // per request received, the round it arrived in
    for (int round = 0; round < kRounds; ++round) {
        const char* point = kPoints[random() % std::size(kPoints)];
        const long pass = 1 + static_cast<long>(random() % 6);
        const int status = run(point, pass, 5, false);
        const bool wasKilled = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        ASSERT_TRUE(wasKilled || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << "round " << round << " " << point << " " << pass << " status " << status;
        killed += wasKilled;
        roundKilled.push_back(wasKilled);
        roundOfRequest.resize(server.requestCount(), static_cast<size_t>(round));
    }
    EXPECT_GT(killed, kRounds / 2);
    // A last run without kills, ending on a flush event, sends everything and leaves nothing.
    const int status = run("none", 0, 3, true);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    roundKilled.push_back(false);
    roundOfRequest.resize(server.requestCount(), static_cast<size_t>(kRounds));
    EXPECT_TRUE(platform::Files::listDirectory(home() + "/root/events").empty());

    std::vector<Kill> kills;
    for (const auto& line : platform::split(usktest::readText(home() + "/kills"), "\n")) {
        if (line.empty()) continue;
        const size_t space = line.find(' ');
        kills.push_back({line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)});
    }
    EXPECT_EQ(static_cast<int>(kills.size()), killed);
    auto killedMidLine = [&](const std::string& boundary) {
        for (const auto& k : kills)
            if (k.point == "write.line.part" && platform::hasSuffix(k.detail, "/" + boundary + ".log"))
                return true;
        return false;
    };

    std::map<std::string, std::string> packageOf;  // event identifier -> boundary
    size_t torn = 0, resent = 0;                   // both must happen for the suite to have judged them
    std::map<std::string, size_t> lastSentIn;      // boundary -> round
    const auto requests = server.requests();
    for (size_t r = 0; r < requests.size(); ++r) {
        const auto& request = requests[r];
        const std::string boundary = usktest::boundaryOf(request.header("Content-Type").value_or(""));
        SCOPED_TRACE(boundary);
        const auto package = usktest::readPackage(request.body, boundary);
        ASSERT_TRUE(package);
        const auto& log = package->log;
        EXPECT_FALSE(log.malformed);
        if (log.tornLastLine) {
            ++torn;
            EXPECT_TRUE(killedMidLine(boundary));
        }
        // Sent before: only a kill after that answer and before the package's removal explains it. A
        // request is counted in the round during which the server finished reading it, which for a
        // round killed right after sending may be the next one: so the round that sent it, or the one
        // before, was killed, and a clean round never sends a package twice.
        auto before = lastSentIn.find(boundary);
        const size_t round = roundOfRequest[r];
        if (before != lastSentIn.end()) {
            const size_t e = before->second;
            const bool killedBefore = e > 0 && roundKilled[e - 1];
            EXPECT_TRUE(e < round ? (roundKilled[e] || killedBefore) : killedBefore)
                << "re-sent in round " << round << ", sent in round " << e;
            before->second = round;
            ++resent;
            continue;
        }
        lastSentIn[boundary] = round;
        if (!log.lines.empty()) {
            EXPECT_EQ(log.lines[0].type, "metadata");
        }
        for (size_t i = 1; i < log.lines.size(); ++i) {
            const std::string id = *log.lines[i].object.at("eventId").string();
            auto [it, added] = packageOf.emplace(id, boundary);
            EXPECT_TRUE(added) << id << " in " << it->second << " and " << boundary;
        }
    }
    size_t recorded = 0;
    for (const auto& id : platform::split(usktest::readText(home() + "/recorded"), "\n")) {
        if (id.empty()) continue;
        ++recorded;
        EXPECT_TRUE(packageOf.count(id)) << "lost: " << id;
    }
    EXPECT_GT(recorded, static_cast<size_t>(kRounds));
    EXPECT_GT(torn, 0u);
    EXPECT_GT(resent, 0u);
    std::printf("[ kill suite ] rounds %d to %d: %d kills, %zu torn, %zu re-sent\n", GetParam() * kRounds,
                (GetParam() + 1) * kRounds - 1, killed, torn, resent);
}

INSTANTIATE_TEST_SUITE_P(Rounds, USKKillSuiteTest, ::testing::Range(0, kShards));

}  // namespace
