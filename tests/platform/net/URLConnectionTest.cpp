#include "platform/net/URLConnection.h"

#include <atomic>
#include <fstream>
#include <mutex>

#include "platform/net/URLError.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using platform::AuthChallengeDisposition;
using platform::Data;
using platform::ServerTrust;
using platform::URLConnection;
using platform::URLError;
using platform::URLRequest;
using testsupport::LoopbackServer;

namespace {

// Records the events of one connection in order; events come from the transfer's worker thread.
class Recorder : public platform::URLConnectionDelegate {
public:
    AuthChallengeDisposition connection_didReceiveServerTrust(URLConnection&,
                                                              const ServerTrust& trust) override {
        std::lock_guard lock(mutex);
        events.push_back("trust");
        chains.push_back(trust.certificateChain());
        hosts.push_back(trust.host());
        return trustAnswer ? trustAnswer(trust) : AuthChallengeDisposition::PerformDefaultHandling;
    }
    void connection_didReceiveResponse(URLConnection&, const platform::HTTPURLResponse& r) override {
        std::lock_guard lock(mutex);
        events.push_back("response");
        response = r;
    }
    void connection_didReceiveData(URLConnection&, const Data& d) override {
        std::lock_guard lock(mutex);
        if (events.empty() || events.back() != "data") events.push_back("data");
        body.append(d);
    }
    void connectionDidFinishLoading(URLConnection&) override {
        std::lock_guard lock(mutex);
        events.push_back("finish");
    }
    void connection_didFailWithError(URLConnection&, const platform::Error& e) override {
        std::lock_guard lock(mutex);
        events.push_back("fail");
        error = e;
    }

    std::function<AuthChallengeDisposition(const ServerTrust&)> trustAnswer;
    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<std::vector<Data>> chains;
    std::vector<std::string> hosts;
    std::optional<platform::HTTPURLResponse> response;
    Data body;
    std::optional<platform::Error> error;
};

class URLConnectionTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        ASSERT_TRUE(server.start());
    }
    void TearDown() override {
        server.stop();
        KestruneTest::TearDown();
    }

    std::shared_ptr<Recorder> load(URLRequest request) {
        auto recorder = std::make_shared<Recorder>();
        URLConnection::connectionWithRequest(std::move(request), recorder)->start();
        runUntilIdle();  // waits for the transfer's worker
        return recorder;
    }

    LoopbackServer server;
};

TEST_F(URLConnectionTest, SendsMethodHeadersAndBodyAndReportsTheAnswerInOrder) {
    server.enqueue({201, {{"X-Request-Id", "r-1"}, {"Content-Type", "application/json"}}, "{\"ok\":true}"});
    URLRequest request(server.url("/spi/apps?x=1"));
    request.setHTTPMethod("PUT");
    request.setValue_forHTTPHeaderField("application/json", "Accept");
    request.addValue_forHTTPHeaderField("a", "X-List");
    request.addValue_forHTTPHeaderField("b", "x-list");
    request.setValue_forHTTPHeaderField(std::string("bad\r\nInjected: 1"), "X-Evil");
    request.setHTTPBody(Data::fromString("payload"));
    auto r = load(request);

    EXPECT_EQ(r->events, (std::vector<std::string>{"response", "data", "finish"}));
    ASSERT_TRUE(r->response);
    EXPECT_EQ(r->response->statusCode(), 201);
    EXPECT_EQ(r->response->valueForHTTPHeaderField("x-request-id"), "r-1");
    EXPECT_EQ(r->body.toString(), "{\"ok\":true}");

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "PUT");
    EXPECT_EQ(requests[0].target, "/spi/apps?x=1");
    EXPECT_EQ(requests[0].body, "payload");
    EXPECT_EQ(requests[0].header("accept"), "application/json");
    EXPECT_EQ(requests[0].header("X-List"), "a,b");
    EXPECT_FALSE(requests[0].header("X-Evil"));
    EXPECT_FALSE(requests[0].header("Injected"));
}

TEST_F(URLConnectionTest, UploadsExactlyTheStatedLengthOfAFileByteForByte) {
    std::string content;
    for (int i = 0; i < 300000; ++i) content.push_back(static_cast<char>(i * 7 % 256));
    const std::string path = home() + "/upload.bin";
    std::ofstream(path, std::ios::binary) << content << "trailing bytes that are not sent";
    URLRequest request(server.url("/upload"));
    request.setHTTPMethod("POST");
    request.setHTTPBodyFile(path, content.size());
    auto r = load(request);
    EXPECT_EQ(r->events.back(), "finish");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].body, content);
    EXPECT_EQ(server.requests()[0].header("Content-Length"), std::to_string(content.size()));
}

TEST_F(URLConnectionTest, ABodyFileShorterThanStatedOrMissingFailsTheTransfer) {
    const std::string path = home() + "/short.bin";
    std::ofstream(path, std::ios::binary) << "12345";
    URLRequest request(server.url("/upload"));
    request.setHTTPMethod("POST");
    request.setHTTPBodyFile(path, 10);
    auto r = load(request);
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::RequestBodyStreamExhausted);

    request.setHTTPBodyFile(home() + "/missing.bin", 10);
    r = load(request);
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::FileDoesNotExist);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(URLConnectionTest, AServerSlowerThanTheTimeoutFailsWithTimedOut) {
    server.enqueue({200, {}, "late", 5.0});
    URLRequest request(server.url("/slow"), 0.2);
    auto r = load(request);
    EXPECT_EQ(r->events, (std::vector<std::string>{"fail"}));
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->domain, URLError::kDomain);
    EXPECT_EQ(r->error->code, URLError::TimedOut);
}

TEST_F(URLConnectionTest, CancelEndsARunningTransferWithTheCancellationErrorOnce) {
    server.enqueue({200, {}, "late", 5.0});
    auto recorder = std::make_shared<Recorder>();
    auto connection = URLConnection::connectionWithRequest(URLRequest(server.url("/slow"), 10), recorder);
    connection->start();
    // Cancel once the server holds the request, so the cancel meets a transfer in flight.
    ASSERT_TRUE(server.waitForRequests(1));
    connection->cancel();
    runUntilIdle();
    connection->cancel();  // after the end: nothing more
    runUntilIdle();
    EXPECT_EQ(recorder->events, (std::vector<std::string>{"fail"}));
    ASSERT_TRUE(recorder->error);
    EXPECT_TRUE(URLError::isCancellation(*recorder->error));
}

TEST_F(URLConnectionTest, ConnectionRefusedIsCannotConnect) {
    const std::string url = server.url("/");
    server.stop();
    auto r = load(URLRequest(url, 2));
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::CannotConnectToHost);
}

TEST_F(URLConnectionTest, SynchronousSendAnswersOnTheCallingThread) {
    server.enqueue({404, {}, "missing"});
    auto result = URLConnection::sendSynchronousRequest(URLRequest(server.url("/nothing"), 2));
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.response->statusCode(), 404);
    ASSERT_TRUE(result.data);
    EXPECT_EQ(result.data->toString(), "missing");
    EXPECT_FALSE(result.error);
}

class URLConnectionTLSTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        auto made = LoopbackServer::makeSelfSignedIdentity(home() + "/tls");
        ASSERT_TRUE(made);
        identity = *made;
        ASSERT_TRUE(server.startTLS(identity));
    }
    void TearDown() override {
        server.stop();
        KestruneTest::TearDown();
    }

    LoopbackServer server;
    LoopbackServer::Identity identity;
};

TEST_F(URLConnectionTLSTest, TheDelegateDecidesTrustFromThePresentedChain) {
    server.setDefaultAnswer({200, {}, "secret"});

    auto pinned = std::make_shared<Recorder>();
    pinned->trustAnswer = [&](const ServerTrust& trust) {
        return trust.evaluateWithAnchors({identity.certificateDER}, true) == ServerTrust::Proceed
                   ? AuthChallengeDisposition::UseCredential
                   : AuthChallengeDisposition::CancelChallenge;
    };
    URLConnection::connectionWithRequest(URLRequest(server.url("/"), 5), pinned)->start();
    runUntilIdle();
    EXPECT_EQ(pinned->events, (std::vector<std::string>{"trust", "response", "data", "finish"}));
    ASSERT_EQ(pinned->chains.size(), 1u);
    ASSERT_FALSE(pinned->chains[0].empty());
    EXPECT_EQ(pinned->chains[0][0], identity.certificateDER);
    EXPECT_EQ(pinned->hosts[0], "127.0.0.1");
    EXPECT_EQ(pinned->body.toString(), "secret");

    // The system's roots do not know the test certificate.
    auto byDefault = std::make_shared<Recorder>();
    URLConnection::connectionWithRequest(URLRequest(server.url("/"), 5), byDefault)->start();
    runUntilIdle();
    ASSERT_TRUE(byDefault->error);
    EXPECT_EQ(byDefault->error->code, URLError::ServerCertificateUntrusted);

    auto refused = std::make_shared<Recorder>();
    refused->trustAnswer = [](const ServerTrust&) { return AuthChallengeDisposition::CancelChallenge; };
    URLConnection::connectionWithRequest(URLRequest(server.url("/"), 5), refused)->start();
    runUntilIdle();
    ASSERT_TRUE(refused->error);
    EXPECT_EQ(refused->error->code, URLError::Cancelled);
    EXPECT_EQ(server.requestCount(), 1u);  // only the trusted connection got as far as a request
}

TEST_F(URLConnectionTLSTest, AnchorEvaluationRefusesOtherRootsAndOtherHosts) {
    auto other = LoopbackServer::makeSelfSignedIdentity(home() + "/other");
    ASSERT_TRUE(other);
    ServerTrust trust("127.0.0.1", {identity.certificateDER});
    EXPECT_EQ(trust.evaluateWithAnchors({identity.certificateDER}, true), ServerTrust::Proceed);
    EXPECT_EQ(trust.evaluateWithAnchors({other->certificateDER}, true), ServerTrust::RecoverableTrustFailure);
    EXPECT_EQ(trust.evaluateWithAnchors({}, false), ServerTrust::RecoverableTrustFailure);
    ServerTrust wrongHost("example.invalid", {identity.certificateDER});
    EXPECT_EQ(wrongHost.evaluateWithAnchors({identity.certificateDER}, true),
              ServerTrust::RecoverableTrustFailure);
    ServerTrust garbage("127.0.0.1", {Data::fromString("not a certificate")});
    EXPECT_EQ(garbage.evaluateWithAnchors({identity.certificateDER}, true), ServerTrust::Invalid);
}

}  // namespace
