#include "reporting/crash/upload/CRKNetworkClient.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/net/URLConnection.h"
#include "platform/storage/Files.h"
#include "reporting/core/CRKURLSession.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/upload/CRKReportsController.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PacedServer.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using testsupport::LoopbackServer;
using testsupport::PacedServer;

// Plays the reports controller: it hears of the uploads the client counts as sent (and would then remove
// their packages).
class Delegate : public CRKNetworkClientDelegate {
public:
    bool networkClientCanUseBackgroundSessions(CRKNetworkClient&) override { return true; }
    void networkClient_didFinishUploadWithPath_error(CRKNetworkClient&, const std::string& path,
                                                     const KitErrorPtr& error) override {
        std::lock_guard lock(mutex_);
        finished_.emplace_back(path, error);
    }
    std::vector<std::pair<std::string, KitErrorPtr>> finished() {
        std::lock_guard lock(mutex_);
        return finished_;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::string, KitErrorPtr>> finished_;
};

class CRKNetworkClientTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        store = std::make_shared<CRKFileManager>(home() + "/store");
        ASSERT_TRUE(store->prepareForNewLaunch());
        delegate = std::make_shared<Delegate>();
        queue = OperationQueue::create("crash work");
        queue->setMaxConcurrentOperationCount(1);
        // No root is pinned: none of these servers gets as far as showing a chain.
        client = CRKNetworkClient::initWithQueue_fileManager_delegate(
            queue, store, delegate, std::make_shared<RKTCertificatePinner>(std::vector<platform::Data>{}));
        ASSERT_TRUE(client);
        // So an urgent send is made on the caller's thread, as at a launch after a crash.
        ASSERT_FALSE(client->supportsBackgroundRequests());
    }
    void TearDown() override {
        if (queue) queue->waitUntilAllOperationsAreFinished();
        if (client) client->invalidate();
        KestruneTest::TearDown();
    }

    std::string package(const std::string& name, uint64_t bytes) {
        const std::string path = store->preparedPath() + "/" + name + ".multipartmime";
        uploadtest::writeFile(path, std::string(bytes, 'p'));
        return path;
    }
    // The urgent send's request as the reports controller makes it: a POST with the synchronous
    // time-out that awaits JSON.
    static platform::URLRequest urgentRequest(const std::string& url) {
        platform::URLRequest request(url, CRKReportsController::kSynchronousTimeoutWithoutBackground);
        request.setHTTPMethod("POST");
        request.setValue_forHTTPHeaderField("application/json", "Accept");
        return request;
    }

    std::shared_ptr<CRKFileManager> store;
    std::shared_ptr<Delegate> delegate;
    std::shared_ptr<OperationQueue> queue;
    std::shared_ptr<CRKNetworkClient> client;
};

}  // namespace

// A launch after a crash during start-up waits for this send before its first window. Whatever the
// server does (drips its answer or its head, each byte restarting the idle time-out; takes the body a
// little at a time; over TLS, never answers the hello or drips its own), the send returns once its
// time-out has passed and not much later, and the report is not counted sent.
TEST_F(CRKNetworkClientTest, AnUrgentSendLastsNoLongerThanItsTimeOutWhateverTheServerDoes) {
    const double timeout = CRKReportsController::kSynchronousTimeoutWithoutBackground;
    // What the send may take beyond its time-out: waking from its wait and letting the connection go.
    // That takes tens of milliseconds even with every core twice busy; with some nine threads ready to
    // run for every core it has been seen to take 0.8 s. Still well below two time-outs, let alone the
    // five a send without a limit of its own may last against such a server.
    const double margin = 1.5;
    // The head of a 16 kB handshake record, then its bytes one at a time.
    const std::string tlsRecord = std::string("\x16\x03\x03\x40\x00", 5) + std::string(16 << 10, 'h');
    const struct {
        const char* server;
        PacedServer::Script script;
        bool tls;
        uint64_t packageBytes;  // larger than the sockets hold, for the slow reader
    } table[] = {
        {"drips its answer",
         {.head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 1000\r\n",
          .bodyLength = 1000,
          .chunkLength = 1,
          .pauseSeconds = 0.2},
         false,
         1000},
        {"drips its head a line at a time",
         {.head = "HTTP/1.1 200 OK",
          .bodyLength = 100000,
          .chunkLength = 1,
          .pauseSeconds = 0.05,
          .bodyText = "X-Drip: 1\r\n"},
         false,
         1000},
        {"takes the body slowly",
         {.head = "", .chunkLength = 8 << 10, .pauseSeconds = 0.02, .reading = PacedServer::Reading::Slowly},
         false,
         16u << 20},
        {"never answers the TLS hello",
         {.head = "", .reading = PacedServer::Reading::None, .holdsOpen = true},
         true,
         1000},
        {"drips its TLS handshake",
         {.head = "",
          .bodyLength = tlsRecord.size(),
          .chunkLength = 1,
          .pauseSeconds = 0.01,
          .reading = PacedServer::Reading::None,
          .bodyText = tlsRecord,
          .holdsOpen = true},
         true,
         1000},
    };
    // The transfer library is loaded before the clock starts: a process loads it once, before its first
    // transfer begins, whatever the server does.
    platform::URLConnection::sendSynchronousRequest(platform::URLRequest("http://127.0.0.1:1/", 1));
    for (const auto& row : table) {
        SCOPED_TRACE(row.server);
        PacedServer server(row.script);
        ASSERT_TRUE(server.start());
        std::string url = server.url("/reports");
        if (row.tls) url.replace(0, 4, "https");
        const std::string path = package(std::to_string(&row - table), row.packageBytes);
        const auto started = std::chrono::steady_clock::now();
        client->startUploadRequest_filePath_immediately(urgentRequest(url), path, true);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // Not sooner: the server held the send for as long as it may last, it did not fail it. (The
        // transfer library times the connection on a clock of its own, which may end it a hair early.)
        EXPECT_GT(took, timeout - 0.1);
        EXPECT_LT(took, timeout + margin);
        server.stop();
    }
    EXPECT_TRUE(delegate->finished().empty());
}

// The answer to an upload is an acknowledgement: the urgent send takes no more of it than the session's
// uploads do. An answer announced at 100,000 bytes fails the send, and the package is not counted sent;
// one of exactly the limit is an acceptance like any other.
TEST_F(CRKNetworkClientTest, AnUrgentSendTakesNoLongerAnswerThanTheSessionsUploads) {
    LoopbackServer server;
    ASSERT_TRUE(server.start());
    const auto json = [](uint64_t bytes) {
        return LoopbackServer::Answer{.status = 200,
                                      .headers = {{"Content-Type", "application/json"}},
                                      .body = "{}" + std::string(bytes - 2, ' ')};
    };
    const std::string tooLong = package("too-long", 1000);
    server.enqueue(json(100000));
    client->startUploadRequest_filePath_immediately(urgentRequest(server.url("/reports")), tooLong, true);
    const std::string atTheLimit = package("at-the-limit", 1000);
    server.enqueue(json(CRKURLSession::kMaximumUploadAnswerLength));
    client->startUploadRequest_filePath_immediately(urgentRequest(server.url("/reports")), atTheLimit, true);
    EXPECT_EQ(server.requestCount(), 2u);
    const auto finished = delegate->finished();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].first, atTheLimit);
    EXPECT_FALSE(finished[0].second);
    server.stop();
}

// The application quits while a launch waits for its urgent send: the stop ends the send under way at
// once, whatever its time-out, and every later one before it reaches the server. Neither package counts
// as sent; both stay for a later launch.
TEST_F(CRKNetworkClientTest, AStopEndsTheUrgentSendUnderWayAndEveryLaterOneAndKeepsTheirPackages) {
    LoopbackServer server;
    ASSERT_TRUE(server.start());
    server.enqueue(LoopbackServer::Answer{
        .status = 200, .headers = {{"Content-Type", "application/json"}}, .body = "{}", .held = true});
    // A time-out far longer than the test may take: only the stop can end this send in time.
    auto request = urgentRequest(server.url("/reports"));
    request.setTimeoutInterval(60);
    const std::string first = package("first", 1000);
    double took = 0;
    std::thread sending([&] {
        const auto started = std::chrono::steady_clock::now();
        client->startUploadRequest_filePath_immediately(request, first, true);
        took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    });
    const bool held = server.waitForHeldAnswers(1);
    const auto stopped = std::chrono::steady_clock::now();
    client->stopUploads();
    sending.join();
    const double afterStop =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    server.releaseHeldAnswers();
    ASSERT_TRUE(held);
    EXPECT_LT(afterStop, 10.0) << "the send went on after the stop (" << took << " s in all)";

    const std::string second = package("second", 1000);
    client->startUploadRequest_filePath_immediately(request, second, true);
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(delegate->finished().empty());
    EXPECT_TRUE(platform::Files::exists(first));
    EXPECT_TRUE(platform::Files::exists(second));
    server.stop();
}

// The application quits while an ordinary upload waits for a server that holds its answer: the stop ends
// it at once (the answer released a moment later no longer reaches it, so the package is not counted
// sent), and no later upload goes out, whether started anew or restarted after a "Retry-After". Every
// package stays for a later launch.
// The stop lets the session go, which in the kit's debug mode says so; otherwise it says nothing.
TEST_F(CRKNetworkClientTest, TheSessionLetGoByAStopIsSaidInDebugModeOnly) {
    for (const bool debug : {false, true}) {
        SCOPED_TRACE(debug);
        auto stopped = CRKNetworkClient::initWithQueue_fileManager_delegate(
            queue, store, delegate, std::make_shared<RKTCertificatePinner>(std::vector<platform::Data>{}));
        ASSERT_TRUE(stopped->session());
        reporting::ReportKit::sharedSDK().setDebug(debug);
        testsupport::LogCapture log;
        stopped->stopUploads();
        reporting::ReportKit::sharedSDK().setDebug(false);
        EXPECT_EQ(log.contains("[CrashKit:Crash:Client] session became invalid: (null)"), debug);
    }
}

TEST_F(CRKNetworkClientTest, AStopEndsTheSessionsUploadUnderWayAndNoneStartsAfter) {
    LoopbackServer server;
    ASSERT_TRUE(server.start());
    server.setDefaultAnswer(LoopbackServer::Answer{
        .status = 200, .headers = {{"Content-Type", "application/json"}}, .body = "{}", .held = true});
    platform::URLRequest request(server.url("/reports"), 60);
    request.setHTTPMethod("POST");
    request.setValue_forHTTPHeaderField("application/json", "Accept");
    const std::string first = package("first", 1000);
    client->startUploadRequest_filePath_immediately(request, first, false);
    ASSERT_TRUE(server.waitForHeldAnswers(1));
    const auto stopped = std::chrono::steady_clock::now();
    client->stopUploads();
    server.releaseHeldAnswers();
    runUntilIdle();  // until the upload's worker is done
    const double afterStop =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    EXPECT_LT(afterStop, 10.0) << "the upload went on after the stop";

    const std::string second = package("second", 1000);
    client->startUploadRequest_filePath_immediately(request, second, false);
    client->startNewUploadRequest_filePath(request, second);  // as a restart would
    queue->waitUntilAllOperationsAreFinished();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 1u);
    for (const auto& [path, error] : delegate->finished()) EXPECT_TRUE(error) << path << " counted sent";
    EXPECT_TRUE(platform::Files::exists(first));
    EXPECT_TRUE(platform::Files::exists(second));
    server.stop();
}
