#include "reporting/crash/controller/CRKUploadSubmission.h"

#include <cstdlib>

#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "tests/reporting/crash/CrashKitFixture.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/LoopbackServer.h"

using namespace reporting;
using testsupport::LoopbackServer;

namespace {

const char* kAPIKey = "0123456789abcdef0123456789abcdef01234567";

// Answers like an application that submits everything it is told of.
struct SubmittingDelegate : CRKCrashReportingControllerDelegate {
    std::optional<std::string> APIKeyForCrashReportingController(CRKCrashReportingController&) override {
        return kAPIKey;
    }
    std::string installIDForCrashReportingController(CRKCrashReportingController&) override {
        return "install";
    }
    bool isFirstInstallForCrashReportingController(CRKCrashReportingController&) override { return false; }
    CRKCrashSettings settingsForCrashReportingController(CRKCrashReportingController&) override {
        return CRKCrashSettingsFromSettings(CRKSettings(std::nullopt));
    }
    bool reportingControllerMustInformDelegateOfReports(CRKCrashReportingController&) override {
        return true;
    }
    bool reportingController_ensureDeliveryOfUnixSignal(CRKCrashReportingController&, int) override {
        return false;
    }
    void reportingController_internalDidDetectReportForLastExecution(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>&) override {}
    void reportingController_didDetectReportForLastExecution_completionHandler(
        CRKCrashReportingController&, const std::shared_ptr<CRKInternalReport>&,
        std::function<void(bool)> completion) override {
        completion(true);
    }
};

class CRKUploadSubmissionTest : public crashtests::CrashKitFixture {
protected:
    void SetUp() override {
        CrashKitFixture::SetUp();
        auto root = LoopbackServer::makeRootAuthority("Submission Test Root");
        ASSERT_TRUE(root);
        auto identity = LoopbackServer::makeIdentitySignedBy(*root, home() + "/tls");
        ASSERT_TRUE(identity);
        ASSERT_TRUE(server.startTLS(*identity));
        setenv("CrashKitReportsEndpoint", server.baseURL().c_str(), 1);
        pinner = std::make_shared<RKTCertificatePinner>(std::vector<platform::Data>{root->certificateDER});
        files = std::make_shared<CRKFileManager>(home() + "/reports");
        ASSERT_TRUE(files->prepareForNewLaunch());
    }
    void TearDown() override {
        if (controller) settle();
        controller.reset();
        server.stop();
        unsetenv("CrashKitReportsEndpoint");
        CrashKitFixture::TearDown();
    }
    void start() {
        CRKUploadSubmissionOptions options;
        options.APIKey = [] { return std::optional<std::string>(kAPIKey); };
        options.pinner = pinner;
        controller = CRKCrashReportingController::initWithFileManager_delegate(
            files, delegate, CRKUploadSubmissionFactory(options), nullptr);
        ASSERT_TRUE(controller->startWithProfilingMark_betaToken(now(), std::nullopt));
    }
    void settle() {
        for (int i = 0; i < 6; ++i) {
            runUntilIdle();
            controller->operationQueue()->waitUntilAllOperationsAreFinished();
        }
    }
    // Waits (bounded) for the server to have heard the given number of requests, then lets the answers land.
    bool heard(size_t count) {
        settle();
        const bool arrived = server.waitForRequests(count);
        settle();
        return arrived;
    }
    std::string earlierReport(const std::string& name) {
        return uploadtest::seedReport(files->activePath(), name,
                                      {{"signal.crkrecord", "{\"signal\":{\"number\":11}}\n"}}, kAPIKey);
    }

    LoopbackServer server;
    std::shared_ptr<RKTCertificatePinner> pinner;
    std::shared_ptr<CRKFileManager> files;
    std::shared_ptr<SubmittingDelegate> delegate = std::make_shared<SubmittingDelegate>();
    std::shared_ptr<CRKCrashReportingController> controller;
};

LoopbackServer::Answer json(int status) {
    return {status, {{"Content-Type", "application/json"}}, "{}", 0};
}

}  // namespace

TEST_F(CRKUploadSubmissionTest, AReportOfAnEarlierRunReachesTheServerAndIsRemoved) {
    server.setDefaultAnswer(json(200));
    earlierReport("earlier-1");
    start();
    ASSERT_TRUE(heard(1));
    ASSERT_EQ(server.requestCount(), 1u);

    const auto request = server.requests()[0];
    EXPECT_EQ(request.target,
              std::string("/sdk-api/v1/platforms/mac/apps/") + kBundleIdentifier + "/reports");
    EXPECT_EQ(request.header("X-CrashKit-API-Key"), kAPIKey);
    const auto received = uploadtest::receive(request.body, request.header("Content-Type").value_or(""));
    ASSERT_TRUE(received.wellFormed);
    EXPECT_EQ(received.fields.at("report_id"), "earlier-1");
    EXPECT_EQ(received.files.at("signal.crkrecord"), "{\"signal\":{\"number\":11}}\n");
    // Accepted: nothing of the earlier report is left; only this run's folder remains.
    for (const auto& path : files->activePathContents())
        EXPECT_NE(platform::Files::lastPathComponent(path), "earlier-1");
    EXPECT_TRUE(files->processingPathContents().empty());
    EXPECT_TRUE(files->preparedPathContents().empty());
}

TEST_F(CRKUploadSubmissionTest, ARefusedUploadComesBackToTheControllerAndIsRetriedAfterTenMinutes) {
    server.enqueue(json(413));
    server.setDefaultAnswer(json(200));
    earlierReport("earlier-2");
    start();
    ASSERT_TRUE(heard(1));
    ASSERT_EQ(files->preparedPathContents().size(), 1u);

    advance(CRKCrashReportingController::kRetryInterval - 1);
    settle();
    EXPECT_EQ(server.requestCount(), 1u);
    advance(1);
    ASSERT_TRUE(heard(2));
    EXPECT_EQ(uploadtest::receive(server.requests()[1].body,
                                  server.requests()[1].header("Content-Type").value_or(""))
                  .fields.at("report_id"),
              "earlier-2");
    EXPECT_TRUE(files->preparedPathContents().empty());
}
