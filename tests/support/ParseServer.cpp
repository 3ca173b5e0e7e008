#include "tests/support/ParseServer.h"

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/net/URLConnection.h"

namespace testsupport {

namespace {

using SteadyClock = std::chrono::steady_clock;

ParseServer* gShared = nullptr;

int freeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

std::string postgresBinary(const std::string& name) {
    glob_t found{};
    std::string path;
    if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
        // The highest version sorts last.
        path = std::filesystem::path(found.gl_pathv[found.gl_pathc - 1]).parent_path() / name;
    }
    globfree(&found);
    return path.empty() ? name : path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The account PostgreSQL runs under: ours, unless we are root.
struct Account {
    bool switchUser = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

std::optional<Account> postgresAccount() {
    Account account;
    if (geteuid() != 0) return account;
    struct passwd* entry = getpwnam("postgres");
    if (!entry) return std::nullopt;
    account.switchUser = true;
    account.uid = entry->pw_uid;
    account.gid = entry->pw_gid;
    return account;
}

// Starts a program with its output in the log file; everything the child needs is prepared before the
// fork, so that the child only makes system calls before exec.
pid_t spawn(const std::vector<std::string>& arguments, const std::string& logPath, const std::string& folder,
            const Account& account, bool dieWithParent) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (account.switchUser &&
        (setgroups(0, nullptr) != 0 || setgid(account.gid) != 0 || setuid(account.uid) != 0))
        _exit(126);
    // Set after the change of user, which would clear it.
    if (dieWithParent && (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)) _exit(125);
    if (chdir(folder.c_str()) != 0) _exit(124);
    int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    execvp(argv[0], argv.data());
    _exit(127);
}

bool exitedAlready(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

// Asks the process to stop, waits a bounded time, then kills it.
void endProcess(pid_t pid, int signal) {
    if (pid <= 0) return;
    kill(pid, signal);
    const auto deadline = SteadyClock::now() + std::chrono::seconds(15);
    int status = 0;
    while (SteadyClock::now() < deadline) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

}  // namespace

ParseServer* ParseServer::shared() {
    return gShared;
}

std::string ParseServer::serverURL() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/parse";
}

bool ParseServer::fail(std::string reason) {
    failure_ = std::move(reason);
    stop();
    return false;
}

bool ParseServer::start() {
    const auto began = SteadyClock::now();
    const char* packageDir = getenv("KESTRUNE_PARSE_SERVER_DIR");
    std::string package = packageDir ? packageDir : "";
    if (package.empty()) {
        if (const char* home = getenv("HOME")) {
            glob_t found{};
            if (glob(
                    (std::string(home) + "/.cache/kestrune/parse-server-*/node_modules/parse-server").c_str(),
                    0, nullptr, &found) == 0 &&
                found.gl_pathc > 0)
                package =
                    std::filesystem::path(found.gl_pathv[found.gl_pathc - 1]).parent_path().parent_path();
            globfree(&found);
        }
    }
    const std::string serverScript = package + "/node_modules/parse-server/bin/parse-server";
    if (package.empty() || !std::filesystem::exists(serverScript))
        return fail("no Parse Server package at '" + package + "': run `make deps`");

    auto account = postgresAccount();
    if (!account) return fail("this process is root and there is no `postgres` user to run PostgreSQL");

    char pattern[] = "/tmp/kestrune-parse-XXXXXX";
    if (!mkdtemp(pattern)) return fail("no temporary folder");
    folder_ = pattern;
    const std::string dataDir = folder_ + "/data";
    if (account->switchUser && chown(folder_.c_str(), account->uid, account->gid) != 0)
        return fail("cannot hand the cluster folder to the postgres user");

    const std::string initLog = folder_ + "/initdb.log";
    pid_t init = spawn({postgresBinary("initdb"), "-D", dataDir, "-A", "trust", "-U", "parse", "-E", "UTF8",
                        "--no-sync", "--no-instructions"},
                       initLog, folder_, *account, true);
    int status = 0;
    if (init < 0 || waitpid(init, &status, 0) != init || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return fail("initdb failed: " + readFile(initLog));

    postgresPort_ = freeLoopbackPort();
    const std::string postgresLog = folder_ + "/postgres.log";
    postgresPid_ = spawn({postgresBinary("postgres"), "-D", dataDir, "-p", std::to_string(postgresPort_),
                          "-k", folder_, "-c", "listen_addresses=127.0.0.1", "-c", "fsync=off", "-c",
                          "full_page_writes=off", "-c", "synchronous_commit=off"},
                         postgresLog, folder_, *account, true);
    if (postgresPid_ < 0) return fail("PostgreSQL could not be started");
    for (auto deadline = SteadyClock::now() + std::chrono::seconds(120);;) {
        if (readFile(postgresLog).find("ready to accept connections") != std::string::npos) break;
        if (exitedAlready(postgresPid_)) {
            postgresPid_ = -1;
            return fail("PostgreSQL stopped: " + readFile(postgresLog));
        }
        if (SteadyClock::now() > deadline)
            return fail("PostgreSQL did not come up: " + readFile(postgresLog));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    port_ = freeLoopbackPort();
    const std::string config = folder_ + "/parse-server.json";
    {
        std::ofstream out(config);
        out << "{\"appId\":\"" << kApplicationId << "\",\"clientKey\":\"" << kClientKey
            << "\",\"masterKey\":\"" << kMasterKey
            << "\",\"databaseURI\":\"postgres://parse@127.0.0.1:" << postgresPort_
            << "/postgres\",\"port\":" << port_ << ",\"host\":\"127.0.0.1\",\"mountPath\":\"/parse\","
            << "\"serverURL\":\"" << serverURL() << "\",\"masterKeyIps\":[\"127.0.0.1\",\"::1\"],"
            << "\"allowClientClassCreation\":true,\"logsFolder\":\"" << folder_ << "/logs\","
            << "\"logLevel\":\"error\",\"silent\":true}";
    }
    const std::string serverLog = folder_ + "/parse-server.log";
    parseServerPid_ = spawn({"node", serverScript, config}, serverLog, folder_, Account{}, true);
    if (parseServerPid_ < 0) return fail("Parse Server could not be started");
    for (auto deadline = SteadyClock::now() + std::chrono::seconds(180);;) {
        auto answer =
            platform::URLConnection::sendSynchronousRequest(platform::URLRequest(serverURL() + "/health", 2));
        if (answer.response && answer.response->statusCode() == 200) break;
        if (exitedAlready(parseServerPid_)) {
            parseServerPid_ = -1;
            return fail("Parse Server stopped: " + readFile(serverLog));
        }
        if (SteadyClock::now() > deadline) return fail("Parse Server did not answer: " + readFile(serverLog));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    startSeconds_ = std::chrono::duration<double>(SteadyClock::now() - began).count();
    return true;
}

void ParseServer::stop() {
    endProcess(parseServerPid_, SIGTERM);
    parseServerPid_ = -1;
    endProcess(postgresPid_, SIGINT);  // the fast shutdown: ends the sessions, no waiting for clients
    postgresPid_ = -1;
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        folder_.clear();
    }
}

namespace {

class ParseServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        server_ = std::make_unique<ParseServer>();
        if (server_->start()) {
            gShared = server_.get();
            printf("Parse Server ready at %s after %.2f s\n", server_->serverURL().c_str(),
                   server_->startSeconds());
        } else {
            ADD_FAILURE() << "the Parse Server fixture did not start: " << server_->failure();
        }
    }
    void TearDown() override {
        gShared = nullptr;
        server_.reset();
    }

private:
    std::unique_ptr<ParseServer> server_;
};

}  // namespace

void registerParseServerEnvironment() {
    ::testing::AddGlobalTestEnvironment(new ParseServerEnvironment);
}

}  // namespace testsupport
