#include "reporting/crash/CrashKit.h"

#include <fstream>
#include <sstream>

#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKContext.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "tests/support/TestEnvironment.h"

using namespace reporting;

namespace {

std::string hex(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

class CrashKitTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        ReportKit::resetSharedForTesting();
        CrashKit::resetSharedForTesting();
        CRKContextResetForTesting();
        CRKUserLoggingResetForTesting();
        CRKContextHooks hooks;  // the report's files only: no handlers in the test process
        hooks.startUserLogging = CRKCaptureHooks().startUserLogging;
        CRKContextSetHooks(hooks);
        platform::Bundle::main().setInfoDictionaryForTesting(
            {{"CFBundleIdentifier", "com.kestrune.Kestrune"}});
        kit = CrashKit::sharedInstance();
    }
    void TearDown() override {
        runUntilIdle();
        if (auto controller = kit->crashReportingController())
            controller->operationQueue()->waitUntilAllOperationsAreFinished();
        kit.reset();
        CrashKit::resetSharedForTesting();
        CRKContextResetForTesting();
        CRKUserLoggingResetForTesting();
        ReportKit::setCrashKitCollectionEnabled(true);
        platform::Bundle::main().reload();
        ReportKit::resetSharedForTesting();
        KestruneTest::TearDown();
    }
    std::shared_ptr<CRKInternalReport> crashedReport() {
        const std::string path = home() + "/old";
        platform::Files::createDirectories(path);
        std::ofstream(path + "/metadata.clsrecord")
            << "{\"identity\":{\"session_id\":\"old\",\"started_at\":1700000000}}\n";
        std::ofstream(path + "/signal.clsrecord") << "{\"signal\":{\"number\":11,\"time\":1700000100}}\n";
        return CRKInternalReport::initWithPath(path);
    }
    std::shared_ptr<CrashKit> kit;
};

TEST_F(CrashKitTest, CollectionDisabledRefusesTheStartWithoutUsingItUp) {
    ReportKit::setCrashKitCollectionEnabled(false);
    testsupport::LogCapture log;
    kit->start();
    EXPECT_FALSE(kit->isCrashKitStarted());
    EXPECT_TRUE(log.contains("[CrashKit] Not starting up because data collection is disabled"));
    ReportKit::setCrashKitCollectionEnabled(true);
    kit->start();
    ASSERT_TRUE(kit->isCrashKitStarted());
    const auto first = kit->crashReportingController();
    kit->start();
    EXPECT_EQ(kit->crashReportingController(), first);
}

TEST_F(CrashKitTest, ARegistryConfiguredByTheOutsideCoreIsNotStartedAgain) {
    ReportKit::sharedSDK().setInstallationMode(ReportKit::ConfiguredThroughNimbus);
    testsupport::LogCapture log;
    CrashKit::startWithAPIKey("key");
    EXPECT_TRUE(log.contains("after [NMBApp configure] or NimbusApp.configure() is not supported"));
    EXPECT_EQ(ReportKit::sharedSDK().installationMode(), ReportKit::ConfiguredFromInfoPlist);
    EXPECT_FALSE(kit->isCrashKitStarted());
    EXPECT_FALSE(ReportKit::sharedSDK().APIKey());
}

TEST_F(CrashKitTest, ADelegateWithoutTheCompletionFormGetsTheReportAndItIsSent) {
    auto delegate = std::make_shared<CrashKitDelegate>();
    std::shared_ptr<CRKReport> seen;
    delegate->didDetectReportForLastExecution = [&](const std::shared_ptr<CRKReport>& report) {
        seen = report;
    };
    kit->setDelegate(delegate);
    kit->start();
    auto controller = kit->crashReportingController();
    ASSERT_TRUE(controller);
    EXPECT_FALSE(kit->reportingControllerMustInformDelegateOfReports(*controller));
    std::optional<bool> answer;
    kit->reportingController_didDetectReportForLastExecution_completionHandler(
        *controller, crashedReport(), [&](bool submit) { answer = submit; });
    EXPECT_EQ(answer, true);
    EXPECT_FALSE(seen);  // on the main queue, later
    runUntilIdle();
    ASSERT_TRUE(seen);
}

TEST_F(CrashKitTest, APreviousCrashReachesTheAnalyticsKitAsItsCrashEvent) {
    std::vector<std::optional<platform::Date>> crashes;
    CrashKitCompanions companions;
    companions.usageLogPreviousSessionCrashedOnDate = [&](const std::optional<platform::Date>& date) {
        crashes.push_back(date);
    };
    CrashKit::setCompanions(companions);
    kit->start();
    auto controller = kit->crashReportingController();
    ASSERT_TRUE(controller);
    kit->reportingController_internalDidDetectReportForLastExecution(*controller, crashedReport());
    runUntilIdle();
    ASSERT_EQ(crashes.size(), 1u);
    EXPECT_TRUE(crashes[0]);
}

TEST_F(CrashKitTest, IdentityKeysAreRecordedInTheCurrentReport) {
    kit->start();
    ASSERT_TRUE(kit->isCrashKitStarted() && kit->crashReportingController()->currentReport());
    kit->setUserIdentifier("u-17");
    kit->setUserName("Ada");
    kit->setUserEmail("ada@example.com");
    runUntilIdle();
    CRKSharedContext().loggingQueue->sync([] {});
    std::string all;
    const auto folder = kit->crashReportingController()->currentReport()->path();
    for (const auto& name : platform::Files::listDirectory(folder)) {
        std::ifstream in(folder + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        all += text.str();
    }
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"com.reportkit.user-id", "u-17"},
                                                          {"com.reportkit.user-name", "Ada"},
                                                          {"com.reportkit.user-email", "ada@example.com"}})
        EXPECT_NE(all.find(hex(key) + "\",\"value\":\"" + hex(value)), std::string::npos) << key;
}

TEST_F(CrashKitTest, AScriptMessageThatIsNoDictionaryRecordsNothing) {
    testsupport::LogCapture log;
    kit->userContentController_didReceiveScriptMessage(platform::Value("oops"));
    EXPECT_TRUE(log.contains("[CrashKit] Unable to record exception from WKWebView"));
}

}  // namespace
