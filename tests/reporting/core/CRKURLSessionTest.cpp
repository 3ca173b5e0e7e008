#include "reporting/core/CRKURLSession.h"

#include <fstream>
#include <mutex>

#include "platform/base/Strings.h"
#include "platform/net/URLError.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTNetworkOperation.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PacedServer.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::HTTPURLResponse;
using platform::URLError;
using platform::URLRequest;
using reporting::CRKURLSession;
using reporting::CRKURLSessionConfiguration;
using reporting::CRKURLSessionDataTask;
using reporting::CRKURLSessionDelegate;
using reporting::CRKURLSessionDownloadTask;
using reporting::CRKURLSessionTask;
using reporting::KitErrorPtr;
using reporting::OperationQueue;
using testsupport::LoopbackServer;

namespace {

// The session's owner: records what it hears, and on which queue.
class Owner : public CRKURLSessionDelegate {
public:
    void URLSession_dataTask_didReceiveResponse_completionHandler(
        CRKURLSession&, const std::shared_ptr<CRKURLSessionDataTask>&, const HTTPURLResponse& response,
        const ResponseDispositionHandler&) override {
        note("response " + std::to_string(response.statusCode()));
    }
    void URLSession_dataTask_didReceiveData(CRKURLSession&, const std::shared_ptr<CRKURLSessionDataTask>&,
                                            const Data& data) override {
        std::lock_guard lock(mutex);
        received.append(data);
        if (events.empty() || events.back() != "data") events.push_back("data");
        onQueue = onQueue && OperationQueue::currentQueue() == expectedQueue;
    }
    void URLSession_downloadTask_didFinishDownloadingToURL(CRKURLSession&,
                                                           const std::shared_ptr<CRKURLSessionDownloadTask>&,
                                                           const std::string& location) override {
        auto bytes = platform::Files::read(location);
        note("downloaded " + (bytes ? bytes->toString() : std::string("<none>")));
    }
    void URLSession_task_didCompleteWithError(CRKURLSession&, const std::shared_ptr<CRKURLSessionTask>&,
                                              const KitErrorPtr& error) override {
        note(error ? "complete " + std::to_string(error->code()) : "complete");
    }
    void URLSession_didReceiveChallenge_completionHandler(CRKURLSession& session,
                                                          const platform::ServerTrust& trust,
                                                          const ChallengeCompletionHandler& done) override {
        note("challenge");
        if (!anchor)
            return CRKURLSessionDelegate::URLSession_didReceiveChallenge_completionHandler(session, trust,
                                                                                           done);
        done(trust.evaluateWithAnchors({*anchor}, true) == platform::ServerTrust::Proceed
                 ? platform::AuthChallengeDisposition::UseCredential
                 : platform::AuthChallengeDisposition::CancelChallenge);
    }

    void note(const std::string& event) {
        std::lock_guard lock(mutex);
        events.push_back(event);
        onQueue = onQueue && OperationQueue::currentQueue() == expectedQueue;
    }

    std::mutex mutex;
    std::vector<std::string> events;
    Data received;
    bool onQueue = true;
    OperationQueue* expectedQueue = nullptr;
    std::optional<Data> anchor;
};

struct Answer {
    std::optional<Data> data;
    std::optional<HTTPURLResponse> response;
    KitErrorPtr error;
    bool called = false;
    bool onQueue = false;
};

class CRKURLSessionTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        ASSERT_TRUE(server.start());
        owner = std::make_shared<Owner>();
        delegateQueue = CRKURLSession::newDefaultDelegateQueue();
        owner->expectedQueue = delegateQueue.get();
        auto configuration = CRKURLSessionConfiguration::defaultSessionConfiguration();
        configuration->setHTTPAdditionalHeaders({{"X-Kit", "core"}, {"Accept", "*/*"}});
        session = CRKURLSession::sessionWithConfiguration_delegate_delegateQueue(configuration, owner,
                                                                                 delegateQueue);
        ASSERT_TRUE(session);
    }
    void TearDown() override {
        session->invalidateAndCancel();  // lets the owner go
        runUntilIdle();
        server.stop();
        KestruneTest::TearDown();
    }

    CRKURLSession::DataCompletionHandler collect(Answer& answer) {
        return [this, &answer](const std::optional<Data>& d, const std::optional<HTTPURLResponse>& r,
                               const KitErrorPtr& e) {
            answer = Answer{d, r, e, true, OperationQueue::currentQueue() == delegateQueue.get()};
        };
    }

    LoopbackServer server;
    std::shared_ptr<Owner> owner;
    std::shared_ptr<OperationQueue> delegateQueue;
    std::shared_ptr<CRKURLSession> session;
};

TEST_F(CRKURLSessionTest, ADataTaskWithAHandlerReportsOnlyToItOnTheDelegateQueue) {
    server.enqueue({200, {{"Content-Type", "application/json"}}, "{\"a\":1}"});
    URLRequest request(server.url("/settings"));
    request.setValue_forHTTPHeaderField("application/json", "Accept");
    Answer answer;
    auto task = session->dataTaskWithRequest_completionHandler(request, collect(answer));
    EXPECT_EQ(server.requestCount(), 0u);  // nothing happens before resume
    task->resume();
    task->resume();
    runUntilIdle();

    ASSERT_TRUE(answer.called);
    EXPECT_TRUE(answer.onQueue);
    EXPECT_FALSE(answer.error);
    ASSERT_TRUE(answer.data);
    EXPECT_EQ(answer.data->toString(), "{\"a\":1}");
    ASSERT_TRUE(answer.response);
    EXPECT_EQ(answer.response->statusCode(), 200);
    EXPECT_TRUE(owner->events.empty());
    EXPECT_EQ(session->taskCount(), 0u);

    ASSERT_EQ(server.requestCount(), 1u);  // resumed twice, sent once
    auto sent = server.requests()[0];
    EXPECT_EQ(sent.header("X-Kit"), "core");
    EXPECT_EQ(sent.header("Accept"), "application/json,*/*");  // added, not replacing
}

TEST_F(CRKURLSessionTest, AnAnswerWithoutBytesGivesNoData) {
    server.enqueue({204, {}, ""});
    Answer answer;
    session->dataTaskWithRequest_completionHandler(URLRequest(server.url("/empty")), collect(answer))
        ->resume();
    runUntilIdle();
    ASSERT_TRUE(answer.called);
    EXPECT_FALSE(answer.data);
    EXPECT_EQ(answer.response->statusCode(), 204);
}

TEST_F(CRKURLSessionTest, AnUploadWithoutAHandlerTellsTheOwnerInOrderAndSendsTheFileByteForByte) {
    std::string content;
    for (int i = 0; i < 100000; ++i) content.push_back(static_cast<char>((i * 31) % 256));
    const std::string path = home() + "/package.multipartmime";
    std::ofstream(path, std::ios::binary) << content;
    server.enqueue({202, {}, "accepted"});
    URLRequest request(server.url("/reports"));
    request.setHTTPMethod("POST");
    request.setValue_forHTTPHeaderField("multipart/form-data; boundary=B", "Content-Type");
    session->uploadTaskWithRequest_fromFile(request, path)->resume();
    runUntilIdle();

    EXPECT_EQ(owner->events, (std::vector<std::string>{"response 202", "data", "complete"}));
    EXPECT_TRUE(owner->onQueue);
    EXPECT_EQ(owner->received.toString(), "accepted");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].body, content);
    EXPECT_EQ(session->taskCount(), 0u);
}

TEST_F(CRKURLSessionTest, AnUploadSendsTheStatedLengthAndFailsWhenTheFileFallsShort) {
    const std::string path = home() + "/body.bin";
    std::ofstream(path, std::ios::binary) << "0123456789";
    URLRequest request(server.url("/reports"));
    request.setHTTPMethod("POST");
    request.setValue_forHTTPHeaderField("4", "Content-Length");
    Answer first;
    session->uploadTaskWithRequest_fromFile_completionHandler(request, path, collect(first))->resume();
    runUntilIdle();
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].body, "0123");

    request.setValue_forHTTPHeaderField("50", "Content-Length");
    Answer second;
    session->uploadTaskWithRequest_fromFile_completionHandler(request, path, collect(second))->resume();
    runUntilIdle();
    ASSERT_TRUE(second.error);
    EXPECT_EQ(second.error->code(), URLError::RequestBodyStreamExhausted);
}

TEST_F(CRKURLSessionTest, AnswersLongerThanTheKitTakesFailTheirTasks) {
    // An upload's answer is an acknowledgement.
    const std::string path = home() + "/package.multipartmime";
    std::ofstream(path, std::ios::binary) << "package";
    server.enqueue({200, {}, std::string(CRKURLSession::kMaximumUploadAnswerLength + 1, 'a')});
    URLRequest upload(server.url("/reports"));
    upload.setHTTPMethod("POST");
    Answer uploaded;
    session->uploadTaskWithRequest_fromFile_completionHandler(upload, path, collect(uploaded))->resume();
    runUntilIdle();
    ASSERT_TRUE(uploaded.error);
    EXPECT_EQ(uploaded.error->code(), URLError::DataLengthExceedsMaximum);

    // The kit's own requests (settings, onboarding) take a small document, not an endless stream.
    testsupport::PacedServer endless({"HTTP/1.1 200 OK\r\nConnection: close\r\n", 64u << 20, 16 << 10, 0});
    ASSERT_TRUE(endless.start());
    auto operation = std::make_shared<reporting::RKTNetworkOperation>("key");
    Answer settings;
    session
        ->dataTaskWithRequest_completionHandler(
            operation->mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(endless.url("/settings")),
            collect(settings))
        ->resume();
    runUntilIdle();
    ASSERT_TRUE(settings.error);
    EXPECT_EQ(settings.error->code(), URLError::DataLengthExceedsMaximum);
    EXPECT_LE(settings.data.value_or(Data()).size(), reporting::RKTNetworkOperation::kMaximumAnswerLength);

    // A request's whole-duration bound holds through the session.
    testsupport::PacedServer drip({"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n", 40, 1, 0.02});
    ASSERT_TRUE(drip.start());
    URLRequest slow(drip.url("/settings"), 5);
    slow.setMaximumDuration(0.15);
    Answer dripped;
    session->dataTaskWithRequest_completionHandler(slow, collect(dripped))->resume();
    runUntilIdle();
    ASSERT_TRUE(dripped.error);
    EXPECT_EQ(dripped.error->code(), URLError::TimedOut);
}

TEST_F(CRKURLSessionTest, ASilentServerTimesOutWithTheTimeOutError) {
    server.enqueue({.status = 200, .body = "too late", .held = true});
    Answer answer;
    session->dataTaskWithRequest_completionHandler(URLRequest(server.url("/slow"), 0.25), collect(answer))
        ->resume();
    runUntilIdle();
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->domain(), URLError::kDomain);
    EXPECT_EQ(answer.error->code(), URLError::TimedOut);
    EXPECT_FALSE(answer.response);
}

TEST_F(CRKURLSessionTest, ACancelledTaskStillCompletesWithTheCancellationError) {
    server.enqueue({.status = 200, .body = "never", .held = true});
    Answer running;
    auto task =
        session->dataTaskWithRequest_completionHandler(URLRequest(server.url("/slow"), 10), collect(running));
    task->resume();
    ASSERT_TRUE(server.waitForRequests(1));
    task->cancel();
    runUntilIdle();
    ASSERT_TRUE(running.called);
    ASSERT_TRUE(running.error);
    EXPECT_EQ(running.error->code(), URLError::Cancelled);

    Answer notStarted;  // cancelled before it was ever resumed
    auto idle =
        session->dataTaskWithRequest_completionHandler(URLRequest(server.url("/x")), collect(notStarted));
    idle->cancel();
    idle->resume();
    runUntilIdle();
    ASSERT_TRUE(notStarted.error);
    EXPECT_EQ(notStarted.error->code(), URLError::Cancelled);
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(session->taskCount(), 0u);
}

TEST_F(CRKURLSessionTest, InvalidateAndCancelStopsRunningTasksAndTheOldOwnerHearsNothing) {
    server.setDefaultAnswer({.status = 200, .body = "never", .held = true});
    session->dataTaskWithRequest(URLRequest(server.url("/a"), 10))->resume();
    session->dataTaskWithRequest(URLRequest(server.url("/b"), 10))->resume();
    ASSERT_TRUE(server.waitForRequests(2));
    EXPECT_EQ(session->taskCount(), 2u);
    session->invalidateAndCancel();
    runUntilIdle();
    EXPECT_TRUE(owner->events.empty()) << platform::join(owner->events, ", ");
    EXPECT_FALSE(session->delegate());
    EXPECT_EQ(session->taskCount(), 0u);
}

TEST_F(CRKURLSessionTest, GetTasksAnswersThreeEmptyListsEvenWhileTasksRun) {
    server.enqueue({.status = 200, .body = "slow", .held = true});
    auto task = session->dataTaskWithRequest(URLRequest(server.url("/a"), 10));
    task->resume();
    bool called = false;
    bool onQueue = false;
    size_t total = 99;
    session->getTasksWithCompletionHandler([&](auto data, auto uploads, auto downloads) {
        called = true;
        onQueue = OperationQueue::currentQueue() == delegateQueue.get();
        total = data.size() + uploads.size() + downloads.size();
    });
    delegateQueue->waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(called);
    EXPECT_TRUE(onQueue);
    EXPECT_EQ(total, 0u);
    task->cancel();
    runUntilIdle();
}

TEST_F(CRKURLSessionTest, ConfigurationCopiesKeepOnlyTheHeadersAndThereIsNoBackgroundMode) {
    auto configuration = CRKURLSessionConfiguration::defaultSessionConfiguration();
    configuration->setHTTPAdditionalHeaders({{"A", "1"}});
    configuration->setTimeoutIntervalForRequest(3);
    configuration->setHTTPCookieAcceptPolicy(0);
    configuration->setAllowsCellularAccess(false);
    configuration->setSessionSendsLaunchEvents(true);
    auto copy = configuration->copy();
    EXPECT_EQ(copy->HTTPAdditionalHeaders(), configuration->HTTPAdditionalHeaders());
    EXPECT_EQ(copy->timeoutIntervalForRequest(), 60.0);
    EXPECT_EQ(copy->HTTPCookieAcceptPolicy(), 2);
    EXPECT_TRUE(copy->allowsCellularAccess());
    EXPECT_FALSE(configuration->sessionSendsLaunchEvents());
    EXPECT_FALSE(CRKURLSessionConfiguration::backgroundSessionConfigurationWithIdentifier("x"));
    EXPECT_FALSE(CRKURLSession::sessionWithConfiguration(nullptr));
    EXPECT_FALSE(CRKURLSession::NSURLSessionShouldBeUsed());
}

TEST_F(CRKURLSessionTest, ADownloadHandsOverAFileThatIsRemovedAfterwards) {
    server.enqueue({200, {}, "settings file"});
    std::string location;
    std::string contentSeen;
    session
        ->downloadTaskWithRequest_completionHandler(
            URLRequest(server.url("/file")),
            [&](const std::optional<std::string>& where, const std::optional<HTTPURLResponse>&,
                const KitErrorPtr& e) {
                ASSERT_FALSE(e);
                location = where.value_or("");
                auto bytes = platform::Files::read(location);
                contentSeen = bytes ? bytes->toString() : "";
            })
        ->resume();
    runUntilIdle();
    EXPECT_EQ(contentSeen, "settings file");
    EXPECT_FALSE(location.empty());
    EXPECT_FALSE(platform::Files::exists(location));

    server.enqueue({200, {}, "for the owner"});
    auto task = session->downloadTaskWithURL(server.url("/file"));
    task->resume();
    runUntilIdle();
    EXPECT_EQ(owner->events,
              (std::vector<std::string>{"response 200", "downloaded for the owner", "complete"}));
    EXPECT_FALSE(platform::Files::exists(task->targetURL()));
}

class CRKURLSessionTLSTest : public CRKURLSessionTest {
protected:
    void SetUp() override {
        testsupport::KestruneTest::SetUp();
        auto made = LoopbackServer::makeSelfSignedIdentity(home() + "/tls");
        ASSERT_TRUE(made);
        identity = *made;
        ASSERT_TRUE(server.startTLS(identity));
        owner = std::make_shared<Owner>();
        delegateQueue = CRKURLSession::newDefaultDelegateQueue();
        owner->expectedQueue = delegateQueue.get();
        session = CRKURLSession::sessionWithConfiguration_delegate_delegateQueue(
            CRKURLSessionConfiguration::defaultSessionConfiguration(), owner, delegateQueue);
    }
    LoopbackServer::Identity identity;
};

TEST_F(CRKURLSessionTLSTest, TheOwnerDecidesOnTheServersChainEvenForTasksWithHandlers) {
    server.setDefaultAnswer({200, {}, "pinned"});
    owner->anchor = identity.certificateDER;
    Answer pinned;
    session->dataTaskWithRequest_completionHandler(URLRequest(server.url("/"), 5), collect(pinned))->resume();
    runUntilIdle();
    EXPECT_FALSE(pinned.error);
    ASSERT_TRUE(pinned.data);
    EXPECT_EQ(pinned.data->toString(), "pinned");
    EXPECT_EQ(owner->events, std::vector<std::string>{"challenge"});
    EXPECT_TRUE(owner->onQueue);

    auto other = LoopbackServer::makeSelfSignedIdentity(home() + "/other");
    ASSERT_TRUE(other);
    owner->anchor = other->certificateDER;
    Answer refused;
    session->dataTaskWithRequest_completionHandler(URLRequest(server.url("/"), 5), collect(refused))
        ->resume();
    runUntilIdle();
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), URLError::Cancelled);
    EXPECT_EQ(server.requestCount(), 1u);
}

}  // namespace
