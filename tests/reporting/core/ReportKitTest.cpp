#include "reporting/core/ReportKit.h"

#include <atomic>
#include <cctype>

#include "platform/base/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "platform/system/ProcessInfo.h"
#include "reporting/core/CRKDataCollectionArbiter.h"
#include "reporting/core/CRKUserDefaults.h"
#include "reporting/core/RKTByteUtility.h"
#include "reporting/core/RKTException.h"
#include "tests/support/TestEnvironment.h"

using platform::Value;
using reporting::CRKDataCollectionArbiter;
using reporting::CRKUserDefaults;
using reporting::ReportKit;
using reporting::RKTKit;
using reporting::RKTKitClass;
using reporting::RKTKitObject;
using reporting::RKTLegacyKitInstance;

namespace {

void resetKit() {
    ReportKit::resetSharedForTesting();
    CRKUserDefaults::resetStandardUserDefaultsForTesting();
    platform::UserDefaults::resetAllForTesting();
    RKTKitClass::unregisterAllClassesForTesting();
}
const bool registered = (testsupport::addResetHook(&resetKit), true);

class FakeKit : public RKTKit {
public:
    explicit FakeKit(std::string identifier) : identifier_(std::move(identifier)) {}
    std::string bundleIdentifier() const override { return identifier_; }
    std::string kitDisplayVersion() const override { return "3.12.0"; }
    void initializeIfNeeded() override { ++initialized; }
    void disableUninitializedKitMessaging() override { ++disabled; }
    std::atomic<int> initialized{0};
    std::atomic<int> disabled{0};

private:
    std::string identifier_;
};

class FakeKitObject : public RKTKitObject {
public:
    explicit FakeKitObject(std::shared_ptr<RKTKitClass> c) : class_(std::move(c)) {}
    std::shared_ptr<RKTKitClass> kitClass() const override { return class_; }

private:
    std::shared_ptr<RKTKitClass> class_;
};

class ReportKitTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        saved = platform::Bundle::main().infoDictionary();
        savedArguments = platform::ProcessInfo::shared().arguments();
        crash = std::make_shared<FakeKit>("com.reportkit.crash");
        crashClass = RKTKitClass::kitClass("CrashKit", crash);
        usage = std::make_shared<FakeKit>("com.reportkit.usage");
        usageClass = RKTKitClass::kitClass("UsageKit", usage);
        info({{"CFBundleIdentifier", "com.kestrune.Kestrune"},
              {"ReportKit", Value::Dictionary{{"APIKey", "k-123"}}}});
        installSettingsLayer();
    }
    // The settings layer registers itself with the registry in every process.
    void installSettingsLayer() {
        ReportKit::setSettingsAndOnboarding(
            {[this](const std::string& key, const Value::Dictionary& versions) {
                 startedWithKey = key;
                 startedVersions = versions;
                 ++settingsStarts;
             },
             [] {
                 return std::optional<Value::Dictionary>(Value::Dictionary{{"app", Value::Dictionary{}}});
             },
             [] { return std::optional<std::string>("instance-1"); }});
    }
    void TearDown() override {
        platform::Bundle::main().setInfoDictionaryForTesting(saved);
        platform::ProcessInfo::shared().setArguments(savedArguments);
        KestruneTest::TearDown();
    }
    void info(Value::Dictionary dictionary) {
        platform::Bundle::main().setInfoDictionaryForTesting(std::move(dictionary));
    }
    // A new process: the shared objects are built again from what is on disk.
    void relaunch() {
        ReportKit::resetSharedForTesting();
        CRKUserDefaults::resetStandardUserDefaultsForTesting();
        platform::UserDefaults::resetAllForTesting();
        installSettingsLayer();
    }

    Value::Dictionary saved;
    std::vector<std::string> savedArguments;
    std::shared_ptr<FakeKit> crash, usage;
    std::shared_ptr<RKTKitClass> crashClass, usageClass;
    std::optional<std::string> startedWithKey;
    Value::Dictionary startedVersions;
    int settingsStarts = 0;
};

TEST_F(ReportKitTest, WithStartsTheKitsAndTheSettingsOnceOnly) {
    ReportKit& sdk = ReportKit::with({crashClass});
    EXPECT_EQ(crash->initialized.load(), 1);
    EXPECT_EQ(settingsStarts, 1);
    EXPECT_EQ(startedWithKey, "k-123");
    EXPECT_EQ(startedVersions, (Value::Dictionary{{"com.reportkit.crash", "3.12.0"},
                                                  {"com.reportkit.core.sdk.mac", "1.9.0"}}));
    ASSERT_EQ(sdk.kitClasses().size(), 1u);
    EXPECT_EQ(sdk.installationMode(), ReportKit::ConfiguredFromInfoPlist);
    EXPECT_EQ(sdk.instanceIdentifier(), "instance-1");
    ASSERT_TRUE(sdk.settings());
    EXPECT_EQ(sdk.settings()->count("app"), 1u);

    testsupport::LogCapture log;
    EXPECT_EQ(&ReportKit::with({crashClass, usageClass}), &sdk);
    EXPECT_TRUE(
        log.contains("[ReportKit] [ReportKit +with] called multiple times. Only the first call is honored, "
                     "please pass all kits you wish to initialize"));
    EXPECT_EQ(crash->initialized.load(), 1);
    EXPECT_EQ(usage->initialized.load(), 0);
    EXPECT_EQ(settingsStarts, 1);
}

TEST_F(ReportKitTest, AKitObjectCountsAsItsClassAndTheAnalyticsKitJoinsTheCrashKit) {
    RKTKitClass::registerClass(crashClass);
    RKTKitClass::registerClass(usageClass);
    ReportKit& sdk = ReportKit::with({std::make_shared<FakeKitObject>(crashClass)});
    auto kits = sdk.kitClasses();
    ASSERT_EQ(kits.size(), 2u);
    EXPECT_EQ(kits[0]->name(), "CrashKit");
    EXPECT_EQ(kits[1]->name(), "UsageKit");
    EXPECT_EQ(usage->initialized.load(), 1);

    EXPECT_EQ(ReportKit::kitClassesByAddingUsageKitIfFound(kits).size(), 2u);  // already there: unchanged
    EXPECT_EQ(ReportKit::kitClassesByAddingUsageKitIfFound({usageClass}).size(),
              1u);  // no crash kit: unchanged
}

TEST_F(ReportKitTest, OptionalOutsideClassesShapeTheListWhenPresent) {
    auto replay = RKTKitClass::kitClass("SessionReplay", std::make_shared<FakeKit>("replay"));
    RKTKitClass::registerClass(replay);
    RKTKitClass::registerClass(RKTKitClass::plainClass("MobileAdsKit"));
    RKTKitClass::registerClass(RKTKitClass::kitClass("PhoneSignIn", std::make_shared<FakeKit>("signin")));
    auto list = ReportKit::kitClassesByEnsuringSessionReplayIsFirst({crashClass, replay});
    EXPECT_EQ(list[0]->name(), "SessionReplay");
    list = ReportKit::kitClassesByAddingPhoneSignInIfFound(list);
    list = ReportKit::kitClassesByAddingPhoneSignInIfFound(list);
    list = ReportKit::kitClassesByAddingAdMobIfFound(list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[2]->name(), "PhoneSignIn");
    EXPECT_EQ(list[3]->name(), "AdMobKit");
    EXPECT_EQ(list[3]->kit()->kitDisplayVersion(), "0.0.0");
}

TEST_F(ReportKitTest, NonKitsRaiseTheKitExceptionAndNothingStarts) {
    testsupport::LogCapture log;
    auto legacy = RKTKitClass::legacyClass("OldKit", [] {
        auto instance = std::make_shared<RKTLegacyKitInstance>();
        instance->start = [] {};
        instance->bundleIdentifier = [] { return std::string("old"); };
        return instance;  // no version
    });
    ReportKit::with({crashClass, legacy});
    EXPECT_TRUE(log.contains("[ReportKit] Please upgrade to the latest version of \"OldKit\""));
    EXPECT_TRUE(log.contains(
        "RKTException: [ReportKit] It appears that \"OldKit\" is not a valid ReportKit Kit. Please "
        "make sure you only pass ReportKit Kits to [ReportKit with:]."));
    EXPECT_EQ(crash->initialized.load(), 0);
    EXPECT_EQ(settingsStarts, 0);

    EXPECT_THROW(ReportKit::validateRKTKitConformance({RKTKitClass::plainClass("NSString")}),
                 reporting::RKTException);
    int started = 0;
    auto complete = RKTKitClass::legacyClass("GoodOldKit", [&started] {
        auto instance = std::make_shared<RKTLegacyKitInstance>();
        instance->start = [&started] { ++started; };
        instance->bundleIdentifier = [] { return std::string("good.old"); };
        instance->version = [] { return std::string("0.9"); };
        return instance;
    });
    EXPECT_NO_THROW(ReportKit::validateRKTKitConformance({complete}));
    ReportKit::initializeKit(*complete);
    EXPECT_EQ(started, 1);
}

TEST_F(ReportKitTest, MisconfiguredInfoPlistsGiveTheirMessages) {
    struct Case {
        Value::Dictionary info;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{}, "RKTException: [ReportKit] Cannot find Info.plist."},
        {{{"CFBundleName", "x"}},
         "RKTException: [ReportKit] Value of Info.plist key \"ReportKit\" must be a NSDictionary."},
        {{{"ReportKit", "text"}},
         "RKTException: [ReportKit] Value of Info.plist key \"ReportKit\" must be a NSDictionary."},
        {{{"ReportKit", Value::Dictionary{{"APIKey", 12}}}},
         "RKTException: [ReportKit] Value of Info.plist[ReportKit][APIKey] must contain your ReportKit API "
         "Key."},
        {{{"ReportKit", Value::Dictionary{}}},
         "[ReportKit] ReportKit API Key is nil! ReportKit won't work unless there is a valid API Key setup "
         "in Info.plist"},
    };
    for (const auto& c : cases) {
        relaunch();
        info(c.info);
        testsupport::LogCapture log;
        ReportKit::with({crashClass});
        EXPECT_TRUE(log.contains(c.message)) << c.message;
        EXPECT_EQ(crash->initialized.load(), 0);
        EXPECT_EQ(settingsStarts, 0);
    }

    relaunch();
    info({{"ReportKit", Value::Dictionary{{"APIKey", "k"}, {"Kits", "not a list"}}}});
    testsupport::LogCapture log;
    ReportKit::with({crashClass});
    EXPECT_TRUE(
        log.contains("[ReportKit] [ReportKit] Value of Info.plist[ReportKit][Kits] should be a NSArray."));
    EXPECT_EQ(crash->initialized.load(), 1);  // only a warning
}

TEST_F(ReportKitTest, KitConfigurationComesFromTheKitsEntry) {
    info({{"ReportKit",
           Value::Dictionary{
               {"APIKey", "k"},
               {"Kits", Value::Array{Value::Dictionary{{"KitName", "UsageKit"}},
                                     Value::Dictionary{{"KitName", "CrashKit"},
                                                       {"KitInfo", Value::Dictionary{{"a", 1}}}}}}}}});
    EXPECT_EQ(ReportKit::configurationDictionaryForKitClass(*crashClass), (Value::Dictionary{{"a", 1}}));
    EXPECT_EQ(ReportKit::configurationDictionaryForKitClass(*usageClass), Value::Dictionary{});
    EXPECT_FALSE(ReportKit::configurationDictionaryForKitClass(*RKTKitClass::plainClass("Other")));
    EXPECT_EQ(ReportKit::sharedSDK().configurationDictionaryForKit(FakeKitObject(crashClass)),
              (Value::Dictionary{{"a", 1}}));
}

TEST_F(ReportKitTest, TheInstallationIdentifierPersistsAndTheExecutionIdentifierDoesNot) {
    std::string first;
    std::string firstExecution;
    {
        ReportKit& sdk = ReportKit::sharedSDK();
        EXPECT_TRUE(sdk.isFirstInstall());
        first = sdk.installID();
        firstExecution = sdk.executionIdentifier();
        EXPECT_EQ(first.size(), 36u);
        ASSERT_EQ(firstExecution.size(), 32u);
        for (char c : firstExecution) EXPECT_TRUE(std::isdigit(c) || (c >= 'a' && c <= 'f'));
    }
    relaunch();
    ReportKit& again = ReportKit::sharedSDK();
    EXPECT_FALSE(again.isFirstInstall());
    EXPECT_EQ(again.installID(), first);
    EXPECT_NE(again.executionIdentifier(), firstExecution);
}

TEST_F(ReportKitTest, AnInstallationIdentifierInThePlatformsDefaultsIsTakenOver) {
    ASSERT_TRUE(
        platform::UserDefaults::standard()->setString_forKey("OLD-ID", ReportKit::installationUUIDKey()));
    ReportKit& sdk = ReportKit::sharedSDK();
    EXPECT_FALSE(sdk.isFirstInstall());
    EXPECT_EQ(sdk.installID(), "OLD-ID");
    EXPECT_TRUE(platform::UserDefaults::standard()->objectForKey(ReportKit::installationUUIDKey()).isNull());
    relaunch();
    EXPECT_EQ(ReportKit::sharedSDK().installID(), "OLD-ID");
}

TEST_F(ReportKitTest, DataCollectionFollowsStickyThenInfoPlistThenTheOutsideCore) {
    info({{"NimbusCrashKitCollectionEnabled", true}});
    EXPECT_TRUE(CRKDataCollectionArbiter::isCrashKitCollectionEnabled());
    ASSERT_TRUE(ReportKit::setCrashKitCollectionEnabled(false));
    EXPECT_EQ(CRKDataCollectionArbiter::stickySetting(), 2);
    EXPECT_FALSE(ReportKit::isCrashKitCollectionEnabled());  // sticky 2 wins over the Info.plist
    relaunch();
    EXPECT_FALSE(ReportKit::isCrashKitCollectionEnabled());  // and it was saved

    CRKUserDefaults::standardUserDefaults()->setInteger_forKey(0,
                                                               CRKDataCollectionArbiter::stickySettingKey());
    info({{"NimbusCrashKitCollectionEnabled", "NO"}});
    EXPECT_FALSE(ReportKit::isCrashKitCollectionEnabled());

    info({});
    EXPECT_TRUE(ReportKit::isCrashKitCollectionEnabled());
    auto app = std::make_shared<reporting::NMBDefaultApp>();
    app->isDataCollectionDefaultEnabled = false;
    RKTKitClass::registerClass(RKTKitClass::nimbusAppClass("NMBApp", [app] { return app; }));
    EXPECT_FALSE(ReportKit::isCrashKitCollectionEnabled());
    app->isDataCollectionDefaultEnabled.reset();  // an app that does not answer: enabled
    EXPECT_TRUE(ReportKit::isCrashKitCollectionEnabled());

    info({{"nimbus_crashkit_collection_enabled", "false"}});
    EXPECT_FALSE(CRKDataCollectionArbiter::isLegacyPlistCrashKitCollectionEnabled());
    info({});
    EXPECT_TRUE(CRKDataCollectionArbiter::isLegacyPlistCrashKitCollectionEnabled());
}

TEST_F(ReportKitTest, WithCollectionDisabledKitsAreToldAndNotStarted) {
    platform::ProcessInfo::shared().setArguments({"kestrune", "-NMBDebugEnabled"});
    ASSERT_TRUE(ReportKit::setCrashKitCollectionEnabled(false));
    auto other = std::make_shared<FakeKit>("other");
    testsupport::LogCapture log;
    ReportKit::with({crashClass, RKTKitClass::kitClass("OtherKit", other), usageClass});
    EXPECT_TRUE(ReportKit::sharedSDK().debug());
    EXPECT_TRUE(log.contains("[CrashKit] Not started - Nimbus automatic data collection is disabled"));
    EXPECT_TRUE(log.contains(
        "[ReportKit] ReportKit will not initialize any kits when Nimbus automatic data collection "
        "is disabled"));
    EXPECT_EQ(crash->disabled.load(), 1);
    EXPECT_EQ(other->disabled.load(), 1);
    EXPECT_EQ(usage->disabled.load(), 0);  // the walk stopped at the third-party kit
    EXPECT_EQ(crash->initialized.load() + other->initialized.load(), 0);
    EXPECT_EQ(settingsStarts, 0);
}

TEST_F(ReportKitTest, TheOutsideCoresNotificationStartsTheCrashKitOnceWithAKeyFromTheCloudAppId) {
    info({{"CFBundleIdentifier", "com.kestrune.Kestrune"}});
    RKTKitClass::registerClass(crashClass);
    ReportKit::load();
    const Value userInfo = Value::Dictionary{{"NMBCloudAppIDKey", "1:app:mac"}};
    platform::NotificationCenter::defaultCenter().post(ReportKit::kNimbusReadyNotification, nullptr,
                                                       userInfo);
    platform::NotificationCenter::defaultCenter().post(ReportKit::kNimbusReadyNotification, nullptr,
                                                       userInfo);
    ReportKit& sdk = ReportKit::sharedSDK();
    EXPECT_TRUE(sdk.nimbusMode());
    EXPECT_EQ(crash->initialized.load(), 1);
    const std::string expected = reporting::RKTSHA256HexString("1:app:mac", 9).substr(0, 40);
    EXPECT_EQ(sdk.APIKey(), expected);
    EXPECT_EQ(startedWithKey, expected);
}

TEST_F(ReportKitTest, AutoInitialisationStopsWhereItsConditionsSay) {
    RKTKitClass::registerClass(crashClass);
    {
        info({});
        testsupport::LogCapture log;
        ReportKit::autoInitialize(Value::Dictionary{{"NMBCloudAppIDKey", ""}});
        EXPECT_TRUE(log.contains(
            "[ReportKit] [CrashKit] attempted initialization via Nimbus, but did not get a Cloud App Id"));
    }
    relaunch();
    info({{"ReportKit",
           Value::Dictionary{{"APIKey", "k"}}}});  // no "AutoInitialize": the app starts the kit itself
    ReportKit::autoInitialize(Value::Dictionary{});
    EXPECT_EQ(crash->initialized.load(), 0);

    relaunch();
    RKTKitClass::unregisterClass("CrashKit");
    info({{"ReportKit", Value::Dictionary{{"APIKey", "k"}, {"AutoInitialize", true}}}});
    testsupport::LogCapture log;
    ReportKit::autoInitialize(Value::Dictionary{});
    EXPECT_TRUE(log.contains(
        "[ReportKit] [CrashKit] Attempting to initialize CrashKit via Nimbus but could not find CrashKit."));
    EXPECT_EQ(ReportKit::sharedSDK().installationMode(), ReportKit::ConfiguredFromInfoPlist);
}

}  // namespace
