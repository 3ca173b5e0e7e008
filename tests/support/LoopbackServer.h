#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/Data.h"

namespace httplib {
class Server;
}

namespace testsupport {

// An HTTP server on 127.0.0.1 with an ephemeral port for tests of network clients. It records every
// request and plays answers that the test scripts: per path first, then in the order queued for any
// path, then the default answer (200, empty body). Delays run in real time on the server's own threads
// and are cut short when the server stops, so a test never waits on a delay it no longer cares about.
// A request that must still be out when something else happens gets a held answer, not a delay: it
// goes out when the test says so, not when a time that a busy machine may overrun has passed.
class LoopbackServer {
public:
    using HeaderFields = std::vector<std::pair<std::string, std::string>>;

    // Every field has a default member initialiser, so that an answer names only what it changes
    // ({.status = 503, .held = true}); the empty braces matter: a designated initialiser that leaves out
    // a field without one is warned about as missing.
    struct Answer {
        int status = 200;
        HeaderFields headers{};
        std::string body{};
        double delaySeconds = 0;      // before the answer is sent
        bool dropConnection = false;  // the status line and headers go out, then the connection is cut
        // The answer waits, its request recorded, until releaseHeldAnswers() or stop(): the request stays
        // out for as long as the test needs, whatever the load of the machine, and not a moment longer.
        // A hold no test released ends after holdLimitSeconds of real time, so that a failed test ends.
        bool held = false;
        // A test whose held requests come minutes apart on a busy machine holds the first longer, so that
        // both are out at once.
        double holdLimitSeconds = kHoldLimitSeconds;
    };
    static constexpr double kHoldLimitSeconds = 60;

    struct Request {
        std::string method;
        std::string path;      // without the query
        std::string target;    // as sent: path and query
        HeaderFields headers;  // as the client sent them (in the library's order, not the wire's)
        std::string body;
        // The first value of the field, the name compared without regard to case.
        std::optional<std::string> header(const std::string& name) const;
    };

    // A private key and a certificate for TLS tests, written as PEM files. The certificate file holds
    // the chain the server sends: its own certificate first, then any intermediate authority.
    struct Identity {
        std::string certificatePath;
        std::string keyPath;
        platform::Data certificateDER;         // the server's own certificate
        std::vector<platform::Data> chainDER;  // as sent: the server's certificate, then intermediates
    };
    // A test root authority: a self-signed certificate that may sign others, with its key (PEM).
    struct Authority {
        std::string commonName;
        std::string certificatePEM;
        std::string keyPEM;
        platform::Data certificateDER;
    };
    // Makes an identity for the given host name or IP address (subject and subject alternative name).
    static std::optional<Identity> makeSelfSignedIdentity(const std::string& folder,
                                                          const std::string& host = "127.0.0.1");
    static std::optional<Authority> makeRootAuthority(const std::string& commonName);
    // The name a certificate folder keeps the root under, the one OpenSSL's folder lookup asks for: the
    // hash of its subject, as `openssl rehash` names it ("5ad8a5d6.0"); empty when it does not read.
    static std::string hashedName(const Authority& root);
    // An identity for the host whose certificate an intermediate authority signed, the intermediate
    // itself signed by the root: the usual shape of a public server's chain. The root is not sent. The
    // certificate's extended key usage names what it may be used for ("clientAuth": no server's).
    static std::optional<Identity> makeIdentitySignedBy(const Authority& root, const std::string& folder,
                                                        const std::string& host = "127.0.0.1",
                                                        const std::string& extendedKeyUsage = "serverAuth");

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // How long the server waits for a client's next bytes, those of its TLS handshake among them, before
    // it closes the connection: five seconds unless set. A test whose client holds its handshake open
    // (in the trust callback) for longer sets it, so that the server's patience does not decide the
    // outcome. Takes effect at the next start.
    void setReadTimeout(double seconds) { readTimeoutSeconds_ = seconds; }

    // Starts plain HTTP; false when no port could be bound.
    bool start();
    // Starts HTTPS with the identity's files (the whole chain in the certificate file is sent).
    bool startTLS(const Identity& identity);
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" (https for TLS), and that followed by a path.
    std::string baseURL() const;
    std::string url(const std::string& path) const { return baseURL() + path; }

    void enqueue(Answer answer);
    void enqueue(const std::string& path, Answer answer);
    void setDefaultAnswer(Answer answer);

    std::vector<Request> requests() const;
    size_t requestCount() const;
    // Blocks until the server has received `count` requests in all (not a sleep: it wakes on the
    // arrival), or the real-time limit passes; answers whether they arrived.
    bool waitForRequests(size_t count, double timeoutSeconds = 120) const;
    // Blocks until `count` answers are held at once (their requests are in), or the real-time limit
    // passes; answers whether they are.
    bool waitForHeldAnswers(size_t count, double timeoutSeconds = 120) const;
    // Lets every answer held now go out.
    void releaseHeldAnswers();

private:
    bool run(std::unique_ptr<httplib::Server> server);
    Answer nextAnswer(const std::string& path);
    void answer(const Request& request, int& status, HeaderFields& headers, std::string& body, bool& drop);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    bool tls_ = false;
    double readTimeoutSeconds_ = 0;  // the library's own when none is set

    mutable std::mutex mutex_;
    std::condition_variable stopping_;
    mutable std::condition_variable arrived_;
    bool stopped_ = false;
    size_t holding_ = 0;     // answers waiting now on a hold
    uint64_t releases_ = 0;  // counts releaseHeldAnswers(): a hold ends when it moves
    std::vector<Request> requests_;
    std::deque<Answer> answers_;
    std::map<std::string, std::deque<Answer>> pathAnswers_;
    Answer defaultAnswer_;
};

}  // namespace testsupport
