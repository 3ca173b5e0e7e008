#include "link/requests/InterProcessComm.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/base/Clock.h"
#include "platform/base/InterProcessNotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "tests/support/TestEnvironment.h"

namespace {

using kestrune::InterNotifications;
using kestrune::InterProcessComm;
using platform::InterProcessNotificationCenter;

class InterProcessCommTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        InterProcessNotificationCenter::defaultCenter().resetForTesting();
        setenv("XDG_RUNTIME_DIR", (home() + "/run").c_str(), 1);
        // Datagrams arrive on a thread of their own: the main loop waits for them in real time, bounded.
        platform::Clock::useRealTime();
    }
    void TearDown() override {
        InterProcessNotificationCenter::defaultCenter().resetForTesting();
        unsetenv("XDG_RUNTIME_DIR");
        KestruneTest::TearDown();
    }
    static bool waitFor(const std::function<bool()>& done) {
        return platform::RunLoop::main().runUntil(done, 15);
    }
};

struct Peer {
    pid_t pid = -1;
    int output = -1;
    ~Peer() {
        if (output >= 0) close(output);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool start() {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return false;
        pid = fork();
        if (pid == 0) {
            dup2(pipeEnds[1], 1);
            close(pipeEnds[0]);
            execl(INTER_PROCESS_PEER_PATH, INTER_PROCESS_PEER_PATH, nullptr);
            _exit(127);
        }
        close(pipeEnds[1]);
        output = pipeEnds[0];
        pollfd ready = {output, POLLIN, 0};
        char line[16] = {};
        return pid > 0 && poll(&ready, 1, 120000) == 1 && read(output, line, sizeof line - 1) > 0 &&
               std::string(line).rfind("ready", 0) == 0;
    }
    // The exit code once it has ended by itself within the time allowed; -1 otherwise.
    int waitForExit() {
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
             std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }
};

TEST_F(InterProcessCommTest, TwoProcessesExchangePingAndPong) {
    InterProcessComm comm;
    int pongs = 0;
    std::vector<int64_t> markers;
    comm.registerForPingCallback([&] { ++pongs; });
    comm.registerForLockUnlockRSSICommand([&](int64_t value) { markers.push_back(value); });
    Peer peer;
    ASSERT_TRUE(peer.start()) << "the second process did not come up";

    InterProcessComm::ping();
    ASSERT_TRUE(waitFor([&] { return pongs > 0; })) << "no pong from the second process";
    EXPECT_EQ(peer.waitForExit(), 0);
    // Anything the peer sent is queued before this, so after it every pong has been heard.
    InterProcessComm::setLockUnlockRSSI(-61);
    ASSERT_TRUE(waitFor([&] { return !markers.empty(); }));
    EXPECT_EQ(pongs, 1);
}

TEST_F(InterProcessCommTest, UnknownKeysWrongTypesAndStatusReportsRunNothing) {
    testsupport::LogCapture log;
    std::vector<std::string> ran;
    InterProcessComm first, second;
    for (InterProcessComm* comm : {&first, &second}) {
        comm->registerForMacLockCommand([&](bool on) { ran.push_back(on ? "fastLock on" : "fastLock off"); });
        comm->registerForKestruneCommand(
            [&](bool on) { ran.push_back(on ? "kestrune on" : "kestrune off"); });
        comm->registerForLockUnlockRSSICommand(
            [&](int64_t rssi) { ran.push_back("rssi " + std::to_string(rssi)); });
        comm->registerForPingReqeust([&] { ran.push_back("ping"); });
    }
    InterNotifications transport;
    transport.setObjectValue_forKey(platform::Number(1), "unknown");
    transport.setObjectValue_forKey("yes", "fastLock");
    transport.setObjectValue_forKey(platform::Value::Dictionary{{"a", 1}}, "LockUnlockRSSI");
    InterProcessComm::kestruneIsOnStatus(true);
    InterProcessComm::macIsLockedStatus(true);
    InterProcessComm::setMacLocked(true);
    InterProcessComm::setKestruneOn(false);
    InterProcessComm::setLockUnlockRSSI(-58);
    ASSERT_TRUE(waitFor([&] { return ran.size() >= 6; }));
    // Each of the two message layers hears each message once.
    EXPECT_EQ(ran, (std::vector<std::string>{"fastLock on", "fastLock on", "kestrune off", "kestrune off",
                                             "rssi -58", "rssi -58"}));
    EXPECT_TRUE(log.contains("ignored \"fastLock\" with a value of the wrong type"));
    EXPECT_TRUE(log.contains("ignored \"LockUnlockRSSI\" with a value of the wrong type"));
}

TEST_F(InterProcessCommTest, TheResponderLogsCommandsAndAnswersPings) {
    testsupport::LogCapture log;
    kestrune::CommTest responder;
    InterProcessComm comm;
    bool ponged = false;
    comm.registerForPingCallback([&] { ponged = true; });
    InterProcessComm::setMacLocked(true);
    InterProcessComm::setLockUnlockRSSI(-70);
    InterProcessComm::ping();
    ASSERT_TRUE(waitFor([&] { return ponged; }));
    EXPECT_TRUE(log.contains("Fast Lock: 1"));
    EXPECT_TRUE(log.contains("updated RSSI: -70"));
    EXPECT_TRUE(log.contains("Ping received"));
}

TEST(InterProcessMessageTest, OnlyANamedJSONObjectIsANotification) {
    for (const char* bad : {"", "not json", "[1]", "{}", R"({"name":5})", "{\"name\":\"a\""})
        EXPECT_FALSE(InterProcessNotificationCenter::decodeMessage(bad)) << bad;
    const platform::Value info = platform::Value::Dictionary{{"flag", true},
                                                             {"count", -3},
                                                             {"ratio", 0.5},
                                                             {"text", "x"},
                                                             {"list", platform::Value::Array{1, "y"}}};
    auto decoded = InterProcessNotificationCenter::decodeMessage(
        InterProcessNotificationCenter::encodeMessage("n", info));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->first, "n");
    EXPECT_EQ(decoded->second, info);
    EXPECT_TRUE(decoded->second["flag"].number()->isBoolean()) << "a boolean must stay one";
}

}  // namespace
