// What the features, the interface kit and the menu-bar pages use of the application core, each line
// checked against the classes as they are.
#include <thread>

#include "app/records/Device.h"
#include "app/records/DeviceInfo.h"
#include "app/records/DeviceLocalSettings.h"
#include "app/records/FTWDevice.h"
#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/WifiUnlockConfig.h"
#include "app/records/iOSPreferences.h"
#include "app/remote/InternetNotifier.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/PerformBlockAfterDelay.h"
#include "app/shell/SoundManager.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "app/store/HistoryServices.h"
#include "app/store/MigrationManager.h"
#include "app/records/PhoneRecordServices.h"
#include "app/support/ArrayAdditions.h"
#include "app/support/CachedFormatters.h"
#include "app/support/Common.h"
#include "app/support/DateCalculations.h"
#include "app/support/EventTimestamp.h"
#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "app/support/NSDateFormatterHelper.h"
#include "app/support/StringAddition.h"
#include "app/support/URLOpener.h"
#include "app/support/Utilities.h"
#include "engine/evidence/CommandLine.h"
#include "engine/evidence/KestruneIdleManager.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/history/HistoryFeatureServices.h"
#include "features/language/LanguageControllerMac.h"
#include "features/notifications/NotificationsController.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "link/requests/VersionFeatureChecker.h"
#include "platform/base/Clock.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;
using platform::Number;
using platform::Value;

namespace {

class ApplicationCoreServicesTest : public featuretests::FeatureTest {
protected:
    void SetUp() override {
        FeatureTest::SetUp();
        PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    }
    void TearDown() override {
        PhoneRecordServices::install(nullptr);
        HistoryServices::install(nullptr);
        FeatureTest::TearDown();
    }

    // A phone with its settings record; tracked when the pairing status is 6.
    std::pair<std::shared_ptr<MobileDevice>, std::shared_ptr<MobileSettings>> addPhone(const std::string& id,
                                                                                       int32_t status) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId(id);
        auto settings = MobileSettings::initWithUnId(id);
        settings->pairingInfo()->setConnectionStatus(Number(status));
        (*manager.model()->dictOfAllMobileDevice())[id] = phone;
        (*manager.model()->dictOfMobileDeviceSettings())[id] = settings;
        return {phone, settings};
    }
    DeviceLocalSettings& local() { return DeviceLocalSettings::shared(); }
};

TEST_F(ApplicationCoreServicesTest, DataManagerIsSharedAndSavesTheApplicationDataWhole) {
    EXPECT_EQ(&DataManager::shared(), &DataManager::shared());
    auto data = DataManager::shared().applicationData();
    ASSERT_TRUE(data);
    auto failed = FailedLoginEntry::init();
    failed->setDate(platform::Date::now());
    data->arrayOfFailedLogins() = ApplicationDataModel::EntryList{failed};
    EXPECT_TRUE(DataManager::shared().saveApplicationData());
    DataManager::resetSharedForTesting();
    EXPECT_EQ(DataManager::shared().applicationData()->arrayOfFailedLogins()->size(), 1u);
    EXPECT_TRUE(platform::Files::exists(Utilities::applicationDataKestruneDirectoryFilePath()));
}

TEST_F(ApplicationCoreServicesTest, TrackedPhoneSettingsAndThisMac) {
    EXPECT_EQ(DataManager::shared().getTrackingMobileDevice(), nullptr);
    addPhone("known", PairingInfo::kConnectionStatusPaired - 1);
    auto [tracked, settings] = addPhone("tracked", PairingInfo::kConnectionStatusPaired);
    EXPECT_EQ(DataManager::shared().getTrackingMobileDevice(), tracked);
    EXPECT_EQ(DataManager::shared().settingsForDeviceId(std::string("tracked")), settings);
    EXPECT_EQ(DataManager::shared().settingsForDeviceId(std::string("nobody")), nullptr);
    auto mac = DataManager::shared().getActiveDesktopDevice();
    ASSERT_TRUE(mac && mac->deviceInfo());
    EXPECT_TRUE(mac->deviceInfo()->deviceName().has_value());
}

TEST_F(ApplicationCoreServicesTest, ListsEmptyWithoutSavingAndWifiRecordsGetDefaults) {
    auto data = DataManager::shared().applicationData();
    data->updateModelIfNeeded();
    data->arrayOfLoginLogouts() = ApplicationDataModel::EntryList{
        LoginLogoutEntry::initWithEvent_date_reason(1, platform::Date::now(), 0)};
    data->arrayOfManualSnapshots() = ApplicationDataModel::EntryList{ManaulSnapshotEntry::init()};
    data->arrayOfFailedLogins() = ApplicationDataModel::EntryList{FailedLoginEntry::init()};
    DataManager::shared().saveApplicationData();
    data->removeAllLoginLogoutEntries();
    data->removeAllManualSnapshotEntries();
    data->removeAllFailedLoginEntries();
    EXPECT_TRUE(data->arrayOfLoginLogouts()->empty() && data->arrayOfManualSnapshots()->empty() &&
                data->arrayOfFailedLogins()->empty());
    DataManager::resetSharedForTesting();  // nothing was saved by emptying
    data = DataManager::shared().applicationData();
    EXPECT_EQ(data->arrayOfLoginLogouts()->size(), 1u);
    EXPECT_EQ(data->arrayOfManualSnapshots()->size(), 1u);
    EXPECT_EQ(data->arrayOfFailedLogins()->size(), 1u);
    ASSERT_TRUE(data->arrayOfSafeWifi());
    EXPECT_TRUE(data->arrayOfSafeWifi()->empty());
    auto config = std::dynamic_pointer_cast<WifiUnlockConfig>(data->wifiUnlockConfig());
    ASSERT_TRUE(config && config->wifiUnlockTurnedOn());
    EXPECT_TRUE(config->wifiUnlockTurnedOn()->boolValue());
}

TEST_F(ApplicationCoreServicesTest, PhoneFieldsDistancesAndBattery) {
    auto [phone, settings] = addPhone("p", PairingInfo::kConnectionStatusPaired);
    phone->mobileDeviceInfo()->setDeviceName(std::string("Ada's iPhone"));
    phone->mobileDeviceInfo()->setDeviceType(std::string("iPhone"));
    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    EXPECT_EQ(phone->unId(), "p");
    EXPECT_TRUE(phone->mobileDeviceConnectionInfo()->isConnected()->boolValue());

    auto preferences = std::make_shared<iOSPreferences>();
    preferences->setChosenMetric(Number(1));
    preferences->setIOSSystemVersion(std::string("12.1"));
    preferences->setIOSVersion(std::string("3.6.1"));
    preferences->setBatteryPercent(Number(15));
    preferences->setIOSCharging(Number(false));
    settings->setIOSSettings(preferences);
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(Number(60));
    settings->setDistanceFromDevice(Number(60));

    EXPECT_EQ(settings->distanceToLockString(), "1.0m");
    EXPECT_EQ(settings->calculate(60), "1.0m");
    EXPECT_EQ(settings->distanceDescriptionString(), "distance");
    preferences->setChosenMetric(Number(3));
    EXPECT_EQ(settings->distanceDescriptionString(), "signal strength");
    preferences->setChosenMetric(Number(1));

    EXPECT_EQ(phone->distanceStringWithUserActiveIndication(false), settings->rssiPrettyPrint());
    KestruneIdleManager::shared().userDidNotLogoutBecauseUserActive->eventTriggered();
    EXPECT_EQ(phone->distanceStringWithUserActiveIndication(true), "1.0m (in use)");
    EXPECT_EQ(phone->distanceStringWithUserActiveIndication(false), "1.0m");
    KestruneIdleManager::shared().userDidNotLogoutBecauseUserActive->reset();

    EXPECT_EQ(settings->currentBatteryPercent(), 15);
    EXPECT_EQ(settings->currentBatteryLevel(), 2);
    EXPECT_TRUE(settings->shouldShowBatteryWarning());
    preferences->setIOSCharging(Number(true));
    EXPECT_FALSE(settings->shouldShowBatteryWarning());
    for (auto [percent, level] : {std::pair{9, 1}, {10, 2}, {19, 2}, {20, 3}, {79, 3}, {80, 4}}) {
        preferences->setBatteryPercent(Number(percent));
        EXPECT_EQ(settings->currentBatteryLevel(), level) << percent;
    }

    auto track = settings->mobileDeviceTrackInfo();
    track->setShouldTrackMobileDevice(Number(false));
    track->setProxLockTemporaryDisabledBecauseLogin(Number(false));
    track->setProxLockTemporaryDisabledBecauseLogout(Number(false));
    EXPECT_FALSE(settings->shouldTrackMobileDeviceOrTrackingTemporarilyDisabled());
    track->setProxLockTemporaryDisabledBecauseLogin(Number(true));
    EXPECT_TRUE(settings->shouldTrackMobileDeviceOrTrackingTemporarilyDisabled());
    EXPECT_EQ(track->distanceToLogin()->intValue(), 60);
    EXPECT_EQ(settings->iOSSettings()->iOSSystemVersion(), "12.1");

    EXPECT_TRUE(
        VersionFeatureChecker::feature_supportedOnDevice(VersionFeatureChecker::kFeatureClipboard, phone));
    preferences->setIOSVersion(std::string("3.6.0"));
    EXPECT_FALSE(
        VersionFeatureChecker::feature_supportedOnDevice(VersionFeatureChecker::kFeatureClipboard, phone));
    preferences->setIOSVersion(std::string("3.10"));
    EXPECT_TRUE(
        VersionFeatureChecker::feature_supportedOnDevice(VersionFeatureChecker::kFeatureClipboard, phone));
    EXPECT_EQ(DeviceSpecificConfig::maxClipboardCharLength(), 10000);
}

TEST_F(ApplicationCoreServicesTest, ComputerNameWithoutItsBracketedNumber) {
    setenv("KESTRUNE_COMPUTER_NAME", "Ada's MacBook (2)", 1);
    EXPECT_EQ(FTWDevice::currentDeviceLocalizedName(), "Ada's MacBook ");
    unsetenv("KESTRUNE_COMPUTER_NAME");
}

TEST_F(ApplicationCoreServicesTest, LocalSettingsReadTheirKeysOrTheirDefaults) {
    struct Switch {
        bool (DeviceLocalSettings::*read)() const;
        const char* key;
        bool fallback;
    };
    const Switch switches[] = {
        {&DeviceLocalSettings::proximityLockIsOn, "proximityLockIsOn", false},
        {&DeviceLocalSettings::allowLogoutOnWalkAway, "allow_logout_on_walk_away", true},
        {&DeviceLocalSettings::allowLoginOnApproach, "allow_login_on_approach", true},
        {&DeviceLocalSettings::loginOnApproach, "login_on_approach", true},
        {&DeviceLocalSettings::logoutOnDisconnect, "logout_on_disconnect", false},
        {&DeviceLocalSettings::allowCloserDistances, "allow_closer_distances", false},
        {&DeviceLocalSettings::showKestruneIconOnLockedScreen, "useKestruneIconOnLockedScreen", true},
        {&DeviceLocalSettings::enableKestruneShortCutsLock, "enableKestruneShortCutsLock", true},
        {&DeviceLocalSettings::enableKestruneShortCutsSendClipboard, "enableKestruneShortCutsSendClipboard",
         true},
        {&DeviceLocalSettings::enableSiriLock, "ENABLE_SIRI_LOCK", true},
        {&DeviceLocalSettings::enableSiriUnlock, "ENABLE_SIRI_UNLOCK", true},
        {&DeviceLocalSettings::musicPauseOnLogout, "music_pause_on_logout", false},
        {&DeviceLocalSettings::showClipboardManagerOnMainScreen, "show_clipboard_manager_on_main_screen",
         true},
        {&DeviceLocalSettings::showMacControlsOnMainScreen, "showMacControlsOnMainMenu", true},
        {&DeviceLocalSettings::showWifiUnlockOnMainScreen, "showWifiUnlockOnMainMenu", true},
        {&DeviceLocalSettings::showKestruneProximityOption, "showProximityLockOnMainMenu", true},
        {&DeviceLocalSettings::warnUserOnLoginFailed, "warnUserOnLoginFailed", true},
        {&DeviceLocalSettings::takePhotoOnFailedLogin, "take_photo_on_failed_login", true},
        {&DeviceLocalSettings::takePhotoAfterEachLogin, "take_photo_after_each_login", false},
        {&DeviceLocalSettings::automaticallyUpdate, "automatically_update", true},
        {&DeviceLocalSettings::didCloseMainWindowAtLeastOnce, "didCloseMainWindowAtLeastOnce", false},
        {&DeviceLocalSettings::didShowTutorialAtLeastOnce, "did_show_tutorial", false},
        {&DeviceLocalSettings::didShowWifiUnlockAtLeastOnce, "did_show_wifi_unlock", false},
    };
    for (const auto& s : switches) {
        EXPECT_EQ((local().*s.read)(), s.fallback) << s.key;
        local().storeObject_forKey(Value(Number(!s.fallback)), s.key);
        EXPECT_EQ((local().*s.read)(), !s.fallback) << s.key;
    }

    struct Code {
        int32_t (DeviceLocalSettings::*read)() const;
        const char* key;
        int32_t fallback;
    };
    const Code codes[] = {
        {&DeviceLocalSettings::proximityUnlockVerification, "proximityUnlockVerification", 0},
        {&DeviceLocalSettings::actionOnLogout, "action_on_logout", 0},
        {&DeviceLocalSettings::macSleepScreenUnlockConfirmLogin, "mac_sleep_screen_unlock_options", 2},
        {&DeviceLocalSettings::authRequest, "auth_request", 2},
        {&DeviceLocalSettings::lastUsedMetric, "last_used_metric", 1},
    };
    for (const auto& c : codes) {
        EXPECT_EQ((local().*c.read)(), c.fallback) << c.key;
        local().storeObject_forKey(Value(Number(3)), c.key);
        EXPECT_EQ((local().*c.read)(), 3) << c.key;
    }
    EXPECT_EQ(local().proximityLockDistance(), 60);
    local().storeObject_forKey(Value(Number(75)), "proximityLockDistance");
    EXPECT_EQ(local().proximityLockDistance(), 75);
    EXPECT_EQ(local().lastActiveTimestamp(), 0);
    local().storeObject_forKey(Value(Number(12345)), "last_active_timestamp");
    EXPECT_EQ(local().lastActiveTimestamp(), 12345);
    EXPECT_EQ(local().lastUsedLanguage(), std::nullopt);

    EXPECT_EQ(local().maxRssiValue(), 90);
    local().setAllowCloserDistances(false);
    EXPECT_EQ(local().minRssiValue(), 60);
    local().setAllowCloserDistances(true);
    EXPECT_EQ(local().minRssiValue(), 45);
}

TEST_F(ApplicationCoreServicesTest, LocalSettingWritersReachTheirKeys) {
    local().setTakePhotoOnFailedLogin(false);
    local().setTakePhotoAfterEachLogin(true);
    local().setLastUsedLanguage("pt-PT");
    local().setDidShowWifiUnlockAtLeastOnce(true);
    local().setAuthRequest(4);
    local().setShowKestruneIconOnLockedScreen(false);
    local().setDoNotShowClearCacheWarningDate(platform::Date::dateWithTimeIntervalSince1970(1700000000));
    // Written through before the setters return: a fresh store reads them from the file.
    platform::UserDefaults::resetAllForTesting();
    DeviceLocalSettings::resetSharedForTesting();
    EXPECT_FALSE(local().objectForKey("take_photo_on_failed_login").number()->boolValue());
    EXPECT_TRUE(local().objectForKey("take_photo_after_each_login").number()->boolValue());
    EXPECT_EQ(local().stringForKey("last_used_language"), "pt-PT");
    EXPECT_TRUE(local().objectForKey("did_show_wifi_unlock").number()->boolValue());
    EXPECT_EQ(local().objectForKey("auth_request").number()->intValue(), 4);
    EXPECT_FALSE(local().objectForKey("useKestruneIconOnLockedScreen").number()->boolValue());
    EXPECT_EQ(local()
                  .objectForKey("do_not_show_warning_temp_clear_bluetooth_cache_date")
                  .date()
                  ->timeIntervalSince1970(),
              1700000000);
}

TEST_F(ApplicationCoreServicesTest, VersionUpdateTurnsTheUnlockNotificationOnThroughTheHistoryService) {
    HistoryServices::install(std::make_shared<HistoryFeatureServices>());
    NotificationsController::shared().setNotificationOnLogin(false);
    platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleShortVersionString", "1.6.4"}});
    Common::resetLaunchAnswersForTesting();
    VersionModelUpdate().updateModelForVersionUpdateIfNeeded();
    EXPECT_TRUE(NotificationsController::shared().notificationOnLogin());
    // Once: the next start of the same version leaves the user's choice alone.
    NotificationsController::shared().setNotificationOnLogin(false);
    Common::resetLaunchAnswersForTesting();
    VersionModelUpdate().updateModelForVersionUpdateIfNeeded();
    EXPECT_FALSE(NotificationsController::shared().notificationOnLogin());
    platform::Bundle::main().reload();
}

TEST_F(ApplicationCoreServicesTest, TimestampsQueuesAndDelays) {
    EventTimestamp stamp;
    EXPECT_TRUE(stamp.moreSecondsElapsedSinceLastTrigger(1e9));
    EXPECT_DOUBLE_EQ(stamp.secondsElapsedFromLastEvent(), now());
    stamp.eventTriggered();
    advance(2);
    EXPECT_DOUBLE_EQ(stamp.secondsElapsedFromLastEvent(), 2);
    EXPECT_TRUE(stamp.moreSecondsElapsedSinceLastTrigger(1.99));
    EXPECT_FALSE(stamp.moreSecondsElapsedSinceLastTrigger(2));

    std::vector<int> order;
    runOnMainQueueAsync([&] { order.push_back(1); });
    order.push_back(0);  // never inline
    std::thread::id backgroundThread;
    runInBackgroundAsync([&] { backgroundThread = std::this_thread::get_id(); });
    runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
    EXPECT_NE(backgroundThread, std::this_thread::get_id());

    auto receiver = std::make_shared<int>(7);
    std::weak_ptr<int> weak = receiver;
    double ranAt = 0;
    performBlock_afterDelay(
        receiver, [&] { ranAt = now(); }, 1.5);
    performStaticAfterDelay_staticBlock(0, [&] { order.push_back(2); });
    receiver.reset();
    EXPECT_FALSE(weak.expired());  // kept alive until the closure ran
    EXPECT_EQ(order.size(), 2u);
    const double start = now();
    advance(2);
    EXPECT_DOUBLE_EQ(ranAt - start, 1.5);
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(order.back(), 2);

    std::vector<int> list = {1, 2, 3, 4};
    removeObjectsFromIndex(list, 2);
    EXPECT_EQ(list, (std::vector<int>{1, 2}));
    removeObjectsFromIndex(list, 5);
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(ApplicationCoreServicesTest, DatesAndTheirTexts) {
    // 2027-01-15 08:00:00 in the fixture's UTC.
    const auto date = platform::Date::now();
    EXPECT_EQ(NSDateFormatterHelper::currentDateFromYearToSeconds(), "2027-01-15 08:00:00");
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(date), "2027-01-15 08:00:00");
    EXPECT_EQ(NSDateFormatterHelper::stringToMinutesFromDate(date), "2027-01-15 08:00");
    EXPECT_EQ(&NSDateFormatterHelper::yearToSecondsDateFormatter(),
              &NSDateFormatterHelper::yearToSecondsDateFormatter());
    EXPECT_EQ(dictionaryDateFormatter().stringFromDate(date),
              dictionaryDateFormatter().stringFromDate(endOfDay(date)));
    EXPECT_NE(dictionaryDateFormatter().stringFromDate(date),
              dictionaryDateFormatter().stringFromDate(getTomorrow(date)));
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(startOfDay(date)), "2027-01-15 00:00:00");
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(endOfDay(date)), "2027-01-15 23:59:59");
    EXPECT_EQ(NSDateFormatterHelper::stringFromDate(getTomorrow(date)), "2027-01-16 08:00:00");
    EXPECT_EQ(getTotalMintesInDay(date), 8 * 60);
    EXPECT_TRUE(isSameDayAs(date, endOfDay(date)));
    EXPECT_FALSE(isSameDayAs(date, getTomorrow(date)));
    EXPECT_TRUE(isBeforeDate(date, getTomorrow(date)));
}

TEST_F(ApplicationCoreServicesTest, TextsOfTheCore) {
    EXPECT_EQ(localizable("mac_locked"), "Mac locked");
    EXPECT_EQ(localizable("no_such_key"), "no_such_key");
    EXPECT_TRUE(isEmptyString(std::nullopt));
    EXPECT_TRUE(isEmptyString(""));
    EXPECT_FALSE(isEmptyString(" "));
    EXPECT_TRUE(containsOnlyEmptySpaces(" \t "));
    EXPECT_FALSE(containsOnlyEmptySpaces(" a "));
    EXPECT_TRUE(isPartOfOrContains("pt-BR", "PT"));
    EXPECT_TRUE(isPartOfOrContains("zh", "zh-Hans"));
    EXPECT_FALSE(isPartOfOrContains("sv", "en"));
    EXPECT_FALSE(newLine().empty());

    platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleShortVersionString", "2.3.4"}});
    EXPECT_EQ(Common::getAppVersion(), "2.3.4");
    EXPECT_EQ(Common::versionText(), "Version 2.3.4");
    platform::Bundle::main().reload();
    EXPECT_EQ(Utilities::operatingSystemVersion(), "10.14.6");
    EXPECT_EQ(Utilities::systemVersionOSX().rfind("Version 10.14.6", 0), 0u);
    EXPECT_FALSE(Utilities::machineModel().empty());
}

TEST_F(ApplicationCoreServicesTest, FoldersFilesAndCommands) {
    const std::string library = Utilities::applicationKestruneLibraryDirectoryOrDocumentsFallback();
    EXPECT_TRUE(platform::Files::isDirectory(library));
    EXPECT_NE(library, Utilities::documentsDirectory());
    for (const auto& [path, name] :
         {std::pair{Utilities::applicationDataKestruneLoginImagesDirectory(), "/LoginImages"},
          {Utilities::applicationDataKestruneFailedLoginImagesDirectory(), "/MugShots"},
          {Utilities::applicationDataKestruneManualSnapshotsImagesDirectory(), "/ManualSnapshots"}}) {
        EXPECT_EQ(path, Utilities::applicationDataKestruneDirectory() + name);
        EXPECT_TRUE(platform::Files::isDirectory(path));
    }
    EXPECT_TRUE(platform::Files::isDirectory(Utilities::kestruneDocumentsDirectory()));

    const std::string nested = home() + "/a/b/c";
    EXPECT_TRUE(Utilities::createDirectoryIfItDoesntExist(home() + "/a"));
    EXPECT_TRUE(Utilities::createDirectoryIfItDoesntExist(home() + "/a"));
    EXPECT_TRUE(Utilities::removeFileAtPath(home() + "/a"));
    EXPECT_FALSE(platform::Files::exists(home() + "/a"));
    EXPECT_FALSE(Utilities::removeFileAtPath(nested));  // missing: no error, nothing removed

    EXPECT_EQ(runShellCommand("printf 'caf\\303\\251'"), "caf\xC3\xA9");
}

TEST_F(ApplicationCoreServicesTest, SoundsReachabilityAndWebPages) {
    auto workspace = std::make_shared<platform::WorkspaceRecorder>();
    platform::WorkspaceBackend::install(workspace);
    SoundManager::playErrorSound2();
    ASSERT_EQ(workspace->playedSounds().size(), 1u);
    EXPECT_TRUE(platform::hasSuffix(workspace->playedSounds()[0], "error_sound.wav"));
    platform::WorkspaceBackend::install(nullptr);

    InternetNotifier notifier;
    EXPECT_FALSE(notifier.hasInet());  // nothing known before watching starts

    URLOpener::resetRecordedURLsForTesting();
    KSUrlManager::openFAQLink();
    KSUrlManager::openKestruneOfficialWebsite();
    KSUrlManager::openEnglish();
    KSUrlManager::openDutch();
    auto urls = URLOpener::recordedURLs();
    ASSERT_EQ(urls.size(), 4u);
    EXPECT_TRUE(platform::hasPrefix(urls[0], KSUrlManager::kWebsite));
    EXPECT_EQ(urls[1], KSUrlManager::kWebsite);
    EXPECT_TRUE(platform::hasSuffix(urls[2], "language?language=english"));
    EXPECT_TRUE(platform::hasSuffix(urls[3], "language?language=dutch"));
    // The two documents' addresses: distinct, and the configured ones when the environment names them.
    EXPECT_NE(KSUrlManager::feedUrlCustomConfig(), KSUrlManager::feedUrlSparkleString());
    setenv(KSUrlManager::kConfigEnvironmentVariable, "https://config.example/kestrune.plist", 1);
    setenv(KSUrlManager::kUpdateFeedEnvironmentVariable, "https://feed.example/kestrune.xml", 1);
    EXPECT_EQ(KSUrlManager::feedUrlCustomConfig(), "https://config.example/kestrune.plist");
    EXPECT_EQ(KSUrlManager::feedUrlSparkleString(), "https://feed.example/kestrune.xml");
    unsetenv(KSUrlManager::kConfigEnvironmentVariable);
    unsetenv(KSUrlManager::kUpdateFeedEnvironmentVariable);
}

class ClickRecorder : public StateMachineInterface {
public:
    std::vector<std::string> calls;
    void applicationDidFinishLoading(bool) override { calls.push_back("finished"); }
    void dockItemToggled() override {}
    void applicationWillTerminate() override {}
    void macWillShutDown() override {}
    void showFailedLoginWindowWithEntry(std::shared_ptr<platform::Object>) override {
        calls.push_back("failed");
    }
    void showLockUnlockHistory() override { calls.push_back("history"); }
    void showMainMenu() override { calls.push_back("main"); }
};

TEST_F(ApplicationCoreServicesTest, AppDelegateSetsTheLanguageAndActsOnNotificationClicks) {
    platform::PreferredLanguages::setForTesting(std::vector<std::string>{"fr-CA"});
    AppDelegate delegate;
    auto machine = std::make_shared<ClickRecorder>();
    delegate.stateMachine = machine;
    delegate.languageService = &LanguageControllerMac::shared();
    delegate.applicationDidFinishLaunching(platform::Application::shared());
    EXPECT_EQ(DeviceLocalSettings::shared().lastUsedLanguage(), "fr");
    EXPECT_EQ(localizable("lang"), "fr");

    auto& center = platform::UserNotificationCenter::defaultCenter();
    center.deliverNotification({"", "t", "", "", false});
    EXPECT_TRUE(notifications->delivered().back().presented);  // also while the application is frontmost
    for (const char* identifier : {"kKestruneDetectedFaileLoginAttempt", "kKestruneLockUnlockNotification",
                                   "", "kKestruneLockPasswordInsertedNotification"})
        notifications->activate(identifier);
    EXPECT_EQ(machine->calls, (std::vector<std::string>{"finished", "failed", "history", "main", "main"}));
    center.resetForTesting();
}

}  // namespace
