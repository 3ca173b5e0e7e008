// Exactly once under failures and kills: a helper process runs the reports controller over a seeded
// store against a TLS loopback server whose answers mix server errors, throttling with "Retry-After",
// refusals, slow answers and dropped connections, and kills itself at a chosen pass of a chosen point.
// It is restarted until the store is empty. The server must end with every report, byte for byte; a
// report may arrive twice only when a kill fell while a finished package lay in the prepared folder.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <random>
#include <thread>

#include "platform/storage/Files.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace {

using testsupport::LoopbackServer;

const char* const kKillPoints[] = {"move", "rename", "remove.report", "answer", "remove.package"};
constexpr int kShards = 10;
// 300 rounds in all; UPLOAD_KILL_ROUNDS sets more for longer sweeps. Under the thread sanitizer every
// process runs several times slower and the suite is there for its threads, not its count: 60 rounds.
#if defined(__SANITIZE_THREAD__)
constexpr int kRoundsPerShard = 6;
#else
constexpr int kRoundsPerShard = 30;
#endif
constexpr int kMaximumRuns = 16;

// Runs the helper once; answers its wait status, or -1 when it did not end within a minute.
int runHelper(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    // A watchdog ends a helper that hangs; the wait itself blocks on the process.
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false, hung = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, std::chrono::seconds(60), [&] { return done; })) {
            hung = true;
            kill(pid, SIGKILL);
        }
    });
    int status = 0;
    waitpid(pid, &status, 0);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    ended.notify_all();
    watchdog.join();
    if (hung) return -1;
    return status;
}

struct Seeded {
    std::map<std::string, std::string> files;
};

class CRKUploadExactlyOnceTest : public testsupport::KestruneTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        auto root = LoopbackServer::makeRootAuthority("Kill Suite Root");
        ASSERT_TRUE(root);
        auto identity = LoopbackServer::makeIdentitySignedBy(*root, home() + "/tls");
        ASSERT_TRUE(identity);
        ASSERT_TRUE(server.startTLS(*identity));
        server.setDefaultAnswer(success());
        rootPath = home() + "/root.der";
        ASSERT_TRUE(platform::Files::writeAtomically(rootPath, root->certificateDER));
        setenv("CrashKitReportsEndpoint", server.baseURL().c_str(), 1);
    }
    void TearDown() override {
        server.stop();
        unsetenv("CrashKitReportsEndpoint");
        KestruneTest::TearDown();
    }
    static LoopbackServer::Answer success() {
        return {200, {{"Content-Type", "application/json"}}, "{\"status\":\"ok\"}", 0};
    }
    // A fault drawn from the seed: the answer and whether the server keeps the report.
    static std::pair<LoopbackServer::Answer, bool> fault(std::mt19937& random) {
        switch (random() % 6) {
            case 0:
                return {{500, {}, "", 0}, false};
            case 1:
                return {{503, {}, "", 0}, false};
            case 2:
                return {{429, {{"Retry-After", std::to_string(1 + random() % 90)}}, "", 0}, false};
            case 3:
                return {{413, {}, "", 0}, false};
            case 4:
                return {{200, {{"Content-Type", "application/json"}}, "{}", 0.02}, true};  // slow, accepted
            default: {
                LoopbackServer::Answer dropped = success();
                dropped.dropConnection = true;
                return {dropped, false};
            }
        }
    }

    LoopbackServer server;
    std::string rootPath;
    std::deque<bool> pendingAnswers;  // queued answers not yet taken: whether each keeps the report
    size_t requestsSeen = 0;
};

TEST_P(CRKUploadExactlyOnceTest, EveryReportReachesTheServerOnceUnlessAKillFellInTheWindow) {
    int rounds = kRoundsPerShard;
    if (const char* wanted = getenv("UPLOAD_KILL_ROUNDS")) rounds = std::max(1, atoi(wanted) / kShards);
    // UPLOAD_KILL_HELPER may name another build of the helper (one without sanitizers runs faster).
    const char* other = getenv("UPLOAD_KILL_HELPER");
    const std::string helper = other && *other ? other : UPLOAD_KILL_HELPER_PATH;
    size_t resends = 0, kills = 0, runs = 0;
    for (int round = 0; round < rounds; round++) {
        const unsigned seed = static_cast<unsigned>(GetParam() * 100000 + round);
        std::mt19937 random(seed);
        SCOPED_TRACE("seed " + std::to_string(seed));

        const std::string folder = home() + "/round-" + std::to_string(round);
        reporting::CRKFileManager store(folder + "/store");
        ASSERT_TRUE(store.prepareForNewLaunch());
        std::map<std::string, Seeded> seeded;
        const int reports = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < reports; k++) {
            const std::string id = "s" + std::to_string(seed) + "-" + std::to_string(k);
            std::string bytes(1 + random() % 3000, '\0');
            for (char& byte : bytes) byte = static_cast<char>(random());
            const std::string path = uploadtest::seedReport(
                store.activePath(), id,
                {{"signal.crkrecord", "{\"signal\":{\"number\":11}}\n"}, {"data.bin", bytes}});
            for (const std::string& name : platform::Files::listDirectory(path))
                seeded[id].files[name] = uploadtest::readFile(path + "/" + name);
        }
        const int faults = static_cast<int>(random() % 7);
        for (int f = 0; f < faults; f++) {
            auto [answer, keeps] = fault(random);
            server.enqueue(answer);
            pendingAnswers.push_back(keeps);
        }

        const std::string windowLog = folder + "/window.log";
        bool finished = false;
        for (int run = 0; run < kMaximumRuns && !finished; run++) {
            const bool killing = run < kMaximumRuns - 4 && random() % 5 != 0;
            const std::string point = killing ? kKillPoints[random() % 5] : "-";
            const std::string pass = std::to_string(1 + random() % 3);
            const int status = runHelper({helper, store.rootPath(), rootPath, point, pass, windowLog},
                                         folder + "/helper.log");
            runs++;
            ASSERT_NE(status, -1) << "the helper hung; see " << folder << "/helper.log";
            if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
                kills++;
                continue;
            }
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "status " << status << "; see " << folder << "/helper.log";
            finished = true;
        }
        ASSERT_TRUE(finished);
        EXPECT_TRUE(store.activePathContents().empty());
        EXPECT_TRUE(store.processingPathContents().empty());
        EXPECT_TRUE(store.preparedPathContents().empty());

        // What the server kept: the i-th request got the i-th queued answer, then the default.
        const auto requests = server.requests();
        std::map<std::string, int> copies;
        for (; requestsSeen < requests.size(); requestsSeen++) {
            bool keeps = true;
            if (!pendingAnswers.empty()) {
                keeps = pendingAnswers.front();
                pendingAnswers.pop_front();
            }
            if (!keeps) continue;
            const auto& request = requests[requestsSeen];
            const auto received =
                uploadtest::receive(request.body, request.header("Content-Type").value_or(""));
            ASSERT_TRUE(received.wellFormed);
            const auto id = received.fields.find("report_id");
            ASSERT_NE(id, received.fields.end());
            ASSERT_TRUE(seeded.count(id->second)) << "a report that was never seeded: " << id->second;
            EXPECT_EQ(received.files, seeded[id->second].files) << id->second;
            EXPECT_EQ(received.fields.at("api_key"), "key-1");
            copies[id->second]++;
        }
        size_t allowance = 0;
        std::istringstream window(uploadtest::readFile(windowLog));
        for (std::string point; window >> point;) {
            size_t packages = 0;
            window >> packages;
            allowance += packages;
        }
        size_t roundResends = 0;
        for (const auto& [id, files] : seeded) {
            EXPECT_GE(copies[id], 1) << "lost: " << id;
            if (copies[id] > 1) roundResends += static_cast<size_t>(copies[id] - 1);
        }
        EXPECT_LE(roundResends, allowance) << "a report was sent twice without a kill in its window";
        resends += roundResends;
        if (HasFatalFailure() || HasFailure()) return;
        platform::Files::remove(folder);
    }
    RecordProperty("resends", static_cast<int>(resends));
    RecordProperty("kills", static_cast<int>(kills));
    std::printf("[ kill suite ] %d rounds, %zu runs, %zu kills, %zu re-sends\n", rounds, runs, kills,
                resends);
}

INSTANTIATE_TEST_SUITE_P(Shards, CRKUploadExactlyOnceTest, ::testing::Range(0, kShards));

}  // namespace
