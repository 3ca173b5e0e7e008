#include "reporting/core/RKTSettingsOnboardingManager.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <map>

#include "platform/base/NotificationCenter.h"
#include "platform/storage/Files.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "reporting/core/CRKUserDefaults.h"
#include "reporting/core/RKTHost.h"
#include "reporting/core/RKTKitClass.h"
#include "reporting/core/ReportKit.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Value;
using reporting::ReportKit;
using reporting::RKTApplicationIdentiferModel;
using reporting::RKTNetworkOperation;
using reporting::RKTSettingsOnboardingManager;
using testsupport::LoopbackServer;

namespace {

constexpr const char* kSettingsPath = "/spi/v2/platforms/mac/apps/com.example.tool/settings";
constexpr const char* kAppsPath = "/spi/v1/platforms/mac/apps";

LoopbackServer::Answer json(const std::string& body, int status = 200) {
    return {status, {{"Content-Type", "application/json; charset=utf-8"}}, body, 0};
}

class CrashKitStandIn : public reporting::RKTKit {
public:
    std::string bundleIdentifier() const override { return "com.reportkit.crash"; }
    std::string kitDisplayVersion() const override { return "3.12.0"; }
};

}  // namespace

class RKTSettingsOnboardingManagerTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        ReportKit::resetSharedForTesting();
        saved = platform::Bundle::main().infoDictionary();
        platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.example.tool"},
                                                              {"CFBundleVersion", "12"},
                                                              {"CFBundleShortVersionString", "1.2"}});
        ASSERT_TRUE(server.start());
        setenv("SettingsEndpoint", server.baseURL().c_str(), 1);
        setenv("ConfigureEndpoint", (server.baseURL() + "/configure").c_str(), 1);
        model = RKTApplicationIdentiferModel::initWithInstallID("install-7");
        ASSERT_TRUE(model);
        manager = std::make_shared<RKTSettingsOnboardingManager>(model);
        observation = platform::NotificationCenter::defaultCenter().addObserver(
            "RKTSettingsAvailableNotification", nullptr, [this](const platform::Notification& n) {
                EXPECT_TRUE(n.object.isNull());
                EXPECT_TRUE(n.userInfo.isNull());
                ++notifications;
            });
    }
    void TearDown() override {
        runUntilIdle();
        observation.remove();
        manager.reset();
        server.stop();
        unsetenv("SettingsEndpoint");
        unsetenv("ConfigureEndpoint");
        platform::Bundle::main().setInfoDictionaryForTesting(saved);
        ReportKit::resetSharedForTesting();
        reporting::RKTKitClass::unregisterAllClassesForTesting();
        KestruneTest::TearDown();
    }
    void begin() {
        manager->beginSettingsAndOnboardingOperationsWithAPIKey_kitVersionsByKitBundleIdentifier(
            "k-9", {{"com.reportkit.core.sdk.mac", "1.9.0"}});
        runUntilIdle();
    }
    std::vector<std::string> requestLines() const {
        std::vector<std::string> lines;
        for (const auto& request : server.requests()) lines.push_back(request.method + " " + request.path);
        return lines;
    }
    std::optional<std::string> savedSettings() const {
        auto bytes = platform::Files::read(manager->settingsPath());
        return bytes ? std::optional<std::string>(bytes->toString()) : std::nullopt;
    }

    Value::Dictionary saved;
    LoopbackServer server;
    std::shared_ptr<RKTApplicationIdentiferModel> model;
    std::shared_ptr<RKTSettingsOnboardingManager> manager;
    platform::NotificationCenter::Observation observation;
    std::atomic<int> notifications{0};
};

TEST_F(RKTSettingsOnboardingManagerTest, TheSettingsRequestCarriesExactlyItsHeadersAndQuery) {
    server.enqueue(kSettingsPath, json(R"({"app":{"status":"activated"}})"));
    begin();
    ASSERT_EQ(server.requestCount(), 1u);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, std::string(kSettingsPath) + "?build_version=12&display_version=1.2&instance=" +
                                  model->instanceIdentifier() + "&source=1");
    std::map<std::string, std::string> headers;
    for (const auto& [name, value] : request.headers) headers[name] = value;
    const std::string locale = headers["Accept-Language"];
    const std::map<std::string, std::string> expected = {
        {"Host", "127.0.0.1:" + std::to_string(server.port())},
        {"User-Agent", "com.reportkit.core.sdk.mac/1.9.0 (74)"},
        {"Accept-Charset", "utf-8"},
        {"Accept-Language", locale},
        {"Content-Language", locale},
        {"X-CrashKit-Developer-Token", RKTNetworkOperation::kDeveloperToken},
        {"X-CrashKit-API-Client-Id", "com.reportkit.core.sdk.mac"},
        {"X-CrashKit-API-Client-Display-Version", "1.9.0"},
        {"X-CrashKit-API-Client-Build-Version", "74"},
        {"X-CrashKit-API-Key", "k-9"},
        {"Accept", "application/json"},
        {"X-CrashKit-Installation-ID", "install-7"},
        {"X-CrashKit-Device-Model", reporting::RKTHostModelName().value_or("")},
        {"X-CrashKit-OS-Build-Version", reporting::RKTHostOperatingSystemBuildVersion().value_or("")},
        {"X-CrashKit-OS-Display-Version", reporting::RKTHostOperatingSystemDisplayVersion()},
        {"X-CrashKit-API-Client-Version", "1.9.0"},
    };
    EXPECT_EQ(headers, expected);
    EXPECT_FALSE(locale.empty());
}

TEST_F(RKTSettingsOnboardingManagerTest, ANewApplicationIsCreatedThenTheSettingsAreFetchedAgainAndAnnounced) {
    server.enqueue(kSettingsPath, json(R"({"app":{"status":"new"}})"));
    server.enqueue("/configure/spi/v1/platforms/mac/apps", LoopbackServer::Answer{201, {}, "", 0});
    server.enqueue(kSettingsPath, json(R"({"app":{"status":"new"},"features":{"collect_reports":true}})"));
    begin();
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"GET " + std::string(kSettingsPath),
                                                        "POST /configure" + std::string(kAppsPath),
                                                        "GET " + std::string(kSettingsPath)}));
    EXPECT_EQ(notifications.load(), 1);  // only after the second download, and no second onboarding
    EXPECT_TRUE(manager->hasAttemptedAppConfigure());
    EXPECT_FALSE(manager->onboardingOperation());
    auto settings = manager->settingsModel()->settingsDictionary();
    ASSERT_TRUE(settings);
    EXPECT_EQ((*settings)["features"]["collect_reports"], Value(true));
    EXPECT_NE(server.requests()[1].body.find("name=\"app[build][libraries][com.reportkit.core.sdk.mac]\""),
              std::string::npos);
}

TEST_F(RKTSettingsOnboardingManagerTest, AFailedCreateEndsTheRoadWithoutAnnouncement) {
    server.enqueue(kSettingsPath, json(R"({"app":{"status":"new"}})"));
    server.enqueue("/configure/spi/v1/platforms/mac/apps", LoopbackServer::Answer{403, {}, "", 0});
    testsupport::LogCapture log;
    begin();
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(notifications.load(), 0);
    EXPECT_TRUE(log.contains("[ReportKit] unable to complete application configure: "));
    EXPECT_TRUE(manager->onboardingOperation());
}

TEST_F(RKTSettingsOnboardingManagerTest, AnUpdateRequiredIsAnnouncedThenPutOnce) {
    server.enqueue(kSettingsPath, json(R"({"app":{"status":"activated","update_required":true}})"));
    server.enqueue("/configure/spi/v1/platforms/mac/apps/com.example.tool",
                   LoopbackServer::Answer{200, {}, "", 0});
    begin();
    EXPECT_EQ(requestLines(),
              (std::vector<std::string>{"GET " + std::string(kSettingsPath),
                                        "PUT /configure/spi/v1/platforms/mac/apps/com.example.tool"}));
    EXPECT_EQ(notifications.load(), 1);
    EXPECT_TRUE(manager->hasAttemptedAppConfigure());
    EXPECT_FALSE(manager->onboardingOperation());
}

TEST_F(RKTSettingsOnboardingManagerTest, ANullAppSectionNeedsNeitherCreateNorUpdate) {
    server.enqueue(kSettingsPath, json(R"({"app":null})"));
    begin();
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(notifications.load(), 1);
    EXPECT_FALSE(manager->hasAttemptedAppConfigure());
    EXPECT_EQ(savedSettings(), R"({"app":null})");
}

TEST_F(RKTSettingsOnboardingManagerTest, ABadDownloadLeavesTheLastGoodSettingsInPlace) {
    const std::string good = R"({"app":{"status":"activated"},"session":{"log_buffer_size":1}})";
    ASSERT_TRUE(platform::Files::writeAtomically(manager->settingsPath(), Data::fromString(good)));
    testsupport::LogCapture log;

    server.enqueue(kSettingsPath, json("<html>not settings</html>"));  // typed JSON, but is not
    begin();
    EXPECT_EQ(savedSettings(), good);
    EXPECT_TRUE(log.contains("the settings answer is not a settings document"));
    EXPECT_TRUE(log.contains("[ReportKit] failed to download settings "));

    manager = std::make_shared<RKTSettingsOnboardingManager>(model);  // a new run
    server.enqueue(kSettingsPath, LoopbackServer::Answer{200, {{"Content-Type", "text/html"}}, "{}", 0});
    begin();
    EXPECT_EQ(savedSettings(), good);

    manager = std::make_shared<RKTSettingsOnboardingManager>(model);
    server.setDefaultAnswer(json("{}", 500));
    begin();
    advance(2.21);
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 4u);  // the last download was tried twice
    EXPECT_EQ(savedSettings(), good);
    EXPECT_EQ(notifications.load(), 0);
    auto settings = manager->settingsModel()->settingsDictionary();
    ASSERT_TRUE(settings);
    EXPECT_EQ((*settings)["session"]["log_buffer_size"], Value(1));
}

TEST_F(RKTSettingsOnboardingManagerTest, ASaveInterruptedHalfwayKeepsThePreviousFile) {
    const std::string good = R"({"app":{"status":"activated"}})";
    ASSERT_TRUE(platform::Files::writeAtomically(manager->settingsPath(), Data::fromString(good)));
    server.enqueue(kSettingsPath,
                   json(R"({"app":{"status":"activated"},"features":{"collect_reports":false}})"));
    testsupport::LogCapture log;
    ReportKit::sharedSDK();  // made now, so that its own stored values are not the write that fails
    platform::Files::failNextWriteAfter(10);
    begin();
    EXPECT_EQ(savedSettings(), good);
    EXPECT_EQ(platform::Files::listDirectory(RKTSettingsOnboardingManager::settingsDirectoryPath()),
              std::vector<std::string>{"settings.json"});
    EXPECT_TRUE(log.contains("[ReportKit] Unable to complete settings download "));
    EXPECT_EQ(notifications.load(), 0);
}

TEST_F(RKTSettingsOnboardingManagerTest, CopiesThatKilledSavesLeftGoAtTheFirstLookEvenWithoutADownload) {
    // No settings service is reachable this run: no save would ever clear the folder.
    unsetenv("SettingsEndpoint");
    const std::string folder = RKTSettingsOnboardingManager::settingsDirectoryPath();
    const std::string good = R"({"app":{"status":"activated"}})";
    ASSERT_TRUE(platform::Files::writeAtomically(manager->settingsPath(), Data::fromString(good)));
    const std::vector<std::string> leftovers = {folder + "/.settings.json.tmp-a1B2c3",
                                                folder + "/.settings.json.tmp-Zz9Zz9"};
    for (const auto& path : leftovers)
        ASSERT_TRUE(platform::Files::writeAtomically(path, Data::fromString("{\"app\":")));
    begin();
    ASSERT_TRUE(manager->settingsModel()->settingsDictionary());
    for (const auto& path : leftovers) EXPECT_FALSE(platform::Files::exists(path)) << path;
    EXPECT_EQ(platform::Files::listDirectory(folder), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(RKTSettingsOnboardingManagerTest, ASavedDownloadIsTheOnlyEntryOfTheSettingsFolder) {
    const std::string folder = RKTSettingsOnboardingManager::settingsDirectoryPath();
    EXPECT_EQ(folder, home() + "/.cache/com.reportkit.core.sdk.mac.data/com.example.tool");
    ASSERT_TRUE(platform::Files::writeAtomically(folder + "/stale.json", Data::fromString("{}")));
    server.enqueue(kSettingsPath, json(R"({"app":{"status":"activated"}})"));
    begin();
    EXPECT_EQ(platform::Files::listDirectory(folder), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(savedSettings(), R"({"app":{"status":"activated"}})");
    struct stat info {};
    ASSERT_EQ(::stat(manager->settingsPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(RKTSettingsOnboardingManagerTest, EndpointsComeFromTheEnvironmentThenInfoPlistThenTheBuiltInValue) {
    EXPECT_EQ(manager->valueForConfigurationKey("SettingsEndpoint"), server.baseURL());
    unsetenv("SettingsEndpoint");
    auto info = platform::Bundle::main().infoDictionary();
    info["CrashKit"] = Value::Dictionary{{"SettingsEndpoint", "https://plist.test"}};
    platform::Bundle::main().setInfoDictionaryForTesting(info);
    EXPECT_EQ(manager->valueForConfigurationKey("SettingsEndpoint"), "https://plist.test");
    info.erase("CrashKit");
    platform::Bundle::main().setInfoDictionaryForTesting(info);
    EXPECT_EQ(manager->valueForConfigurationKey("SettingsEndpoint"), "https://settings.reportkit.invalid");
    EXPECT_EQ(manager->valueForConfigurationKey("Other"), std::nullopt);

    // The built-in address names no service: nothing is downloaded, nothing fails and nothing is said.
    testsupport::LogCapture log;
    begin();
    advance(2.21);
    runUntilIdle();
    EXPECT_FALSE(log.contains("[ReportKit]"));
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_FALSE(platform::Files::exists(manager->settingsPath()));
}

TEST_F(RKTSettingsOnboardingManagerTest, AnEndpointInTheReservedInvalidDomainIsUnset) {
    for (const char* unset : {"https://settings.reportkit.invalid", "https://a.b.INVALID./x",
                              "https://user@x.invalid:443/p?q", "https://invalid", ""})
        EXPECT_FALSE(RKTSettingsOnboardingManager::isConfiguredEndpoint(unset)) << unset;
    for (const char* set : {"https://127.0.0.1:8443", "https://invalid.example.com/x",
                            "https://x.invalidate.org", "http://[::1]:80/"})
        EXPECT_TRUE(RKTSettingsOnboardingManager::isConfiguredEndpoint(set)) << set;
}

TEST_F(RKTSettingsOnboardingManagerTest, TheRegistryStartsTheDownloadAndReadsTheSettingsThroughItsManager) {
    platform::Bundle::main().setInfoDictionaryForTesting(
        {{"CFBundleIdentifier", "com.example.tool"},
         {"CFBundleVersion", "12"},
         {"CFBundleShortVersionString", "1.2"},
         {"ReportKit", Value::Dictionary{{"APIKey", "reg-key"}}}});
    reporting::CRKUserDefaults::resetStandardUserDefaultsForTesting();
    platform::UserDefaults::resetAllForTesting();
    reporting::RKTKitClass::registerClass(
        reporting::RKTKitClass::kitClass("CrashKit", std::make_shared<CrashKitStandIn>()));
    server.enqueue(kSettingsPath,
                   json(R"({"app":{"status":"activated"},"beta":{"update_suspend_duration":60}})"));
    ReportKit& sdk = ReportKit::with({reporting::RKTKitClass::classNamed("CrashKit")});
    runUntilIdle();
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].header("X-CrashKit-API-Key"), "reg-key");
    EXPECT_EQ(server.requests()[0].header("X-CrashKit-Installation-ID"), sdk.installID());
    ASSERT_TRUE(sdk.instanceIdentifier());
    EXPECT_EQ(sdk.instanceIdentifier(), model->instanceIdentifier());
    auto settings = sdk.settings();
    ASSERT_TRUE(settings);
    EXPECT_EQ((*settings)["beta"]["update_suspend_duration"], Value(60));
    EXPECT_EQ(notifications.load(), 1);
}
