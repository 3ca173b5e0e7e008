#include "reporting/crash/kit/CrashKit.h"

#include <fstream>
#include <sstream>

#include "platform/base/Quit.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/capture/CRKCapture.h"
#include "reporting/crash/capture/CRKException.h"
#include "reporting/crash/capture/CRKUserLogging.h"
#include "reporting/crash/settings/CRKSettings.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "tests/reporting/crash/CrashKitFixture.h"

using namespace reporting;

namespace {

class CrashKitTest : public crashtests::CrashKitFixture {
protected:
    void SetUp() override {
        CrashKitFixture::SetUp();
        CrashKit::resetSharedForTesting();
        kit = CrashKit::sharedInstance();
    }
    void TearDown() override {
        runUntilIdle();
        if (auto controller = kit->crashReportingController())
            controller->operationQueue()->waitUntilAllOperationsAreFinished();
        kit.reset();
        CrashKit::resetSharedForTesting();
        ReportKit::setCrashKitCollectionEnabled(true);
        RKTKitClass::unregisterAllClassesForTesting();
        CrashKitFixture::TearDown();
    }
    std::shared_ptr<CRKInternalReport> crashedReport() {
        const std::string path = home() + "/old";
        platform::Files::createDirectories(path);
        std::ofstream(path + "/metadata.crkrecord")
            << "{\"identity\":{\"session_id\":\"old\",\"started_at\":1700000000}}\n";
        std::ofstream(path + "/signal.crkrecord") << "{\"signal\":{\"number\":11,\"time\":1700000100}}\n";
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
    ReportKit::registerClass();
    ReportKit::sharedSDK().setInstallationMode(ReportKit::ConfiguredThroughNimbus);
    testsupport::LogCapture log;
    CrashKit::startWithAPIKey("key");
    EXPECT_TRUE(log.contains("after [NMBApp configure] or NimbusApp.configure() is not supported"));
    EXPECT_EQ(ReportKit::sharedSDK().installationMode(), ReportKit::ConfiguredFromInfoPlist);
    EXPECT_FALSE(kit->isCrashKitStarted());
    EXPECT_FALSE(ReportKit::sharedSDK().APIKey());
}

TEST_F(CrashKitTest, TheRegistrysOptionalOperationsAreFoundByNameOrTheKeyPathIsTaken) {
    // A registry whose class is not in the list answers neither mode operation: the key path, even
    // though the mode says the outside core configured it.
    ReportKit::sharedSDK().setInstallationMode(ReportKit::ConfiguredThroughNimbus);
    CrashKit::startWithAPIKey("key-1");
    EXPECT_EQ(ReportKit::sharedSDK().APIKey(), "key-1");
    EXPECT_TRUE(kit->isCrashKitStarted());

    // A registry that starts its kits from a key does so, and nothing else happens here.
    TearDown();
    SetUp();
    auto registry = RKTKitClass::plainClass("ReportKit");
    std::vector<platform::Value> keys;
    registry->setClassOperation("initializeKitsWithReportKitAPIKey",
                                [&](const std::vector<platform::Value>& a) {
                                    keys.insert(keys.end(), a.begin(), a.end());
                                    return platform::Value();
                                });
    registry->setInstanceOperation("installationMode",
                                   [](const std::vector<platform::Value>&) -> platform::Value {
                                       ADD_FAILURE() << "the one-call start comes first";
                                       return {};
                                   });
    RKTKitClass::registerClass(registry);
    CrashKit::startWithAPIKey("key-2");
    EXPECT_EQ(keys, std::vector<platform::Value>{platform::Value("key-2")});
    EXPECT_FALSE(kit->isCrashKitStarted());
    EXPECT_FALSE(ReportKit::sharedSDK().APIKey());

    // With only one of the two mode operations the key path is taken too.
    RKTKitClass::unregisterAllClassesForTesting();
    auto half = RKTKitClass::plainClass("ReportKit");
    half->setInstanceOperation("installationMode", [](const std::vector<platform::Value>&) {
        return platform::Value(static_cast<long long>(ReportKit::ConfiguredThroughNimbus));
    });
    RKTKitClass::registerClass(half);
    testsupport::LogCapture log;
    CrashKit::startWithAPIKey_afterDelay("key-3", 30);
    EXPECT_TRUE(log.contains("[CrashKit] Warning, startWithAPIKey:afterDelay: is deprecated."));
    EXPECT_FALSE(log.contains("is not supported"));
    EXPECT_EQ(ReportKit::sharedSDK().APIKey(), "key-3");
    EXPECT_TRUE(kit->isCrashKitStarted());  // at once, not after the delay
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
    kit->start();
    auto controller = kit->crashReportingController();
    ASSERT_TRUE(controller);
    // Without an analytics kit that answers the operation, nothing is sent anywhere.
    RKTKitClass::registerClass(RKTKitClass::plainClass("UsageKit"));
    kit->reportingController_internalDidDetectReportForLastExecution(*controller, crashedReport());
    runUntilIdle();

    std::vector<platform::Value> crashes;
    auto usageKit = RKTKitClass::plainClass("UsageKit");
    usageKit->setClassOperation("logPreviousSessionCrashedOnDate:",
                                [&](const std::vector<platform::Value>& a) {
                                    crashes.push_back(a.at(0));
                                    return platform::Value();
                                });
    RKTKitClass::registerClass(usageKit);
    kit->reportingController_internalDidDetectReportForLastExecution(*controller, crashedReport());
    EXPECT_TRUE(crashes.empty());  // on the main queue
    runUntilIdle();
    ASSERT_EQ(crashes.size(), 1u);
    ASSERT_TRUE(crashes[0].date());
    EXPECT_EQ(crashes[0].date()->timeIntervalSince1970(), 1700000000);
}

// A quit that came while the start held the launch (an urgent report) may stop the main loop before it
// turns again, and by then the report has moved on, so that no later launch finds it: the analytics kit
// is started all the same, and told of the crash before the start returns, not on a later turn.
TEST_F(CrashKitTest, AQuitDuringTheStartStillStartsTheAnalyticsKitAndTellsItOfTheCrashFound) {
    CRKFileManager files;
    ASSERT_TRUE(files.createDirectoryAtPath(files.activePath()));
    const std::string earlier = files.activePath() + "/earlier";
    ASSERT_TRUE(files.createDirectoryAtPath(earlier));
    std::ofstream(earlier + "/metadata.crkrecord")
        << "{\"identity\":{\"session_id\":\"earlier\",\"started_at\":1700000000}}\n";
    std::ofstream(earlier + "/signal.crkrecord") << "{\"signal\":{\"number\":11,\"time\":1700000100}}\n";
    std::vector<std::string> heard;
    std::vector<platform::Value> crashes;
    auto usageKit = RKTKitClass::plainClass("UsageKit");
    usageKit->setClassOperation("startWithBetaToken:", [&](const std::vector<platform::Value>&) {
        heard.push_back("start");
        return platform::Value();
    });
    usageKit->setClassOperation("logPreviousSessionCrashedOnDate:",
                                [&](const std::vector<platform::Value>& a) {
                                    heard.push_back("crash");
                                    crashes.push_back(a.at(0));
                                    return platform::Value();
                                });
    RKTKitClass::registerClass(usageKit);
    platform::Quit::begin();
    testsupport::LogCapture log;
    kit->start();
    platform::Quit::resetForTesting();
    EXPECT_EQ(heard, (std::vector<std::string>{"start", "crash"}));
    ASSERT_EQ(crashes.size(), 1u);
    ASSERT_TRUE(crashes[0].date());
    EXPECT_EQ(crashes[0].date()->timeIntervalSince1970(), 1700000000);
    EXPECT_TRUE(
        log.contains("[CrashKit] The quit has begun: the analytics kit records this launch's events"));
    runUntilIdle();
    EXPECT_EQ(crashes.size(), 1u) << "told once";
}

TEST_F(CrashKitTest, StartingStartsTheAnalyticsKitWithTheBetaToken) {
    std::vector<platform::Value> tokens;
    auto usageKit = RKTKitClass::plainClass("UsageKit");
    usageKit->setClassOperation("startWithBetaToken:", [&](const std::vector<platform::Value>& a) {
        tokens.push_back(a.at(0));
        return platform::Value();
    });
    RKTKitClass::registerClass(usageKit);
    kit->start();
    kit->start();
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_TRUE(tokens[0].isNull());  // no tester build here
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

TEST_F(CrashKitTest, DebugModeCanOnlyBeSwitchedOn) {
    EXPECT_FALSE(kit->debugMode());
    testsupport::LogCapture log;
    kit->setDebugMode(false);
    EXPECT_TRUE(kit->debugMode());
    EXPECT_TRUE(ReportKit::sharedSDK().debug());
    EXPECT_FALSE(log.contains("consider enabling debug mode"));
    kit->start();
    kit->setDebugMode(true);
    EXPECT_TRUE(log.contains("[CrashKit] Warning, consider enabling debug mode before starting CrashKit"));
}

TEST_F(CrashKitTest, TheCrashCallbackIsInstalledOnlyForADelegateThatWantsIt) {
    kit->start();
    ASSERT_TRUE(CRKSharedContext().readonly);
    EXPECT_EQ(CRKSharedContext().readonly->crashCallbackTarget, nullptr);

    TearDown();
    SetUp();
    auto delegate = std::make_shared<CrashKitDelegate>();
    int crashes = 0;
    delegate->didDetectCrash = [&](CrashKit& which) {
        EXPECT_EQ(&which, kit.get());
        ++crashes;
    };
    kit->setDelegate(delegate);
    kit->start();
    ASSERT_TRUE(CRKSharedContext().readonly);
    CRKCrashCallbackTarget* target = CRKSharedContext().readonly->crashCallbackTarget;
    ASSERT_EQ(target, kit->crashReportingController().get());
    target->deliverCrashDelegateCallback();  // as the crash handler does
    EXPECT_EQ(crashes, 1);
}

TEST_F(CrashKitTest, TheHandlersAreCheckedTwoSecondsAfterStart) {
    testsupport::LogCapture log;
    kit->start();
    const char* warning = "NSApplicationCrashOnExceptions is not set";
    advance(1.99);
    EXPECT_FALSE(log.contains(warning));
    advance(0.02);
    EXPECT_TRUE(log.contains(warning));
}

TEST_F(CrashKitTest, KeysValuesAndCustomExceptionsReachTheReport) {
    kit->start();
    const auto controller = kit->crashReportingController();
    ASSERT_TRUE(controller && controller->currentReport());
    testsupport::LogCapture log;
    kit->setDevelopmentPlatformName("Unity");
    CrashKit::Class::setDevelopmentPlatformVersion("2021.3");
    EXPECT_EQ(kit->developmentPlatformName(), std::nullopt);
    EXPECT_EQ(CrashKit::Class::developmentPlatformVersion(), std::nullopt);
    EXPECT_TRUE(log.contains("[CrashKit] developmentPlatformName is write-only"));
    EXPECT_TRUE(log.contains("[CrashKit] developmentPlatformVersion is write-only"));
    kit->setIntValue_forKey(-3, "int");
    CrashKit::Class::setBoolValue_forKey(true, "bool");
    kit->setFloatValue_forKey(0.5f, "float");
    CRKStackFrame frame;
    frame.address = 0x1234;
    frame.symbol = "render";
    frame.lineNumber = 7;
    kit->recordCustomExceptionName_reason_frameArray("Oops", "bad state", {frame});
    runUntilIdle();
    CRKSharedContext().loggingQueue->sync([] {});

    const std::string folder = controller->currentReport()->path();
    std::string all;
    for (const auto& name : platform::Files::listDirectory(folder)) {
        std::ifstream in(folder + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        all += text.str();
    }
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"com.reportkit.development-platform-name", "Unity"},
             {"com.reportkit.development-platform-version", "2021.3"},
             {"int", "-3"},
             {"bool", "1"},
             {"float", "0.5"}})
        EXPECT_NE(all.find(hex(key) + "\",\"value\":\"" + hex(value)), std::string::npos) << key;

    const auto sections = CRKFileReadSections((folder + "/custom_exception_a.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 1u);
    const platform::Value& exception = (*sections)[0]["exception"];
    EXPECT_EQ(*exception["type"].string(), "custom");
    EXPECT_EQ(CRKFileHexDecodeString(exception["name"].string()->c_str()), "Oops");
    EXPECT_EQ(CRKFileHexDecodeString(exception["reason"].string()->c_str()), "bad state");
    ASSERT_TRUE(exception["frames"].array());
    EXPECT_EQ(exception["frames"].array()->size(), 1u);
}

TEST_F(CrashKitTest, TheKitsFixedAnswers) {
    EXPECT_EQ(kit->version(), "3.12.0");
    EXPECT_EQ(CrashKit::kitBuildVersion(), "136");
    EXPECT_EQ(CrashKit::bundleIdentifier(), "io.reportkit.crashkit.mac");
    EXPECT_FALSE(kit->kitInfo());
    kit->setKitInfo({{"a", 1}});
    EXPECT_FALSE(kit->kitInfo());
    EXPECT_FALSE(kit->settingsDictionary());
    try {
        CrashKit::throwException();
        ADD_FAILURE() << "no exception";
    } catch (const platform::Exception& exception) {
        EXPECT_EQ(exception.name(), "CrashKitTestException");
        EXPECT_EQ(exception.reason(), "This is an Objective-C exception using for testing.");
    }
}

TEST_F(CrashKitTest, WebPageErrorsComeBackAsScriptExceptions) {
    platform::WebViewConfiguration configuration;
    testsupport::LogCapture log;
    // Without user scripts there is nothing to inject: the kit says it cannot watch.
    kit->monitorErrorsForWKWebViewConfiguration(configuration);
    EXPECT_TRUE(log.contains("[CrashKit] Unable to monitor <WebViewConfiguration"));
    EXPECT_TRUE(configuration.userContentController->userScripts().empty());

    RKTKitClass::registerClass(RKTKitClass::plainClass("WKUserScript"));
    platform::WebViewConfiguration watched;
    kit->monitorErrorsForWKWebViewConfiguration(watched);
    const auto scripts = watched.userContentController->userScripts();
    ASSERT_EQ(scripts.size(), 1u);
    EXPECT_EQ(scripts[0].injectionTime, platform::UserScript::InjectionTime::AtDocumentEnd);
    EXPECT_TRUE(scripts[0].forMainFrameOnly);
    const std::string& source = scripts[0].source;
    const auto installer = source.find("var crashkitOriginalOnLoad = window.onload;");
    const auto handler = source.find("function crashkitOnError(msg, url, line, column, error)");
    ASSERT_NE(installer, std::string::npos);
    ASSERT_NE(handler, std::string::npos);
    EXPECT_LT(installer, handler);
    EXPECT_NE(source.find("window.webkit.messageHandlers.crashkit.postMessage("), std::string::npos);
    EXPECT_NE(source.find("crashkitOriginalOnError(msg, url, line, column, error)"), std::string::npos);

    kit->start();
    const auto controller = kit->crashReportingController();
    ASSERT_TRUE(controller && controller->currentReport());
    EXPECT_TRUE(watched.userContentController->postMessage(
        "crashkit", platform::Value::Dictionary{{"msg", "x is undefined"}, {"line", 3}}));
    EXPECT_TRUE(watched.userContentController->postMessage("crashkit", platform::Value("oops")));
    EXPECT_TRUE(log.contains("[CrashKit] Unable to record exception from WKWebView"));
    runUntilIdle();
    CRKSharedContext().loggingQueue->sync([] {});
    const auto sections = CRKFileReadSections(
        (controller->currentReport()->path() + "/custom_exception_a.crkrecord").c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 1u);
    const platform::Value& exception = (*sections)[0]["exception"];
    EXPECT_EQ(*exception["type"].string(), "javascript");
    EXPECT_EQ(CRKFileHexDecodeString(exception["name"].string()->c_str()), "exception");
    EXPECT_EQ(CRKFileHexDecodeString(exception["reason"].string()->c_str()), "x is undefined");
}

TEST_F(CrashKitTest, TheDownloadedSettingsDecideForTheControllersAndAnUnsetServerIsSaidOnce) {
    ReportKit::SettingsAndOnboarding services;
    services.settingsDictionary = [] {
        return std::optional<platform::Value::Dictionary>(platform::Value::Dictionary{
            {"features", platform::Value::Dictionary{{"collect_reports", false}}},
            {"beta", platform::Value::Dictionary{{"update_suspend_duration", 60}}}});
    };
    ReportKit::setSettingsAndOnboarding(services);
    testsupport::LogCapture log;
    kit->start();
    auto controller = kit->crashReportingController();
    ASSERT_TRUE(controller);
    EXPECT_FALSE(controller->currentReport());
    EXPECT_TRUE(log.contains("[CrashKit:Crash] Reporting is disabled"));
    EXPECT_TRUE(log.contains("[CrashKit] no report server configured: reports stay on disk"));
    EXPECT_FALSE(log.contains("pinned"));
    auto betaController = CRKBetaController::initWithDelegate(kit);
    auto beta = kit->settingsForBetaController(*betaController);
    ASSERT_TRUE(beta);
    EXPECT_EQ(beta->betaSuspendDuration, 60.0);
    EXPECT_EQ(beta->betaEndpoint, CRKSettings::kDefaultBetaEndpoint);
}

}  // namespace
