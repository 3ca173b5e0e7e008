#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "platform/base/Clock.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Quit.h"
#include "platform/net/URLConnection.h"
#include "platform/net/URLError.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/events/USKActivity.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKTimer.h"
#include "reporting/UsageKit/upload/USKBackoffTimer.h"
#include "reporting/UsageKit/upload/USKNetworkRetryHandler.h"
#include "reporting/UsageKit/upload/USKUploadOperation.h"
#include "reporting/UsageKit/upload/USKUploader.h"
#include "reporting/core/RKTNetworkOperation.h"
#include "tests/reporting/UsageKit/UsageKitTestSupport.h"
#include "tests/support/LoopbackServer.h"

using platform::Value;
using reporting::KitErrorPtr;
using reporting::USKUploader;

namespace {

// Records what the uploader tells its owner; finishes every upload at once (no retries).
class RecordingDelegate : public reporting::USKUploaderDelegate {
public:
    explicit RecordingDelegate(std::string folder) : folder_(std::move(folder)) {}
    std::string uploader_filePathForUniqueName(USKUploader&, const std::string& name) override {
        return folder_ + "/" + name + ".multipartmime";
    }
    void uploader_didFinishUploadWithUniqueName_error(USKUploader&, const std::string& name,
                                                      const KitErrorPtr& error) override {
        std::lock_guard lock(mutex);
        finished.emplace_back(name, error);
    }
    void uploader_completedRequest_withResponse_uniqueName_error_completionHandler(
        USKUploader&, const platform::URLRequest&, const std::optional<platform::HTTPURLResponse>&,
        const std::string&, const KitErrorPtr& error, RetryHandler handler) override {
        handler(false, error);
    }
    void uploader_session_didReceiveChallenge_completionHandler(
        USKUploader&, reporting::CRKURLSession&, const platform::ServerTrust&,
        const reporting::CRKURLSessionDelegate::ChallengeCompletionHandler& completionHandler) override {
        completionHandler(refuseCertificates ? platform::AuthChallengeDisposition::CancelChallenge
                                             : platform::AuthChallengeDisposition::PerformDefaultHandling);
    }
    std::atomic<bool> refuseCertificates{false};
    std::mutex mutex;
    std::vector<std::pair<std::string, KitErrorPtr>> finished;

private:
    std::string folder_;
};

class USKUploadTest : public usktest::UsageKitTest {
protected:
    void SetUp() override {
        UsageKitTest::SetUp();
        ASSERT_TRUE(server.start());
        server.setDefaultAnswer({202, {}, "", 0});
        folder = home() + "/events";
        platform::Files::createDirectories(folder, 0700);
        queue = reporting::OperationQueue::create("events");
        queue->setMaxConcurrentOperationCount(1);
        delegate = std::make_shared<RecordingDelegate>(folder);
        uploader = USKUploader::uploaderWithQueue_delegate(queue, delegate);
    }
    void TearDown() override {
        if (controller) drain(controller->eventQueue());
        controller.reset();
        drain(queue);
        uploader.reset();
        platform::Quit::resetForTesting();
        UsageKitTest::TearDown();
    }
    template <typename Condition>
    bool settleUntil(const std::shared_ptr<reporting::OperationQueue>& q, Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < deadline) {
            drain(q);
            if (condition()) return true;
            std::this_thread::yield();
        }
        return false;
    }
    std::string package(const std::string& name) {
        const std::string path = folder + "/" + name + ".multipartmime";
        platform::Files::writeAtomically(path, platform::Data::fromString("MIME-Version: 1.0\r\nbody"), 0600);
        return path;
    }
    size_t finishedCount() {
        std::lock_guard lock(delegate->mutex);
        return delegate->finished.size();
    }
    testsupport::LoopbackServer server;
    std::string folder;
    std::shared_ptr<reporting::OperationQueue> queue;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<USKUploader> uploader;
    std::shared_ptr<reporting::USKUsageKitController> controller;
};

TEST_F(USKUploadTest, TheRequestCarriesTheKitsHeadersAndTheFile) {
    const auto path = package("B0UNDARY");
    auto operation = std::make_shared<reporting::USKUploadOperation>(uploader, server.url("/spi/v2/events"),
                                                                     "API-KEY", path, "B0UNDARY");
    queue->addOperation(operation);
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(settleUntil(queue, [&] { return finishedCount() == 1; }));
    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/spi/v2/events");
    EXPECT_EQ(request.body, "MIME-Version: 1.0\r\nbody");
    const std::pair<const char*, std::string> headers[] = {
        {"Content-Type", "multipart/form-data; boundary=B0UNDARY"},
        {"Content-Length", "23"},
        {"User-Agent", "UsageKit Mac SDK/1.4.0"},
        {"X-CRASHKIT-DEVELOPER-TOKEN", reporting::RKTNetworkOperation::kDeveloperToken},
        {"X-CRASHKIT-API-CLIENT-TYPE", "UsageKit Mac SDK"},
        {"X-CRASHKIT-API-CLIENT-VERSION", "31"},
        {"X-CRASHKIT-API-CLIENT-DISPLAY-VERSION", "1.4.0"},
        {"X-CRASHKIT-API-CLIENT-BUILD-VERSION", "31"},
        {"X-CRASHKIT-API-KEY", "API-KEY"},
        {"X-CrashKit-Api-Client-Packaged-Timestamp", "1800000000"},
    };
    for (const auto& [name, value] : headers) EXPECT_EQ(request.header(name), value) << name;
    std::lock_guard lock(delegate->mutex);
    EXPECT_EQ(delegate->finished[0].first, "B0UNDARY");
    EXPECT_FALSE(delegate->finished[0].second);
}

TEST_F(USKUploadTest, ANameInFlightIsSkippedAndAMissingFileFinishesWithMinusEight) {
    const auto path = package("SAME");
    platform::URLRequest request(server.url("/e"));
    request.setHTTPMethod("POST");
    testsupport::LogCapture log;
    // Both starts are queued before the first runs: on a busy machine the first upload could otherwise
    // end before the second start was even queued, and that one would rightly upload the file again.
    std::promise<void> bothQueued;
    queue->addOperationWithBlock([queued = bothQueued.get_future().share()] { queued.wait(); });
    uploader->startUploadRequest_filePath_uniqueName(request, path, "SAME");
    uploader->startUploadRequest_filePath_uniqueName(request, path, "SAME");
    bothQueued.set_value();
    ASSERT_TRUE(settleUntil(queue, [&] { return finishedCount() == 1; }));
    EXPECT_TRUE(log.contains("[UsageKit:USKUploader] A task currently exists for 'SAME', skipping"));
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(uploader->namesInFlight().empty());

    uploader->startUploadRequest_filePath_uniqueName(request, folder + "/GONE.multipartmime", "GONE");
    uploader->startUploadRequest_filePath_uniqueName(request, path, "");
    ASSERT_TRUE(settleUntil(queue, [&] { return finishedCount() == 3; }));
    std::lock_guard lock(delegate->mutex);
    EXPECT_EQ(delegate->finished[1].second->code(), USKUploader::kErrorUnreadableFile);
    EXPECT_EQ(delegate->finished[1].second->domain(), "RKTNetworkError");
    EXPECT_EQ(delegate->finished[2].second->code(), USKUploader::kErrorBadArguments);
    EXPECT_EQ(server.requestCount(), 1u);
}

// The quit ends every transfer under way. Once it has begun, an upload that fails is the quit's doing, no
// answer of the server's: the owner, which would remove the file or retry it, hears nothing, and the name
// is let go. An upload asked for after it began is not sent at all. Before, the same failure reaches the
// owner.
TEST_F(USKUploadTest, OnceTheQuitHasBegunNoUploadStartsAndAFailedOneIsLeftForALaterLaunch) {
    server.setDefaultAnswer({.status = 200, .dropConnection = true});
    platform::URLRequest request(server.url("/e"));
    request.setHTTPMethod("POST");
    uploader->startUploadRequest_filePath_uniqueName(request, package("BEFORE"), "BEFORE");
    ASSERT_TRUE(settleUntil(queue, [&] { return finishedCount() == 1; }));

    server.setDefaultAnswer({.status = 200, .dropConnection = true, .held = true});
    uploader->startUploadRequest_filePath_uniqueName(request, package("HELD"), "HELD");
    ASSERT_TRUE(server.waitForHeldAnswers(1));
    testsupport::LogCapture log;
    platform::Quit::begin();
    uploader->startUploadRequest_filePath_uniqueName(request, package("AFTER"), "AFTER");
    // Released at once: settling waits for the transfers under way.
    server.releaseHeldAnswers();
    ASSERT_TRUE(settleUntil(
        queue, [&] { return uploader->namesInFlight().empty() && log.contains("'AFTER' is not sent"); }));
    drain(queue);  // the step that let the name go has ended
    EXPECT_EQ(finishedCount(), 1u);
    EXPECT_EQ(server.requestCount(), 2u) << "an upload began after the quit";
    EXPECT_TRUE(log.contains(
        "[UsageKit:USKUploader] The quit ended the upload of 'HELD'; its file waits for a later launch"));
    EXPECT_TRUE(log.contains(
        "[UsageKit:USKUploader] The quit has begun: 'AFTER' is not sent; its file waits for a later launch"));
}

// The quit may come before the analytics kit is even made (a signal while the start-up waits on a slow
// server): the uploader made afterwards still knows it, and the events packages it finds pending, which a
// failed upload would have removed, stay for a later launch.
TEST_F(USKUploadTest, AControllerMadeAfterTheQuitBeganSendsNothingAndKeepsThePendingPackages) {
    notFirstLaunch();
    const std::string events = home() + "/root/events";
    platform::Files::createDirectories(events, 0700);
    for (const char* name : {"PENDING1", "PENDING2"})
        platform::Files::writeAtomically(events + "/" + name + ".multipartmime",
                                         platform::Data::fromString("MIME-Version: 1.0\r\nbody"), 0600);
    testsupport::LogCapture log;
    platform::Quit::begin();
    controller = reporting::USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt,
                                                                                         home() + "/root");
    controller->initializeSettingsIfNeededWithReportKitSettings(
        Value::Dictionary{{"analytics", Value::Dictionary{{"url", Value(server.url("/spi/v2/events"))}}}});
    ASSERT_TRUE(settleUntil(controller->eventQueue(), [&] {
        return log.contains("'PENDING1' is not sent") && log.contains("'PENDING2' is not sent");
    }));
    drain(controller->eventQueue());
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_TRUE(platform::Files::exists(events + "/PENDING1.multipartmime"));
    EXPECT_TRUE(platform::Files::exists(events + "/PENDING2.multipartmime"));
    EXPECT_FALSE(log.contains("Failed to upload"));
}

// A transfer cancelled on this side ended by no answer of the server's, whether or not the quit was
// known to have begun: its file stays and the owner hears nothing. The cancel that reaches every transfer
// holds for the rest of the process, so it is made in a child (a death test's), which reports by its exit
// status.
TEST_F(USKUploadTest, ATransferCancelledOnThisSideKeepsItsFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto keptAndUnheard = [&] {
        server.setDefaultAnswer({.status = 202, .held = true});
        platform::URLRequest request(server.url("/e"));
        request.setHTTPMethod("POST");
        uploader->startUploadRequest_filePath_uniqueName(request, package("HELD"), "HELD");
        if (!server.waitForHeldAnswers(1)) return false;
        testsupport::LogCapture log;
        platform::URLConnection::cancelAllForQuit();
        const bool letGo = settleUntil(queue, [&] { return uploader->namesInFlight().empty(); });
        drain(queue);
        server.releaseHeldAnswers();
        return letGo && finishedCount() == 0 &&
               log.contains("The cancel ended the upload of 'HELD'; its file waits for a later launch");
    };
    EXPECT_EXIT(std::_Exit(keptAndUnheard() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// A certificate the owner refuses ends the transfer as cancelled too, but that is the server's doing:
// the owner hears of it and decides on the file.
TEST_F(USKUploadTest, ARefusedCertificateReachesTheOwner) {
    const auto root = testsupport::LoopbackServer::makeRootAuthority("Kestrune Refused Root");
    ASSERT_TRUE(root);
    const auto identity = testsupport::LoopbackServer::makeIdentitySignedBy(*root, home() + "/tls");
    ASSERT_TRUE(identity);
    testsupport::LoopbackServer secure;
    ASSERT_TRUE(secure.startTLS(*identity));
    delegate->refuseCertificates = true;
    platform::URLRequest refused(secure.url("/e"));
    refused.setHTTPMethod("POST");
    uploader->startUploadRequest_filePath_uniqueName(refused, package("REFUSED"), "REFUSED");
    ASSERT_TRUE(settleUntil(queue, [&] { return finishedCount() == 1; }));
    std::lock_guard lock(delegate->mutex);
    EXPECT_EQ(delegate->finished[0].first, "REFUSED");
    ASSERT_TRUE(delegate->finished[0].second);
    EXPECT_EQ(delegate->finished[0].second->code(), platform::URLError::Cancelled);
}

TEST_F(USKUploadTest, AThermalChangeMakesTheNextUploadUseANewSessionWithTheOtherTimeout) {
    auto first = uploader->session();
    EXPECT_EQ(uploader->currentSessionResourceTimeout(), 3600.0);
    platform::ThermalState::setCurrent(platform::ThermalState::Serious);
    drain(queue);
    auto second = uploader->session();
    EXPECT_NE(first, second);
    EXPECT_EQ(uploader->currentSessionResourceTimeout(), 21600.0);
    platform::ThermalState::setCurrent(platform::ThermalState::Nominal);
    drain(queue);
    EXPECT_NE(uploader->session(), second);
    EXPECT_EQ(uploader->currentSessionResourceTimeout(), 3600.0);
}

TEST_F(USKUploadTest, RetriesBackOffInVirtualTimeAndTheTwelfthFailureGivesUpAndRemovesTheFile) {
    server.setDefaultAnswer({503, {}, "", 0});
    notFirstLaunch();
    controller = reporting::USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt,
                                                                                         home() + "/root");
    controller->initializeSettingsIfNeededWithReportKitSettings(
        Value::Dictionary{{"analytics", Value::Dictionary{{"url", Value(server.url("/spi/v2/events"))}}}});
    controller->logEvent(std::make_shared<reporting::USKLifecycleEvent>("app_became_active"));
    const auto events = home() + "/root/events";
    auto& loop = platform::RunLoop::main();
    for (size_t attempt = 1; attempt <= 12; ++attempt) {
        SCOPED_TRACE(attempt);
        ASSERT_TRUE(server.waitForRequests(attempt));
        if (attempt == 12) break;
        ASSERT_TRUE(
            settleUntil(controller->eventQueue(), [&] { return loop.nextTimerFireDate().has_value(); }));
        const double wait = *loop.nextTimerFireDate() - now();
        const double expected = std::pow(2.0, static_cast<double>(attempt));
        EXPECT_GE(wait, expected * 0.9 - 1e-6);
        EXPECT_LT(wait, expected * 1.1);
        EXPECT_EQ(usktest::filesWithExtension(events, "multipartmime").size(), 1u);
        advance(wait);
    }
    EXPECT_TRUE(settleUntil(controller->eventQueue(),
                            [&] { return usktest::filesWithExtension(events, "multipartmime").empty(); }));
    EXPECT_FALSE(loop.nextTimerFireDate().has_value());
    EXPECT_EQ(server.requestCount(), 12u);
}

TEST_F(USKUploadTest, TheRetryHandlerGivesUpWithoutAnIdentifierAndPastItsLimit) {
    reporting::USKNetworkRetryHandler handler(nullptr);
    const platform::URLRequest request("https://example.test/e");
    const platform::HTTPURLResponse unavailable("https://example.test/e", 503, {});
    std::optional<std::pair<bool, KitErrorPtr>> answer;
    auto record = [&](bool retry, const KitErrorPtr& error) { answer = {retry, error}; };

    handler.handleCompletedRequest_withResponse_forIdentifier_error_completionHandler(request, unavailable,
                                                                                      "", nullptr, record);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->first);
    EXPECT_TRUE(answer->second);  // the classifier's error comes first
    EXPECT_EQ(handler.retryTimerCount(), 0u);
    auto noIdentifier = reporting::USKNetworkRetryHandler::errorWithCode_forIdentifier_request_handlerError(
        -7, "", request, nullptr);
    EXPECT_EQ(noIdentifier->code(), -7);
    EXPECT_EQ(noIdentifier->userInfo().at("USKNetworkRetryHandlerIdentifier"), Value("(null)"));
    EXPECT_EQ(noIdentifier->userInfo().at("NSErrorFailingURLKey"), Value("https://example.test/e"));

    // With a limit of 0 one retry is allowed (count 0), the second failure gives up: -6 when the
    // classifier gave no error of its own.
    answer.reset();
    handler.handleCompletedRequest_withResponse_forIdentifier_maxRetries_error_completionHandler(
        request, unavailable, "X", 0, nullptr, record);
    EXPECT_FALSE(answer);  // waiting for the back-off
    advance(2.3);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->first);
    handler.handleCompletedRequest_withResponse_forIdentifier_maxRetries_error_completionHandler(
        request, unavailable, "X", 0, nullptr, record);
    EXPECT_FALSE(answer->first);
    auto limit = reporting::USKNetworkRetryHandler::errorWithCode_forIdentifier_request_handlerError(
        -6, "X", request, nullptr);
    EXPECT_EQ(limit->code(), -6);
}

TEST_F(USKUploadTest, BackOffDelaysAreClampedBeforeTheyBecomeWholeNanoseconds) {
    reporting::USKBackoffTimer timer(30.0, 0.0);
    EXPECT_EQ(timer.computeDelayForInitialValue_retryCount(30.0, 2), 900.0);
    const double seventh = timer.computeDelayForInitialValue_retryCount(30.0, 7);
    EXPECT_GT(seventh * 1e9, 9.3e18);  // beyond 64-bit nanoseconds
    EXPECT_EQ(reporting::USKBackoffTimer::delayInNanoseconds(seventh), 1000000000000000000);
    EXPECT_EQ(reporting::USKBackoffTimer::delayInNanoseconds(std::numeric_limits<double>::infinity()),
              1000000000000000000);
    EXPECT_EQ(reporting::USKBackoffTimer::delayInNanoseconds(std::nan("")), 0);
    // A seventh retry with "Retry-After: 30" waits, it does not fire at once.
    bool fired = false;
    timer.setRetryCount(6);
    timer.executeBlockAfterNextInterval([&] { fired = true; });
    advance(3600);
    EXPECT_FALSE(fired);
    EXPECT_TRUE(reporting::USKBackoffTimer::jitterCoefficientIsValid(0));
    EXPECT_FALSE(reporting::USKBackoffTimer::jitterCoefficientIsValid(1));
    reporting::USKTimer tolerance(600, queue, "t", [] {});
    EXPECT_EQ(tolerance.tolerance(), 60.0);
}

TEST_F(USKUploadTest, AnActivityEndedTwiceEndsThePlatformActivityOnce) {
    auto& activities = platform::ProcessActivities::shared();
    auto activity = reporting::USKActivity::beginActivity_withOptions("r", 0xC000);
    EXPECT_EQ(activities.activeActivityCount(), 1u);
    EXPECT_EQ(activities.suddenTerminationDisableCount(), 1);
    activity->end();
    activity->end();
    EXPECT_EQ(activities.activeActivityCount(), 0u);
    EXPECT_EQ(activities.suddenTerminationDisableCount(), 0);
    EXPECT_EQ(activities.automaticTerminationDisableCount(), 0);
}

TEST_F(USKUploadTest, AnActivityReachesTheHostsSharedApplicationExceptInAnExtension) {
    auto& bundle = platform::Bundle::main();
    const Value::Dictionary saved = bundle.infoDictionary();
    auto activity = reporting::USKActivity::beginActivity_withOptions("r", 0);
    EXPECT_EQ(activity->sharedAppInstance(), &platform::Application::shared());
    Value::Dictionary extension = saved;
    extension["NSExtension"] =
        Value(Value::Dictionary{{"NSExtensionPointIdentifier", Value("com.example.w")}});
    bundle.setInfoDictionaryForTesting(extension);
    const auto* inExtension = activity->sharedAppInstance();  // the host is read anew
    bundle.setInfoDictionaryForTesting(saved);
    EXPECT_EQ(inExtension, nullptr);
}

}  // namespace
