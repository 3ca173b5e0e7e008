#include "reporting/crash/beta/CRKBetaController.h"

#include <cstdlib>

#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/core/RKTSettingsOnboardingManager.h"
#include "reporting/core/ReportKit.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using namespace reporting;
using testsupport::LoopbackServer;

namespace {

const LoopbackServer::HeaderFields kJSON = {{"Content-Type", "application/json"}};

struct FakeKit : CRKBetaControllerDelegate {
    std::optional<std::string> APIKeyForBetaController(CRKBetaController&) override { return "api-key-1"; }
    std::optional<CRKBetaSettings> settingsForBetaController(CRKBetaController&) override { return settings; }
    CRKBetaSettings settings;
};

class CRKBetaControllerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        savedArguments = platform::ProcessInfo::shared().arguments();
        platform::ProcessInfo::shared().setArguments({"kestrune", "-NMBDebugEnabled"});
        ReportKit::resetSharedForTesting();
        ReportKit::setSettingsAndOnboarding(
            {nullptr, nullptr, [] { return std::optional<std::string>("inst-9"); }});
        // The kit reads its pinned roots from the application's bundle once per process, as the
        // application does at start: read before this test puts a bundle of its own in place, so that
        // a later test in the same process sees the shipped set whatever the order.
        reporting::RKTPinnedCertificates();
        bundle = home() + "/Kestrune.app";
        platform::Files::createDirectories(bundle);
        setenv("KESTRUNE_BUNDLE_PATH", bundle.c_str(), 1);
        setenv("LC_ALL", "de_CH.UTF-8", 1);
        platform::Bundle::main().reload();
        platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.kestrune.Kestrune"},
                                                              {"CFBundleVersion", "412"},
                                                              {"CFBundleShortVersionString", "2.3"},
                                                              {"CrashKitSignedForDistribution", true}});
        ASSERT_TRUE(server.start());
        kit = std::make_shared<FakeKit>();
        kit->settings.betaEndpoint = server.baseURL();
    }
    void TearDown() override {
        controller.reset();
        runUntilIdle();
        server.stop();
        CRKBetaTokenProviderSetForTesting(nullptr);
        unsetenv("KESTRUNE_BUNDLE_PATH");
        unsetenv("LC_ALL");
        platform::Bundle::main().reload();
        platform::ProcessInfo::shared().setArguments(savedArguments);
        ReportKit::resetSharedForTesting();
        KestruneTest::TearDown();
    }
    void startWithToken() {
        CRKBetaTokenProviderSetForTesting([] { return std::optional<std::string>("tester-7"); });
        controller = CRKBetaController::initWithDelegate(kit);
        ASSERT_TRUE(controller->start());
    }
    void postSettings() {
        platform::NotificationCenter::defaultCenter().post(
            RKTSettingsOnboardingManager::kSettingsAvailableNotification);
    }
    size_t settledRequests() {
        runUntilIdle();
        return server.requestCount();
    }
    static std::string checkPath() {
        return "/spi/v2/platforms/mac/apps/com.kestrune.Kestrune/beta_update_check";
    }

    LoopbackServer server;
    std::shared_ptr<FakeKit> kit;
    std::shared_ptr<CRKBetaController> controller;
    std::string bundle;
    std::vector<std::string> savedArguments;
};

TEST_F(CRKBetaControllerTest, WithoutATokenNothingIsObservedOrAsked) {
    controller = CRKBetaController::initWithDelegate(kit);
    EXPECT_FALSE(controller->start());
    postSettings();
    advance(60);
    EXPECT_EQ(settledRequests(), 0u);
    // The application's own provider: no tester builds on this platform.
    EXPECT_FALSE(CRKBetaTokenProviderGetToken());
}

TEST_F(CRKBetaControllerTest, TwoSettingsNotificationsMakeOneRequestWithTheKitsHeaders) {
    server.enqueue({200, kJSON, R"({"url":"https://example.com/b.zip","version_string":"2.4"})", 0});
    startWithToken();
    postSettings();
    postSettings();
    ASSERT_EQ(settledRequests(), 1u);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target,
              checkPath() + "?build_version=412&display_version=2.3&instance=inst-9&source=3");
    const std::vector<std::pair<std::string, std::string>> headers = {
        {"User-Agent", "CrashKit Mac SDK/3.12.0"},
        {"Accept", "application/json"},
        {"Accept-Charset", "utf-8"},
        {"Accept-Language", "de_CH"},
        {"Content-Language", "de_CH"},
        {"X-CrashKit-Developer-Token", "5d0b8e3a91c74f26b1e8d47a03c96f2e8b15a7d4"},
        {"X-CrashKit-API-Client-Id", "io.reportkit.crashkit.mac"},
        {"X-CrashKit-API-Client-Display-Version", "3.12.0"},
        {"X-CrashKit-API-Client-Build-Version", "136"},
        {"X-CrashKit-API-Key", "api-key-1"},
        {"X-CrashKit-Beta-Token", "tester-7"},
    };
    for (const auto& [name, value] : headers) EXPECT_EQ(request.header(name), value) << name;
    ASSERT_TRUE(controller->activeUpdate());
    EXPECT_EQ(controller->activeUpdate()->url(), "https://example.com/b.zip");
    EXPECT_EQ(controller->activeUpdate()->version(), "2.4");
}

TEST_F(CRKBetaControllerTest, ASuccessfulCheckSuspendsChecksForTheSuspensionTime) {
    server.setDefaultAnswer({200, kJSON, R"({"url":"https://example.com/b.zip"})", 0});
    startWithToken();
    controller->checkForUpdate();
    ASSERT_EQ(settledRequests(), 1u);
    EXPECT_TRUE(controller->checksSuspended());
    advance(3599);
    controller->checkForUpdate();
    EXPECT_EQ(settledRequests(), 1u);
    advance(1);
    runUntilIdle();
    EXPECT_FALSE(controller->checksSuspended());
    controller->checkForUpdate();
    EXPECT_EQ(settledRequests(), 2u);
}

TEST_F(CRKBetaControllerTest, AFailedLoadKeepsTheControllerInFlight) {
    server.setDefaultAnswer({404, {}, "", 0});
    startWithToken();
    testsupport::LogCapture log;
    controller->checkForUpdate();
    EXPECT_EQ(settledRequests(), 1u);
    EXPECT_TRUE(log.contains("[CrashKit:Beta] Failed to load update"));
    EXPECT_FALSE(controller->checksSuspended());
    controller->checkForUpdate();
    advance(7200);
    EXPECT_EQ(settledRequests(), 1u);
}

TEST_F(CRKBetaControllerTest, UnreadableAnswersGiveNoUpdateAndTheirDebugLines) {
    struct Case {
        const char* body;
        const char* line;
    };
    const Case cases[] = {
        {"{}", "[CrashKit:Beta] Unable to read beta update data"},
        {R"({"url":7})", "[CrashKit:Beta] Unable to read beta update data"},
        {R"({"url":"not an address"})", "[CrashKit:Beta] Unable to read beta update data"},
        {"[1", "[CrashKit:Beta] Unable to deserialize beta update data"},
    };
    CRKBetaTokenProviderSetForTesting([] { return std::optional<std::string>("tester-7"); });
    controller = CRKBetaController::initWithDelegate(kit);
    for (const auto& c : cases) {
        testsupport::LogCapture log;
        KitErrorPtr error;
        EXPECT_FALSE(controller->updateWithData_error(platform::Data::fromString(c.body), &error)) << c.body;
        ASSERT_TRUE(error) << c.body;
        EXPECT_EQ(error->domain(), "NSURLErrorDomain");
        EXPECT_EQ(error->code(), -1017);
        EXPECT_TRUE(log.contains(c.line)) << c.body;
    }
}

TEST_F(CRKBetaControllerTest, AnEmptyObjectOnTheWireLeavesNoActiveUpdate) {
    server.enqueue({200, kJSON, "{}", 0});
    startWithToken();
    testsupport::LogCapture log;
    controller->checkForUpdate();
    EXPECT_EQ(settledRequests(), 1u);
    EXPECT_FALSE(controller->activeUpdate());
    EXPECT_TRUE(log.contains("[CrashKit:Beta] Beta update url is invalid"));
}

TEST_F(CRKBetaControllerTest, ThePromptTextsComeFromTheApplicationsStringsTableFirst) {
    auto update = CRKBetaUpdate::betaUpdateWithDictionary_error(
        platform::Value::Dictionary{{"url", "https://builds.test/b.zip"}}, nullptr);
    ASSERT_TRUE(update);
    auto info = platform::Bundle::main().infoDictionary();
    info["CFBundleName"] = "Kestrune";
    platform::Bundle::main().setInfoDictionaryForTesting(info);
    EXPECT_EQ(update->promptTitle(), "New Build Available");
    EXPECT_EQ(update->promptMessage(), "A new version of Kestrune is available for testing.");
    EXPECT_EQ(update->cancelLabel(), "Cancel");
    EXPECT_EQ(update->installLabel(), "Install");

    // The table's texts, the name put in as text: nothing else in them is read as a format.
    const platform::Value::Dictionary table = {
        {"CrashKitDistributionPromptTitle", "Neue Version"},
        {"CrashKitDistributionPromptMessage", "%@ gibt es neu (100% %s %n %@)."},
        {"CrashKitDistributionPromptCancelTitle", "Abbrechen"},
        {"CrashKitDistributionPromptInstallTitle", "Installieren"}};
    ASSERT_TRUE(platform::Files::writeAtomically(
        bundle + "/CrashKit.strings",
        *platform::PropertyList::dataFromValue(platform::Value(table), platform::PropertyList::Format::XML)));
    platform::Bundle::main().reload();
    platform::Bundle::main().setInfoDictionaryForTesting(info);
    EXPECT_EQ(update->promptTitle(), "Neue Version");
    EXPECT_EQ(update->promptMessage(), "Kestrune gibt es neu (100% %s %n Kestrune).");
    EXPECT_EQ(update->cancelLabel(), "Abbrechen");
    EXPECT_EQ(update->installLabel(), "Installieren");
}

TEST_F(CRKBetaControllerTest, OnlySignedDistributionBuildsOutsideExtensionsAreSupported) {
    EXPECT_TRUE(CRKBetaController::isBetaSupported());
    platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.kestrune.Kestrune"}});
    EXPECT_FALSE(CRKBetaController::isBetaSupported());
}

}  // namespace
