#include "platform/net/URLConnection.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <regex>
#include <thread>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Strings.h"
#include "platform/net/URLError.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PacedServer.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestRoots.h"

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
    server.enqueue({.status = 200, .headers = {}, .body = "late", .held = true});
    URLRequest request(server.url("/slow"), 0.2);
    auto r = load(request);
    EXPECT_EQ(r->events, (std::vector<std::string>{"fail"}));
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->domain, URLError::kDomain);
    EXPECT_EQ(r->error->code, URLError::TimedOut);
}

TEST_F(URLConnectionTest, CancelEndsARunningTransferWithTheCancellationErrorOnce) {
    server.enqueue({.status = 200, .headers = {}, .body = "late", .held = true});
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

// A transfer holds a worker for as long as its server takes, and more may be under way than a queue has
// workers (uploads piled up against a server that never answers). They wait on workers of their own: an
// item of a serial queue, which a transfer's trust callback may be waiting for, and one of the global
// queue still run at once. On the global queue's workers they would wait behind the transfers until
// those ended.
TEST_F(URLConnectionTest, TransfersHeldByTheirServerLeaveTheGlobalAndSerialQueuesFree) {
    constexpr int kTransfers = 72;  // more than either pool has workers
    server.setDefaultAnswer({.status = 200, .held = true});
    std::vector<std::shared_ptr<URLConnection>> transfers;
    std::vector<std::shared_ptr<Recorder>> recorders;
    for (int i = 0; i < kTransfers; ++i) {
        recorders.push_back(std::make_shared<Recorder>());
        transfers.push_back(
            URLConnection::connectionWithRequest(URLRequest(server.url("/held"), 120), recorders.back()));
        transfers.back()->start();
    }
    ASSERT_TRUE(server.waitForHeldAnswers(1, 60));
    std::promise<void> serialRan, globalRan;
    auto serial = platform::DispatchQueue::createSerial("test.beside-transfers");
    serial->async([&serialRan] { serialRan.set_value(); });
    platform::DispatchQueue::global().async([&globalRan] { globalRan.set_value(); });
    // Far more than an idle worker takes to start an item on a loaded machine, far less than the hold.
    constexpr auto kRunsWithin = std::chrono::seconds(30);
    const bool serialInTime = serialRan.get_future().wait_for(kRunsWithin) == std::future_status::ready;
    const bool globalInTime = globalRan.get_future().wait_for(kRunsWithin) == std::future_status::ready;
    for (auto& transfer : transfers) transfer->cancel();
    server.releaseHeldAnswers();
    runUntilIdle();  // every transfer has ended
    EXPECT_TRUE(serialInTime) << "the serial queue's item waited behind the transfers";
    EXPECT_TRUE(globalInTime) << "the global queue's item waited behind the transfers";
    for (const auto& recorder : recorders) EXPECT_FALSE(recorder->events.empty());
}

TEST_F(URLConnectionTest, ConnectionRefusedIsCannotConnect) {
    const std::string url = server.url("/");
    server.stop();
    auto r = load(URLRequest(url, 2));
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::CannotConnectToHost);
}

// A request that cannot go anywhere is answered without a name server and, in a process that has made no
// other request, without loading libcurl (the application's placeholder addresses at start-up).
TEST_F(URLConnectionTest, AddressesInTheInvalidDomainFailAtOnceWithoutLoadingTheTransferLibrary) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto hostNotFound = [](const std::string& url, const std::string& host) {
        auto result = URLConnection::sendSynchronousRequest(URLRequest(url, 2));
        return result.error && result.error->code == URLError::CannotFindHost && !result.response &&
               result.error->description == "no such host: " + host;
    };
    EXPECT_EXIT(
        {
            const bool answered =
                hostNotFound("https://kestrune.invalid/downloads/kestrune.xml", "kestrune.invalid") &&
                hostNotFound("http://Feed.Kestrune.INVALID:8080?x=1", "feed.kestrune.invalid") &&
                hostNotFound("https://invalid/#top", "invalid") &&
                hostNotFound("https://kestrune.invalid./", "kestrune.invalid.");
            const bool loaded = dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD) != nullptr;
            std::_Exit(answered && !loaded ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    // Addresses the plain reading declines are still recognised once the library has read them.
    EXPECT_TRUE(hostNotFound("https://someone@kestrune.invalid/", "kestrune.invalid"));
    // A name that only ends like the reserved one is asked for as usual.
    auto elsewhere =
        URLConnection::sendSynchronousRequest(URLRequest("http://127.0.0.1:1/kestrune.invalid", 2));
    ASSERT_TRUE(elsewhere.error);
    EXPECT_EQ(elsewhere.error->code, URLError::CannotConnectToHost);
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

TEST_F(URLConnectionTest, ARedirectToAnotherOriginFailsAndNothingReachesThatServer) {
    LoopbackServer elsewhere;  // same host, another port: another origin
    ASSERT_TRUE(elsewhere.start());
    for (int status : {301, 302, 307, 308}) {
        SCOPED_TRACE(status);
        server.enqueue("/save", {status, {{"Location", elsewhere.url("/collect")}}, ""});
        URLRequest request(server.url("/save"), 5);
        request.setHTTPMethod("POST");
        request.setValue_forHTTPHeaderField("secret-key", "X-Client-Key");
        request.setHTTPBody(Data::fromString("{\"record\":1}"));
        auto r = load(request);
        EXPECT_EQ(r->events, (std::vector<std::string>{"fail"}));
        ASSERT_TRUE(r->error);
        EXPECT_EQ(r->error->code, URLError::RedirectRefused);
    }
    EXPECT_EQ(server.requestCount(), 4u);
    EXPECT_EQ(elsewhere.requestCount(), 0u);
}

TEST_F(URLConnectionTest, ARedirectWithinTheOriginKeepsMethodHeadersAndBody) {
    const std::string path = home() + "/body.bin";
    std::ofstream(path, std::ios::binary) << "streamed body";
    server.enqueue("/old", {302, {{"Location", "/new?x=1"}}, "the redirect's own text"});
    server.enqueue("/new", {201, {}, "created"});
    URLRequest request(server.url("/old"), 5);
    request.setHTTPMethod("POST");
    request.setValue_forHTTPHeaderField("secret-key", "X-Client-Key");
    request.setHTTPBodyFile(path, 13);
    auto r = load(request);
    EXPECT_EQ(r->events, (std::vector<std::string>{"response", "data", "finish"}));
    ASSERT_TRUE(r->response);
    EXPECT_EQ(r->response->statusCode(), 201);
    EXPECT_EQ(r->response->URL(), server.url("/new?x=1"));
    EXPECT_EQ(r->body.toString(), "created");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].target, "/new?x=1");
    EXPECT_EQ(requests[1].body, "streamed body");
    EXPECT_EQ(requests[1].header("X-Client-Key"), "secret-key");
}

TEST_F(URLConnectionTest, ASeeOtherTurningAPostIntoAGetAndEndlessRedirectsFail) {
    server.enqueue("/post", {303, {{"Location", "/result"}}, ""});
    URLRequest post(server.url("/post"), 5);
    post.setHTTPMethod("POST");
    post.setHTTPBody(Data::fromString("x"));
    auto r = load(post);
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::RedirectRefused);
    EXPECT_EQ(server.requestCount(), 1u);

    // A GET stays a GET: that redirect is followed.
    server.enqueue("/get", {303, {{"Location", "/result"}}, ""});
    server.enqueue("/result", {200, {}, "result"});
    r = load(URLRequest(server.url("/get"), 5));
    EXPECT_EQ(r->body.toString(), "result");
    EXPECT_FALSE(r->error);

    server.setDefaultAnswer({307, {{"Location", "/loop"}}, ""});
    r = load(URLRequest(server.url("/loop"), 5));
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::HTTPTooManyRedirects);
}

TEST_F(URLConnectionTest, AnAnswerLongerThanAllowedFailsWithoutBeingHeldWhole) {
    // No stated length: the bytes are counted as they come, and the transfer stops at the limit.
    testsupport::PacedServer endless({"HTTP/1.1 200 OK\r\nConnection: close\r\n", 256u << 20, 64 << 10, 0});
    ASSERT_TRUE(endless.start());
    URLRequest request(endless.url("/settings"), 5);
    request.setMaximumResponseLength(100000);
    auto r = load(request);
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::DataLengthExceedsMaximum);
    EXPECT_LE(r->body.size(), 100000u);
    endless.stop();
    EXPECT_LT(endless.bodyBytesWritten(), 64u << 20) << "the client read on after its limit";

    // A stated length over the limit is refused before any of the body is taken.
    testsupport::PacedServer announced(
        {"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n", 1u << 30, 1024, 30});
    ASSERT_TRUE(announced.start());
    request.setURL(announced.url("/settings"));
    r = load(request);
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::DataLengthExceedsMaximum);
    EXPECT_EQ(r->body.size(), 0u);

    // Exactly the limit passes.
    server.enqueue({200, {}, std::string(1000, 'a')});
    request.setURL(server.url("/exact"));
    request.setMaximumResponseLength(1000);
    r = load(request);
    EXPECT_FALSE(r->error);
    EXPECT_EQ(r->body.size(), 1000u);
}

TEST_F(URLConnectionTest, ADripFedAnswerFailsOnceTheWholeRequestHasLastedItsLimit) {
    // A byte every 20 ms never trips the idle time-out; the whole answer would take 0.8 s.
    testsupport::PacedServer drip({"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n", 40, 1, 0.02});
    ASSERT_TRUE(drip.start());
    URLRequest request(drip.url("/answer"), 5);
    request.setMaximumDuration(0.15);
    auto r = load(request);
    ASSERT_TRUE(r->error);
    EXPECT_EQ(r->error->code, URLError::TimedOut);
    EXPECT_NE(r->error->description.find("did not finish within"), std::string::npos);
    EXPECT_LT(r->body.size(), 40u);

    // Unless set, the whole request may last a fixed multiple of its idle time-out.
    EXPECT_EQ(URLRequest("http://x/", 2).maximumDuration(),
              2 * URLRequest::kMaximumDurationPerTimeoutInterval);
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

// The bytes this process has read through system calls so far, from files and sockets alike.
long long bytesReadByThisProcess() {
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = -1;
    while (io >> name >> value)
        if (name == "rchar:") return value;
    return -1;
}

// The bytes of the roots in a certificate folder: the files named by a subject's hash, as OpenSSL's folder
// lookup names them, through their links.
long long bytesOfHashedRoots(const std::string& folder) {
    static const std::regex hashed("[0-9a-f]{8}\\.r?[0-9]+");
    long long total = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code unreadable;
        if (std::regex_match(entry.path().filename().string(), hashed) && entry.is_regular_file(unreadable))
            total += static_cast<long long>(entry.file_size(unreadable));
    }
    return total;
}

// The system's bundle (a quarter of a megabyte) is read once in a process, when a chain is first left to
// the system's roots, and not at all for a request whose delegate judges the chain by its own anchors, as
// the kits' pinned uploads do; of the certificate folder (on Debian, the bundle's roots again, one to a
// file) a chain reads only the files its names lead to, none for the test's root. Each transfer used to
// read and parse the bundle whole, and then the first check read every root of the folder as well.
TEST_F(URLConnectionTLSTest, TheSystemBundleIsReadOnceAProcessAndNeverForAPinnedRequest) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto sendPinned = [&] {
        auto pinned = std::make_shared<Recorder>();
        pinned->trustAnswer = [&](const ServerTrust& trust) {
            return trust.evaluateWithAnchors({identity.certificateDER}, true) == ServerTrust::Proceed
                       ? AuthChallengeDisposition::UseCredential
                       : AuthChallengeDisposition::CancelChallenge;
        };
        const auto result = URLConnection::sendSynchronousRequest(URLRequest(server.url("/"), 5), pinned);
        return !result.error && result.response && result.response->statusCode() == 200;
    };
    // Runs in a process of its own, where nothing has read the bundle yet.
    const auto readsOnce = [&] {
        CURL* handle = curl_easy_init();
        char* bundle = nullptr;
        char* folder = nullptr;
        if (handle) curl_easy_getinfo(handle, CURLINFO_CAINFO, &bundle);
        if (handle) curl_easy_getinfo(handle, CURLINFO_CAPATH, &folder);
        struct stat info {};
        const bool known = bundle && stat(bundle, &info) == 0 && info.st_size > 0;
        const long long roots = info.st_size + (folder ? bytesOfHashedRoots(folder) : 0);
        curl_easy_cleanup(handle);
        const long long start = bytesReadByThisProcess();
        const bool pinnedPass = sendPinned() && sendPinned() && sendPinned();
        const long long afterPinned = bytesReadByThisProcess();
        // Three at once on workers: the first to come to the system's roots reads them for all.
        std::vector<std::shared_ptr<Recorder>> leftToTheSystem(3);
        for (auto& recorder : leftToTheSystem) {
            recorder = std::make_shared<Recorder>();
            URLConnection::connectionWithRequest(URLRequest(server.url("/"), 5), recorder)->start();
        }
        runUntilIdle();
        const bool defaultRefuses = std::all_of(leftToTheSystem.begin(), leftToTheSystem.end(), [](auto& r) {
            return r->error && r->error->code == URLError::ServerCertificateUntrusted;
        });
        const long long afterDefault = bytesReadByThisProcess();
        const long long forPinned = afterPinned - start;
        const long long forDefault = afterDefault - afterPinned;
        fprintf(
            stderr,
            "bundle %lld bytes, with the folder's roots %lld; read for 3 pinned requests %lld, then for 3 "
            "left to the system %lld\n",
            static_cast<long long>(info.st_size), roots, forPinned, forDefault);
        // Beside the bundle, the three handshakes' own bytes from their sockets, a few kilobytes each.
        return known && start >= 0 && pinnedPass && defaultRefuses && forPinned < info.st_size &&
               forDefault >= info.st_size && forDefault < info.st_size + 64 * 1024;
    };
    EXPECT_EXIT(std::_Exit(readsOnce() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// Writes the root into a certificate folder under its hashed name.
bool addToCertificateFolder(const std::string& folder, const LoopbackServer::Authority& root) {
    const std::string name = LoopbackServer::hashedName(root);
    if (name.empty()) return false;
    std::ofstream file(folder + "/" + name);
    file << root.certificatePEM;
    return static_cast<bool>(file.flush());
}

// Leaves every chain to the system, but only once as many handshakes as it expects are in the trust
// callback at once: they then check their chains together. A gate that not all reach opens after two
// minutes of real time (kLimitSeconds), so that a failing test ends; mostAtOnce() then says how many did.
// The first handshake waits there until the last has arrived, seconds on a loaded machine: its server
// and its request must wait as long, or their own time-outs would end it whatever its chain.
class TrustGate : public platform::URLConnectionDelegate {
public:
    static constexpr double kLimitSeconds = 120;

    explicit TrustGate(size_t expected) : expected_(expected) {}
    AuthChallengeDisposition connection_didReceiveServerTrust(URLConnection&, const ServerTrust&) override {
        std::unique_lock lock(mutex_);
        mostAtOnce_ = std::max(mostAtOnce_, ++waiting_);
        arrived_.notify_all();
        arrived_.wait_for(lock, std::chrono::duration<double>(kLimitSeconds),
                          [this] { return mostAtOnce_ >= expected_; });
        --waiting_;
        return AuthChallengeDisposition::PerformDefaultHandling;
    }
    // Blocks until `count` handshakes have been in the callback at once (or kLimitSeconds have passed).
    void awaitArrivals(size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::duration<double>(kLimitSeconds),
                          [&] { return mostAtOnce_ >= count; });
    }
    size_t mostAtOnce() const {
        std::lock_guard lock(mutex_);
        return mostAtOnce_;
    }

private:
    const size_t expected_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    size_t waiting_ = 0;
    size_t mostAtOnce_ = 0;
};

// A root of libcurl's own bundle with an elliptic-curve key, as PEM (empty when there is none). Its key
// is of the kind the test authorities sign with, so that OpenSSL would take it for the issuer of a
// certificate that names it as the issuer and was signed with another key.
std::string builtInRootWithAnECKey() {
    CURL* handle = curl_easy_init();
    char* bundle = nullptr;
    if (handle) curl_easy_getinfo(handle, CURLINFO_CAINFO, &bundle);
    BIO* file = bundle ? BIO_new_file(bundle, "r") : nullptr;
    curl_easy_cleanup(handle);
    std::string pem;
    while (file && pem.empty()) {
        X509* root = PEM_read_bio_X509(file, nullptr, nullptr, nullptr);
        if (!root) break;
        if (EVP_PKEY_get_base_id(X509_get0_pubkey(root)) == EVP_PKEY_EC && X509_get0_subject_key_id(root)) {
            BIO* text = BIO_new(BIO_s_mem());
            char* bytes = nullptr;
            const long length =
                text && PEM_write_bio_X509(text, root) == 1 ? BIO_get_mem_data(text, &bytes) : 0;
            if (length > 0) pem.assign(bytes, static_cast<size_t>(length));
            BIO_free(text);
        }
        X509_free(root);
    }
    BIO_free(file);
    ERR_clear_error();  // reading to the end of the bundle leaves an error behind
    return pem;
}

// Every request whose delegate leaves the chain to the system (the hosted backend, the remote
// configuration, the update feed) is judged by the process's shared store of the system's roots. Here the
// store holds two test roots alone, named through the variables OpenSSL's default paths honour: one in the
// bundle, one only in the certificate folder under its hashed name. A chain to either passes; a
// certificate for another host, one for client use only, a chain to a root the store does not hold and
// one whose root only libcurl's own bundle and folder hold are refused, each saying why, and none of them
// is sent the request. (That last chain's intermediate names a real root as its issuer but was signed
// with another key: a store that held libcurl's roots would find that root and refuse the signature.) The
// store is made once in a process, at the first chain left to it, so the requests run in a process of
// their own where nothing has made it yet.
class URLConnectionSystemRootsTest : public testsupport::KestruneTest {};

TEST_F(URLConnectionSystemRootsTest, OnlyChainsToTheStoresRootsPassAndEachRefusalSaysWhy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto judgedByTheTestRootsAlone = [this] {
        const std::string folder = home() + "/system-roots";
        const auto root = LoopbackServer::makeRootAuthority("Kestrune System Test Root");
        const auto folderRoot = LoopbackServer::makeRootAuthority("Kestrune Folder Test Root");
        const auto stranger = LoopbackServer::makeRootAuthority("Kestrune Unknown Test Root");
        const std::string builtInRoot = builtInRootWithAnECKey();
        if (builtInRoot.empty())
            fprintf(stderr, "libcurl's bundle holds no root with an elliptic-curve key\n");
        if (!root || !folderRoot || !stranger || builtInRoot.empty() ||
            !std::filesystem::create_directories(folder + "/certs") ||
            !addToCertificateFolder(folder + "/certs", *folderRoot))
            return false;
        std::ofstream(folder + "/roots.pem") << root->certificatePEM;
        setenv(X509_get_default_cert_file_env(), (folder + "/roots.pem").c_str(), 1);
        setenv(X509_get_default_cert_dir_env(), (folder + "/certs").c_str(), 1);
        // The built-in root's certificate with the stranger's key: what it signs names the real root.
        const LoopbackServer::Authority impostor{"Kestrune Impostor", builtInRoot, stranger->keyPEM, {}};

        struct Case {
            const char* name;
            std::optional<LoopbackServer::Identity> identity;
            const char* reason;  // in the refusal's description; none for a chain that passes
        };
        std::vector<Case> cases;
        cases.push_back({"a chain to the store's root",
                         LoopbackServer::makeIdentitySignedBy(*root, folder + "/a"), nullptr});
        cases.push_back({"a chain to the root in the certificate folder",
                         LoopbackServer::makeIdentitySignedBy(*folderRoot, folder + "/f"), nullptr});
        cases.push_back({"a certificate for another host",
                         LoopbackServer::makeIdentitySignedBy(*root, folder + "/b", "elsewhere.test"),
                         "host name"});
        cases.push_back(
            {"a certificate for client use only",
             LoopbackServer::makeIdentitySignedBy(*root, folder + "/c", "127.0.0.1", "clientAuth"),
             "unsuitable certificate purpose"});
        cases.push_back({"a chain to a root the store does not hold",
                         LoopbackServer::makeIdentitySignedBy(*stranger, folder + "/d"),
                         "unable to get local issuer certificate"});
        cases.push_back({"a chain to a root only libcurl's own roots hold",
                         LoopbackServer::makeIdentitySignedBy(impostor, folder + "/e"),
                         "unable to get local issuer certificate"});
        bool allAsExpected = true;
        for (const auto& c : cases) {
            LoopbackServer server;
            if (!c.identity || !server.startTLS(*c.identity)) return false;
            server.setDefaultAnswer({200, {}, "trusted"});
            auto recorder = std::make_shared<Recorder>();  // leaves the chain to the system
            URLConnection::connectionWithRequest(URLRequest(server.url("/"), 5), recorder)->start();
            runUntilIdle();
            std::string outcome;
            for (const auto& event : recorder->events) outcome += event + " ";
            if (recorder->error)
                outcome +=
                    std::to_string(recorder->error->code) + " \"" + recorder->error->description + "\"";
            bool asExpected;
            if (!c.reason) {
                asExpected =
                    recorder->events == std::vector<std::string>{"trust", "response", "data", "finish"} &&
                    recorder->body.toString() == "trusted" && server.requestCount() == 1;
            } else {
                asExpected = recorder->events == std::vector<std::string>{"trust", "fail"} &&
                             recorder->error &&
                             recorder->error->code == URLError::ServerCertificateUntrusted &&
                             recorder->error->description.find(c.reason) != std::string::npos &&
                             server.requestCount() == 0;
            }
            fprintf(stderr, "%s %s: %s\n", asExpected ? "as expected" : "NOT AS EXPECTED", c.name,
                    outcome.c_str());
            allAsExpected = allAsExpected && asExpected;
        }
        return allAsExpected;
    };
    EXPECT_EXIT(std::_Exit(judgedByTheTestRootsAlone() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// Handshakes on several threads check their chains against the system's roots at once, each round's
// eight to a root of the certificate folder that no check has used yet: each reads the root's file and
// decodes it, and they share the first one decoded, which a check that decoded what it needs of it as it
// ran would write while the others read it. In each round eight requests wait in the trust callback
// until all eight are there, then leave their chains to the system together. Every chain passes, and
// under ThreadSanitizer (`make tsan`) no access races. Fifty rounds in all, shared out among tests of a
// process each (fifty in one took half a minute of processor time under either sanitizer alone).
class ChecksAtOnceThroughTheCertificateFolder : public URLConnectionSystemRootsTest,
                                                public ::testing::WithParamInterface<int> {};

TEST_P(ChecksAtOnceThroughTheCertificateFolder, AllPassWithoutRacing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto allPass = [this] {
        constexpr int kRounds = 25;
        constexpr size_t kAtOnce = 8;  // no more than the loopback server's request threads
        const std::string folder = home() + "/system-roots";
        const auto bundled = LoopbackServer::makeRootAuthority("Kestrune Bundled Test Root");
        if (!bundled || !std::filesystem::create_directories(folder + "/certs")) return false;
        std::ofstream(folder + "/roots.pem") << bundled->certificatePEM;
        setenv(X509_get_default_cert_file_env(), (folder + "/roots.pem").c_str(), 1);
        setenv(X509_get_default_cert_dir_env(), (folder + "/certs").c_str(), 1);
        std::vector<LoopbackServer::Identity> identities;
        for (int round = 0; round < kRounds; ++round) {
            const std::string name = "Kestrune Folder Test Root " + std::to_string(round);
            const auto root = LoopbackServer::makeRootAuthority(name);
            const auto identity =
                root ? LoopbackServer::makeIdentitySignedBy(*root, folder + "/" + std::to_string(round))
                     : std::nullopt;
            if (!identity || !addToCertificateFolder(folder + "/certs", *root)) return false;
            identities.push_back(*identity);
        }
        bool allPassed = true;
        for (int round = 0; round < kRounds; ++round) {
            LoopbackServer server;
            // The server would give up a handshake held more than five seconds: that, not a refused chain,
            // failed a request now and then on a loaded machine ("Failed sending data to the peer").
            server.setReadTimeout(TrustGate::kLimitSeconds);
            if (!server.startTLS(identities[round])) return false;
            server.setDefaultAnswer({200, {}, "trusted"});
            auto gate = std::make_shared<TrustGate>(kAtOnce);
            std::vector<URLConnection::SynchronousResult> results(kAtOnce);
            std::vector<std::thread> threads;
            // One connection at a time up to the gate: the server's queue of connections not yet accepted
            // is short, and a connection it drops is tried again a second later.
            for (auto& result : results) {
                threads.emplace_back([&result, &server, gate] {
                    result = URLConnection::sendSynchronousRequest(
                        URLRequest(server.url("/"), TrustGate::kLimitSeconds), gate);
                });
                gate->awaitArrivals(threads.size());
            }
            for (auto& thread : threads) thread.join();
            size_t passed = 0;
            std::string failures;  // each failed request's error: a refused chain is told from the rest
            for (size_t i = 0; i < results.size(); ++i) {
                const auto& result = results[i];
                if (!result.error && result.data && result.data->toString() == "trusted") {
                    ++passed;
                    continue;
                }
                failures += "; request " + std::to_string(i) + ": ";
                failures += result.error ? std::to_string(result.error->code) + " \"" +
                                               result.error->description + "\""
                                         : "no error, answered \"" +
                                               (result.data ? result.data->toString() : std::string()) + "\"";
            }
            fprintf(stderr, "round %d: %zu checks at once, %zu chains passed%s\n", round, gate->mostAtOnce(),
                    passed, failures.c_str());
            allPassed = allPassed && gate->mostAtOnce() == kAtOnce && passed == kAtOnce;
        }
        return allPassed;
    };
    EXPECT_EXIT(std::_Exit(allPass() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Shards, ChecksAtOnceThroughTheCertificateFolder, ::testing::Range(0, 2));

// A folder of thousands of distinct roots and a bundle of 4 GiB (a sparse file) cost the checks only what
// their chains name: the bundle is skipped unread with one log line, once a process, and each chain reads
// the few folder entries its names lead to, a few kilobytes of a folder of megabytes (reading the folder
// whole cost minutes at twenty thousand roots). A root the folder gains after the first check is trusted by
// the next. Runs in a process of its own, where nothing has read the bundle.
TEST_F(URLConnectionSystemRootsTest, AFolderOfThousandsOfRootsAndAHugeBundleCostAChainOnlyWhatItNames) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto asExpected = [this] {
        const std::string folder = home() + "/many-roots";
        const auto decoys = testsupport::TestRoots::distinct(3000, "Kestrune Decoy Root");
        const auto root = LoopbackServer::makeRootAuthority("Kestrune Folder Test Root");
        const auto later = LoopbackServer::makeRootAuthority("Kestrune Later Test Root");
        const auto identity =
            root ? LoopbackServer::makeIdentitySignedBy(*root, folder + "/a") : std::nullopt;
        const auto laterIdentity =
            later ? LoopbackServer::makeIdentitySignedBy(*later, folder + "/b") : std::nullopt;
        if (decoys.size() != 3000 || !identity || !laterIdentity ||
            !std::filesystem::create_directories(folder + "/certs"))
            return false;
        for (size_t i = 0; i < decoys.size(); ++i) {
            if (i == decoys.size() / 2 &&
                testsupport::TestRoots::addToFolder(folder + "/certs", root->certificatePEM).empty())
                return false;
            if (testsupport::TestRoots::addToFolder(folder + "/certs", decoys[i]).empty()) return false;
        }
        long long folderBytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder + "/certs"))
            folderBytes += static_cast<long long>(entry.file_size());
        const std::string bundle = folder + "/roots.pem";
        std::ofstream(bundle).close();
        std::filesystem::resize_file(bundle, std::uintmax_t{4} << 30);
        setenv(X509_get_default_cert_file_env(), bundle.c_str(), 1);
        setenv(X509_get_default_cert_dir_env(), (folder + "/certs").c_str(), 1);
        LoopbackServer server, laterServer;
        if (!server.startTLS(*identity) || !laterServer.startTLS(*laterIdentity)) return false;
        server.setDefaultAnswer({200, {}, "trusted"});
        laterServer.setDefaultAnswer({200, {}, "trusted"});

        testsupport::LogCapture log;
        const auto outcome = [](const std::string& url) {
            const auto result = URLConnection::sendSynchronousRequest(URLRequest(url, 30));
            if (result.error)
                return std::to_string(result.error->code) + " \"" + result.error->description + "\"";
            return std::string("answered \"") + (result.data ? result.data->toString() : "") + "\"";
        };
        const long long before = bytesReadByThisProcess();
        std::vector<std::string> outcomes = {outcome(server.url("/")), outcome(laterServer.url("/"))};
        const bool added =
            !testsupport::TestRoots::addToFolder(folder + "/certs", later->certificatePEM).empty();
        outcomes.push_back(outcome(laterServer.url("/")));
        outcomes.push_back(outcome(server.url("/")));
        const long long read = bytesReadByThisProcess() - before;
        const std::vector<std::string> expected = {
            "answered \"trusted\"",
            "-1202 \"the server's certificate is not trusted: unable to get local issuer certificate\"",
            "answered \"trusted\"", "answered \"trusted\""};
        size_t skipped = 0;
        for (const auto& line : log.lines()) {
            fprintf(stderr, "log: %s\n", line.c_str());
            if (line.find(bundle + " is larger than") != std::string::npos) ++skipped;
        }
        for (const auto& said : outcomes) fprintf(stderr, "%s\n", said.c_str());
        fprintf(stderr, "read %lld bytes for 4 requests; the folder holds %lld\n", read, folderBytes);
        // The process that ran this ends without the fixture's tear-down: its thousands of files go now.
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        return added && outcomes == expected && skipped == 1 && folderBytes > 1000 * 1000 && read >= 0 &&
               read < 128 * 1024;
    };
    EXPECT_EXIT(std::_Exit(asExpected() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// Runs each job on a thread of its own, all at once, and waits for their answers, as long as `limit` at
// most; a job still running then answers "still running". The threads are left to end on their own: one
// may never end, and the process ends without it.
std::vector<std::string> runAtOnce(const std::vector<std::function<std::string()>>& jobs, double limit) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable ended;
        std::vector<std::optional<std::string>> answers;
    };
    auto shared = std::make_shared<Shared>();
    shared->answers.resize(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
        std::thread([shared, i, job = jobs[i]] {
            std::string answer = job();
            std::lock_guard lock(shared->mutex);
            shared->answers[i] = std::move(answer);
            shared->ended.notify_all();
        }).detach();
    }
    std::unique_lock lock(shared->mutex);
    shared->ended.wait_for(lock, std::chrono::duration<double>(limit), [&] {
        return std::all_of(shared->answers.begin(), shared->answers.end(),
                           [](auto& a) { return a.has_value(); });
    });
    std::vector<std::string> answers;
    for (const auto& answer : shared->answers) answers.push_back(answer.value_or("still running"));
    return answers;
}

// A FIFO that nobody writes keeps whoever opens it for reading waiting for good. One in the roots file's
// place, or in the certificate folder under a root's hashed name, is skipped with a log line when it is
// come to (the bundle by the first chain, the folder's entry by each chain that names its hash), and is
// never opened; a check reads no file while it holds the others up. So a request to a server whose root
// the bundle or folder holds passes at once, and one to the server whose root the FIFO stands for is
// refused at once, even when its check started first: a check that read a file while the others waited
// for it would hold them all on the FIFO. ServerTrust's evaluation by the system reads the roots the same
// way and answers the same. Each case runs in a process of its own, where nothing has read the bundle.
TEST_F(URLConnectionSystemRootsTest, AFIFOAsTheRootsFileOrInTheFolderIsSkippedAndEveryCheckEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool fifoIsTheRootsFile : {true, false}) {
        SCOPED_TRACE(fifoIsTheRootsFile ? "the roots file is a FIFO" : "the folder holds a FIFO");
        const auto allEndAsExpected = [&] {
            const std::string folder = home() + (fifoIsTheRootsFile ? "/fifo-file" : "/fifo-folder");
            const auto answering = LoopbackServer::makeRootAuthority("Kestrune Answering Test Root");
            const auto hidden = LoopbackServer::makeRootAuthority("Kestrune Test Root Behind A FIFO");
            if (!answering || !hidden || !std::filesystem::create_directories(folder + "/certs"))
                return false;
            const std::string fifo = fifoIsTheRootsFile
                                         ? folder + "/roots.pem"
                                         : folder + "/certs/" + LoopbackServer::hashedName(*hidden);
            if (mkfifo(fifo.c_str(), 0600) != 0) return false;
            if (fifoIsTheRootsFile) {
                if (!addToCertificateFolder(folder + "/certs", *answering)) return false;
            } else {
                std::ofstream(folder + "/roots.pem") << answering->certificatePEM;
            }
            setenv(X509_get_default_cert_file_env(), (folder + "/roots.pem").c_str(), 1);
            setenv(X509_get_default_cert_dir_env(), (folder + "/certs").c_str(), 1);
            const auto trusted = LoopbackServer::makeIdentitySignedBy(*answering, folder + "/a");
            const auto untrusted = LoopbackServer::makeIdentitySignedBy(*hidden, folder + "/h");
            LoopbackServer trustedServer, untrustedServer;
            if (!trusted || !untrusted || !trustedServer.startTLS(*trusted) ||
                !untrustedServer.startTLS(*untrusted))
                return false;
            trustedServer.setDefaultAnswer({200, {}, "trusted"});
            untrustedServer.setDefaultAnswer({200, {}, "trusted"});

            testsupport::LogCapture log;  // filled on every thread
            const auto outcome = [](const URLConnection::SynchronousResult& result) {
                if (result.error)
                    return std::to_string(result.error->code) + " \"" + result.error->description + "\"";
                return std::string("answered \"") + (result.data ? result.data->toString() : "") + "\"";
            };
            const auto evaluation = [](ServerTrust::Result result) {
                return result == ServerTrust::Proceed                   ? std::string("proceed")
                       : result == ServerTrust::RecoverableTrustFailure ? std::string("does not verify")
                                                                        : std::to_string(result);
            };
            // The request whose root the FIFO stands for reaches its check before the other is started.
            auto checking = std::make_shared<std::promise<void>>();
            auto checkingStarted = checking->get_future().share();
            auto signalling = std::make_shared<Recorder>();
            signalling->trustAnswer = [checking,
                                       once = std::make_shared<std::once_flag>()](const ServerTrust&) {
                std::call_once(*once, [&] { checking->set_value(); });
                return AuthChallengeDisposition::PerformDefaultHandling;
            };
            const std::string untrustedURL = untrustedServer.url("/"), trustedURL = trustedServer.url("/");
            const auto started = std::chrono::steady_clock::now();
            const auto seconds = [started] {
                return platform::format(
                    "%.2f s",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
            };
            const auto answers = runAtOnce(
                {[&, signalling] {
                     return outcome(URLConnection::sendSynchronousRequest(URLRequest(untrustedURL, 30),
                                                                          signalling)) +
                            " after " + seconds();
                 },
                 [&, checkingStarted] {
                     if (checkingStarted.wait_for(std::chrono::seconds(120)) != std::future_status::ready)
                         return std::string("the other check never started");
                     return outcome(URLConnection::sendSynchronousRequest(URLRequest(trustedURL, 30))) +
                            " after " + seconds();
                 },
                 [&] {
                     return evaluation(
                         ServerTrust("127.0.0.1", trusted->chainDER).evaluateWithAnchors({}, false));
                 },
                 [&] {
                     return evaluation(
                         ServerTrust("127.0.0.1", untrusted->chainDER).evaluateWithAnchors({}, false));
                 }},
                30);
            const std::vector<std::string> expected = {
                "-1202 \"the server's certificate is not trusted: unable to get local issuer certificate\"",
                "answered \"trusted\"", "proceed", "does not verify"};
            bool asExpected = true;
            bool allEnded = true;
            for (size_t i = 0; i < answers.size(); ++i) {
                allEnded = allEnded && answers[i] != "still running";
                const bool same = answers[i].rfind(expected[i], 0) == 0;
                fprintf(stderr, "%s: %s\n", same ? "as expected" : "NOT AS EXPECTED", answers[i].c_str());
                asExpected = asExpected && same;
            }
            // The roots file: said when the transfers read it, and by each evaluation by ServerTrust; the
            // folder's entry: by each of the two checks whose chain leads to it.
            const size_t expectedSkips = fifoIsTheRootsFile ? 3 : 2;
            size_t skipped = 0;
            for (const auto& line : log.lines()) {
                fprintf(stderr, "log: %s\n", line.c_str());
                if (line.find(fifo + " is not a regular file; skipped") != std::string::npos) ++skipped;
            }
            // What still runs waits on the FIFO, and may hold what the servers' ending would wait for.
            if (!allEnded) std::_Exit(1);
            return asExpected && skipped == expectedSkips && untrustedServer.requestCount() == 0 &&
                   trustedServer.requestCount() == 1;
        };
        EXPECT_EXIT(std::_Exit(allEndAsExpected() ? 0 : 1), ::testing::ExitedWithCode(0), "");
    }
}

// A check or a transfer answers with nothing left on its thread's OpenSSL error queue. A worker runs other
// work until the quit: an error left there keeps its text allocated, and would be taken for the cause of
// the next failure on that thread.
TEST_F(URLConnectionTLSTest, NoOpenSSLErrorIsLeftOnTheThreadOfACheckOrATransfer) {
    ERR_clear_error();
    ServerTrust garbage("127.0.0.1", {Data::fromString("not a certificate")});
    EXPECT_EQ(garbage.evaluateWithAnchors({identity.certificateDER}, true), ServerTrust::Invalid);
    EXPECT_EQ(ERR_peek_error(), 0u) << ERR_error_string(ERR_peek_error(), nullptr);
    ServerTrust trust("127.0.0.1", {identity.certificateDER});
    EXPECT_EQ(trust.evaluateWithAnchors({Data::fromString("not an anchor")}, true), ServerTrust::Invalid);
    EXPECT_EQ(ERR_peek_error(), 0u) << ERR_error_string(ERR_peek_error(), nullptr);
    EXPECT_EQ(trust.evaluateWithAnchors({}, false), ServerTrust::RecoverableTrustFailure);
    EXPECT_EQ(ERR_peek_error(), 0u) << ERR_error_string(ERR_peek_error(), nullptr);

    // The system's roots refuse the test certificate: the handshake fails on this thread.
    const auto refused = URLConnection::sendSynchronousRequest(URLRequest(server.url("/"), 5));
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code, URLError::ServerCertificateUntrusted);
    EXPECT_EQ(ERR_peek_error(), 0u) << ERR_error_string(ERR_peek_error(), nullptr);
    // TLS spoken to a server that answers in plain text.
    LoopbackServer plain;
    ASSERT_TRUE(plain.start());
    const auto garbled = URLConnection::sendSynchronousRequest(
        URLRequest("https://127.0.0.1:" + std::to_string(plain.port()) + "/", 5));
    ASSERT_TRUE(garbled.error);
    EXPECT_EQ(garbled.error->code, URLError::SecureConnectionFailed);
    EXPECT_EQ(ERR_peek_error(), 0u) << ERR_error_string(ERR_peek_error(), nullptr);
}

}  // namespace
