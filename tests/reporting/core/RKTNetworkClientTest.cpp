#include "reporting/core/RKTNetworkClient.h"

#include <mutex>

#include "platform/base/RunLoop.h"
#include "platform/net/URLError.h"
#include "platform/storage/Files.h"
#include "platform/system/ProcessInfo.h"
#include "reporting/core/ReportKit.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using platform::AuthChallengeDisposition;
using platform::Data;
using platform::HTTPURLResponse;
using platform::URLError;
using platform::URLRequest;
using reporting::KitErrorPtr;
using reporting::ReportKit;
using reporting::RKTNetworkClient;
using testsupport::LoopbackServer;

namespace {

struct Outcome {
    std::mutex mutex;
    int calls = 0;
    std::optional<Data> data;
    std::optional<HTTPURLResponse> response;
    KitErrorPtr error;
};

RKTNetworkClient::DataCompletionHandler record(const std::shared_ptr<Outcome>& outcome) {
    return [outcome](const std::optional<Data>& data, const std::optional<HTTPURLResponse>& response,
                     const KitErrorPtr& error) {
        std::lock_guard lock(outcome->mutex);
        ++outcome->calls;
        outcome->data = data;
        outcome->response = response;
        outcome->error = error;
    };
}

LoopbackServer::Answer status(int code, LoopbackServer::HeaderFields headers = {}, std::string body = {}) {
    return {code, std::move(headers), std::move(body), 0};
}

}  // namespace

class RKTNetworkClientTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        ReportKit::resetSharedForTesting();
        savedArguments = platform::ProcessInfo::shared().arguments();
        outcome = std::make_shared<Outcome>();
    }
    void TearDown() override {
        runUntilIdle();
        server.stop();
        platform::ProcessInfo::shared().setArguments(savedArguments);
        ReportKit::resetSharedForTesting();
        KestruneTest::TearDown();
    }
    // The requests the server has seen after the clients' work has settled.
    size_t settledRequestCount() {
        runUntilIdle();
        return server.requestCount();
    }
    // Seconds until the retry that waits on the run loop. The clock stands still while a request runs
    // (runUntilIdle does not move it), so a retry is scheduled exactly its delay after now.
    double pendingDelay() const {
        const auto fire = platform::RunLoop::main().nextTimerFireDate();
        EXPECT_TRUE(fire);
        return fire ? *fire - now() : -1;
    }
    void advanceAndSettle(double seconds) {
        advance(seconds);
        runUntilIdle();
    }
    LoopbackServer::Authority authority(const std::string& name) {
        auto made = LoopbackServer::makeRootAuthority(name);
        EXPECT_TRUE(made);
        return made.value_or(LoopbackServer::Authority{});
    }
    void startTLS(const LoopbackServer::Authority& root, const std::string& host = "127.0.0.1") {
        auto identity = LoopbackServer::makeIdentitySignedBy(root, home() + "/tls", host);
        ASSERT_TRUE(identity);
        chain = identity->chainDER;
        ASSERT_TRUE(server.startTLS(*identity));
    }

    LoopbackServer server;
    std::shared_ptr<Outcome> outcome;
    std::vector<Data> chain;
    std::vector<std::string> savedArguments;
};

TEST_F(RKTNetworkClientTest, AChainToAPinnedRootIsAccepted) {
    const auto root = authority("Kit Test Root");
    startTLS(root);
    server.enqueue(status(200, {}, "pinned"));
    auto client =
        RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, std::vector<Data>{root.certificateDER});
    ASSERT_TRUE(client && client->certPinner());
    client->startDataTaskWithRequest_completionHandler(URLRequest(server.url("/x")), record(outcome));
    EXPECT_EQ(settledRequestCount(), 1u);
    EXPECT_EQ(outcome->calls, 1);
    EXPECT_FALSE(outcome->error);
    ASSERT_TRUE(outcome->data);
    EXPECT_EQ(outcome->data->toString(), "pinned");
}

TEST_F(RKTNetworkClientTest, AnUnpinnedRootIsRefusedOnceAndNeverRetried) {
    const auto pinned = authority("Kit Test Root");
    const auto other = authority("Unpinned Root");
    startTLS(other);
    auto client =
        RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, std::vector<Data>{pinned.certificateDER});
    testsupport::LogCapture log;
    client->startDataTaskWithRequest_retryLimit_completionHandler(URLRequest(server.url("/x")), 10,
                                                                  record(outcome));
    EXPECT_EQ(settledRequestCount(), 0u);  // the handshake never got as far as a request
    EXPECT_EQ(outcome->calls, 1);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->domain(), URLError::kDomain);
    EXPECT_EQ(outcome->error->code(), URLError::Cancelled);
    // A refused chain is final: no retry waits on the run loop for the ten retries of the budget.
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 0u);
    advanceAndSettle(3600);
    EXPECT_EQ(outcome->calls, 1);
    EXPECT_TRUE(log.contains("does not end in a pinned root: refused"));
}

TEST_F(RKTNetworkClientTest, AChainForAnotherHostIsRefusedEvenFromAPinnedRoot) {
    const auto root = authority("Kit Test Root");
    startTLS(root, "other.test");
    auto client =
        RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, std::vector<Data>{root.certificateDER});
    client->startDataTaskWithRequest_completionHandler(URLRequest(server.url("/x")), record(outcome));
    EXPECT_EQ(settledRequestCount(), 0u);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code(), URLError::Cancelled);
}

TEST_F(RKTNetworkClientTest, WithoutPinningTheSystemRootsDecideAndRefuseATestRoot) {
    const auto root = authority("Kit Test Root");
    startTLS(root);
    auto client = RKTNetworkClient::init();
    ASSERT_TRUE(client);
    EXPECT_FALSE(client->certPinner());
    client->startDataTaskWithRequest_completionHandler(URLRequest(server.url("/x")), record(outcome));
    EXPECT_EQ(settledRequestCount(), 0u);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code(), URLError::ServerCertificateUntrusted);
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 0u);
}

TEST_F(RKTNetworkClientTest, TheDebugFlagHandsTheChallengeToTheSystem) {
    const auto pinned = authority("Kit Test Root");
    const auto other = authority("Unpinned Root");
    auto identity = LoopbackServer::makeIdentitySignedBy(other, home() + "/tls");
    ASSERT_TRUE(identity);
    const platform::ServerTrust trust("127.0.0.1", identity->chainDER);
    auto client =
        RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, std::vector<Data>{pinned.certificateDER});
    std::optional<AuthChallengeDisposition> answer;
    auto completion = [&](AuthChallengeDisposition d) { answer = d; };

    client->URLSession_didReceiveChallenge_completionHandler(*client->session(), trust, completion);
    EXPECT_EQ(answer, AuthChallengeDisposition::CancelChallenge);

    platform::ProcessInfo::shared().setArguments({"kestrune", "-NMBDebugEnabled"});
    ReportKit::resetSharedForTesting();
    ASSERT_TRUE(ReportKit::sharedSDK().debug());
    client->URLSession_didReceiveChallenge_completionHandler(*client->session(), trust, completion);
    EXPECT_EQ(answer, AuthChallengeDisposition::PerformDefaultHandling);
}

TEST_F(RKTNetworkClientTest, ServerErrorsAreRetriedAfterTheDelaysUntilTheLimit) {
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer(status(503));
    auto client = RKTNetworkClient::init();
    URLRequest request(server.url("/busy"));
    client->startDataTaskWithRequest_retryLimit_completionHandler(request, 2, record(outcome));
    EXPECT_EQ(settledRequestCount(), 1u);
    // Both delays are 2 s within 10 % (2 to the power 1 for the first two retries), each counted from
    // the moment the attempt before it started: the first request at once, a retry when its timer fired
    // (the clock then stands 1 ms later, after the step that lets it fire).
    double attemptStarted = now();
    for (size_t attempts = 1; attempts <= 2; ++attempts) {
        const double delay = pendingDelay() + (now() - attemptStarted);
        EXPECT_GE(delay, 1.8);
        EXPECT_LE(delay, 2.2);
        advanceAndSettle(attemptStarted + delay - now() - 0.001);
        EXPECT_EQ(server.requestCount(), attempts);
        advanceAndSettle(0.002);
        EXPECT_EQ(server.requestCount(), attempts + 1);
        attemptStarted += delay;
    }
    EXPECT_EQ(outcome->calls, 1);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->domain(), "RKTNetworkError");
    EXPECT_EQ(outcome->error->code(), -6);
    EXPECT_EQ(outcome->error->userInfo().at("retryLimit"), platform::Value(2));
    EXPECT_EQ(outcome->error->userInfo().at("NSErrorFailingURLStringKey"), platform::Value(request.URL()));
    EXPECT_FALSE(outcome->response);
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 0u);
    advanceAndSettle(3600);
    EXPECT_EQ(server.requestCount(), 3u);
}

// A retry scheduled before the client's session was invalidated must not reopen it: the owner that
// invalidated it no longer applies the pins.
TEST_F(RKTNetworkClientTest, ARetryScheduledBeforeInvalidationNeverRuns) {
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer(status(503));
    auto client = RKTNetworkClient::init();
    client->startDataTaskWithRequest_retryLimit_completionHandler(URLRequest(server.url("/busy")), 5,
                                                                  record(outcome));
    EXPECT_EQ(settledRequestCount(), 1u);
    ASSERT_EQ(platform::RunLoop::main().pendingTimerCount(), 1u);
    client->invalidateAndCancel();
    advanceAndSettle(3600);
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(outcome->calls, 1);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code(), -3);
}

// The system store is pointed at the test root, so the system alone would let this chain pass.
TEST_F(RKTNetworkClientTest, AChainTheSystemTrustsButThePinsDoNotIsRefused) {
    const auto pinned = authority("Kit Test Root");
    const auto system = authority("System Root");
    const std::string bundle = home() + "/system-roots.pem";
    ASSERT_TRUE(platform::Files::writeAtomically(bundle, Data::fromString(system.certificatePEM)));
    const char* saved = getenv("SSL_CERT_FILE");
    const std::string savedValue = saved ? saved : "";
    setenv("SSL_CERT_FILE", bundle.c_str(), 1);
    auto identity = LoopbackServer::makeIdentitySignedBy(system, home() + "/tls");
    ASSERT_TRUE(identity);
    const platform::ServerTrust trust("127.0.0.1", identity->chainDER);
    EXPECT_EQ(trust.evaluateWithAnchors({}, false), platform::ServerTrust::Proceed);

    auto client =
        RKTNetworkClient::initWithQueue_pinnedCertificates(nullptr, std::vector<Data>{pinned.certificateDER});
    std::optional<AuthChallengeDisposition> answer;
    client->URLSession_didReceiveChallenge_completionHandler(*client->session(), trust,
                                                             [&](AuthChallengeDisposition d) { answer = d; });
    EXPECT_EQ(answer, AuthChallengeDisposition::CancelChallenge);
    // Nor does the session let it pass once the client has let it go.
    auto task = client->session()->dataTaskWithRequest(URLRequest(server.url("/x")));
    client->invalidateAndCancel();
    EXPECT_EQ(client->session()->task_didReceiveServerTrust(task, trust),
              AuthChallengeDisposition::CancelChallenge);
    EXPECT_FALSE(client->session()->dataTaskWithRequest(URLRequest(server.url("/x"))));

    if (saved) {
        setenv("SSL_CERT_FILE", savedValue.c_str(), 1);
    } else {
        unsetenv("SSL_CERT_FILE");
    }
}

TEST_F(RKTNetworkClientTest, AThrottledAnswerWaitsForItsRetryAfterRaisedToTheRetryCount) {
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer(status(429, {{"Retry-After", "30"}}));
    auto client = RKTNetworkClient::init();
    client->startDataTaskWithRequest_retryLimit_completionHandler(URLRequest(server.url("/t")), 3,
                                                                  record(outcome));
    EXPECT_EQ(settledRequestCount(), 1u);
    for (double nominal : {30.0, 30.0, 900.0}) {
        const double delay = pendingDelay();
        EXPECT_GE(delay, nominal * 0.9);
        EXPECT_LE(delay, nominal * 1.1);
        const size_t before = server.requestCount();
        advanceAndSettle(delay + 0.001);
        EXPECT_EQ(server.requestCount(), before + 1);
    }
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code(), -6);
}

TEST_F(RKTNetworkClientTest, FailuresThatCannotPassAreNotRetried) {
    ASSERT_TRUE(server.start());
    server.enqueue(status(404, {{"X-Request-Id", "abc"}}));
    auto client = RKTNetworkClient::init();
    client->startDataTaskWithRequest_completionHandler(URLRequest(server.url("/gone")), record(outcome));
    EXPECT_EQ(settledRequestCount(), 1u);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code(), -5);
    EXPECT_EQ(outcome->error->userInfo().at("request_id"), platform::Value("abc"));
    ASSERT_TRUE(outcome->response);
    EXPECT_EQ(outcome->response->statusCode(), 404);

    // A plain server spoken to over TLS: the secure connection fails (-1200) and stays failed.
    auto tls = std::make_shared<Outcome>();
    client->startDataTaskWithRequest_completionHandler(
        URLRequest("https://127.0.0.1:" + std::to_string(server.port()) + "/x"), record(tls));
    runUntilIdle();
    ASSERT_TRUE(tls->error);
    EXPECT_EQ(tls->error->code(), URLError::SecureConnectionFailed);
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 0u);

    // A limit of 0 gives up at the first retryable failure.
    server.enqueue(status(500));
    auto none = std::make_shared<Outcome>();
    client->startDataTaskWithRequest_retryLimit_completionHandler(URLRequest(server.url("/x")), 0,
                                                                  record(none));
    runUntilIdle();
    ASSERT_TRUE(none->error);
    EXPECT_EQ(none->error->code(), -6);
    EXPECT_EQ(none->error->userInfo().at("retryLimit"), platform::Value(0));
}

TEST_F(RKTNetworkClientTest, ARefusedConnectionIsRetried) {
    ASSERT_TRUE(server.start());
    const std::string url = server.url("/x");
    server.stop();  // nobody listens on the port any more
    auto client = RKTNetworkClient::init();
    client->startDataTaskWithRequest_retryLimit_completionHandler(URLRequest(url), 1, record(outcome));
    runUntilIdle();
    EXPECT_EQ(outcome->calls, 0);
    EXPECT_EQ(platform::RunLoop::main().pendingTimerCount(), 1u);
    advanceAndSettle(2.21);
    EXPECT_EQ(outcome->calls, 1);
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->code(), -6);
}

TEST_F(RKTNetworkClientTest, ADownloadHandsOverItsFileAfterARetry) {
    ASSERT_TRUE(server.start());
    server.enqueue(status(502));
    server.enqueue(status(200, {}, "{\"a\":1}"));
    auto client = RKTNetworkClient::init();
    std::optional<std::string> content;
    KitErrorPtr error = nullptr;
    client->startDownloadTaskWithRequest_completionHandler(
        URLRequest(server.url("/file")), [&](const std::optional<std::string>& location,
                                             const std::optional<HTTPURLResponse>&, const KitErrorPtr& e) {
            error = e;
            if (location) {
                auto bytes = platform::Files::read(*location);
                if (bytes) content = bytes->toString();
            }
        });
    runUntilIdle();
    advanceAndSettle(2.21);
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_FALSE(error);
    EXPECT_EQ(content, "{\"a\":1}");
}

TEST_F(RKTNetworkClientTest, DelaysGrowExponentiallyWithJitterAndAreClampedBeforeUse) {
    auto client = RKTNetworkClient::init();
    auto withRetryAfter = [](const std::string& value) {
        return std::optional<HTTPURLResponse>(
            HTTPURLResponse("https://h.test", 429, {{"Retry-After", value}}));
    };
    for (int i = 0; i < 200; ++i) {
        const double jitter = client->generateRandomJitter();
        EXPECT_GE(jitter, static_cast<double>(0.9f));
        EXPECT_LT(jitter, static_cast<double>(1.1f));
    }
    auto within = [](double value, double nominal) {
        return value >= nominal * 0.8999 && value <= nominal * 1.1001;
    };
    EXPECT_TRUE(within(client->computeDelayForResponse_withRetryCount(std::nullopt, 0), 2));
    EXPECT_TRUE(within(client->computeDelayForResponse_withRetryCount(std::nullopt, 3), 8));
    EXPECT_TRUE(within(client->computeDelayForResponse_withRetryCount(withRetryAfter("0"), 1), 2));
    EXPECT_TRUE(within(client->computeDelayForResponse_withRetryCount(withRetryAfter("30"), 3), 27000));
    // Growth, a huge or an unreadable Retry-After all end at the limit, never at an overflowed value.
    EXPECT_EQ(client->computeDelayForResponse_withRetryCount(withRetryAfter("30"), 4),
              RKTNetworkClient::kMaximumRetryDelay);
    EXPECT_EQ(client->computeDelayForResponse_withRetryCount(std::nullopt, 4000000000u),
              RKTNetworkClient::kMaximumRetryDelay);
    const double huge = client->computeDelayForResponse_withRetryCount(withRetryAfter("1e999"), 0);
    EXPECT_TRUE(within(huge, RKTNetworkClient::kMaximumRetryDelay) &&
                huge <= RKTNetworkClient::kMaximumRetryDelay);
    EXPECT_EQ(client->computeDelayForResponse_withRetryCount(withRetryAfter("1e308"), 2),
              RKTNetworkClient::kMaximumRetryDelay);
    EXPECT_TRUE(within(client->computeDelayForResponse_withRetryCount(withRetryAfter("inf"), 0), 2));
}
