#pragma once

#include <sys/types.h>
#include <string>

namespace testsupport {

// A real Parse Server on 127.0.0.1 over a throwaway PostgreSQL cluster, for the hosted backend's tests.
// The server package comes from $KESTRUNE_PARSE_SERVER_DIR (installed there by `make deps`); the
// cluster is made with initdb in a temporary folder and runs on a free port, as the `postgres` user
// when this process is root (PostgreSQL refuses to run as root). start() starts both and waits until
// the server answers; stop() (also run by the destructor) ends the two processes it started, by their
// process ids, and removes the folder. Both children also die with this process.
class ParseServer {
public:
    static constexpr const char* kApplicationId = "kestrune-test-app";
    static constexpr const char* kClientKey = "kestrune-test-client-key";
    static constexpr const char* kMasterKey = "kestrune-test-master-key";

    ParseServer() = default;
    ~ParseServer() { stop(); }
    ParseServer(const ParseServer&) = delete;
    ParseServer& operator=(const ParseServer&) = delete;

    // False with a reason in failure() when anything did not come up.
    bool start();
    void stop();

    bool running() const { return parseServerPid_ > 0; }
    const std::string& failure() const { return failure_; }
    // "http://127.0.0.1:<port>/parse"
    std::string serverURL() const;
    // Seconds from start() to the server's first healthy answer.
    double startSeconds() const { return startSeconds_; }

    // The server started for this test program by ParseServerEnvironment (null before it ran).
    static ParseServer* shared();

private:
    bool fail(std::string reason);

    std::string folder_;
    std::string failure_;
    int postgresPort_ = 0;
    int port_ = 0;
    pid_t postgresPid_ = -1;
    pid_t parseServerPid_ = -1;
    double startSeconds_ = 0;
};

// Registers with GoogleTest so that the server starts once before the first test of the program and
// stops after the last.
void registerParseServerEnvironment();

}  // namespace testsupport
