#include "app/records/DeviceLocalSettings.h"

#include "app/support/Common.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/ProcessInfo.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;

class DeviceLocalSettingsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        platform::ProcessInfo::shared().setArguments({"kestrune"});
        reopen();
    }
    void TearDown() override {
        DeviceLocalSettings::resetSharedForTesting();
        platform::UserDefaults::resetAllForTesting();
        platform::ProcessInfo::shared().setArguments({});
        KestruneTest::TearDown();
    }
    // A new process: the stores are read again from their files.
    DeviceLocalSettings& reopen() {
        DeviceLocalSettings::resetSharedForTesting();
        platform::UserDefaults::resetAllForTesting();
        return DeviceLocalSettings::shared();
    }
};

TEST_F(DeviceLocalSettingsTest, FirstLaunchReadsEveryRegisteredDefault) {
    auto& settings = DeviceLocalSettings::shared();
    EXPECT_EQ(settings.enableSiriLock(), true) << "ENABLE_SIRI_LOCK";
    EXPECT_EQ(settings.enableSiriUnlock(), true) << "ENABLE_SIRI_UNLOCK";
    EXPECT_EQ(settings.allowCloserDistances(), false) << "allow_closer_distances";
    EXPECT_EQ(settings.allowLoginOnApproach(), true) << "allow_login_on_approach";
    EXPECT_EQ(settings.allowLogoutOnWalkAway(), true) << "allow_logout_on_walk_away";
    EXPECT_EQ(settings.automaticallyUpdate(), true) << "automatically_update";
    EXPECT_EQ(settings.didCloseMainWindowAtLeastOnce(), false) << "didCloseMainWindowAtLeastOnce";
    EXPECT_EQ(settings.didShowTutorialAtLeastOnce(), false) << "did_show_tutorial";
    EXPECT_EQ(settings.didShowWifiUnlockAtLeastOnce(), false) << "did_show_wifi_unlock";
    EXPECT_EQ(settings.enableKestruneShortCutsLock(), true) << "enableKestruneShortCutsLock";
    EXPECT_EQ(settings.enableKestruneShortCutsSendClipboard(), true)
        << "enableKestruneShortCutsSendClipboard";
    EXPECT_EQ(settings.failedToLockMac(), false) << "failedToLockMac";
    EXPECT_EQ(settings.failedToUnlockMac(), false) << "failedToUnlockMac";
    EXPECT_EQ(settings.loginOnApproach(), true) << "login_on_approach";
    EXPECT_EQ(settings.logoutOnDisconnect(), false) << "logout_on_disconnect";
    EXPECT_EQ(settings.musicPauseOnLogout(), false) << "music_pause_on_logout";
    EXPECT_EQ(settings.newFaileLoginAttemptDetected(), false) << "new_failed_login_detected";
    EXPECT_EQ(settings.proximityLockIsOn(), false) << "proximityLockIsOn";
    EXPECT_EQ(settings.startKestruneOnApplicationStart(), true) << "shouldStartOnLogin";
    EXPECT_EQ(settings.showMacControlsOnMainScreen(), true) << "showMacControlsOnMainMenu";
    EXPECT_EQ(settings.showKestruneProximityOption(), true) << "showProximityLockOnMainMenu";
    EXPECT_EQ(settings.showWifiUnlockOnMainScreen(), true) << "showWifiUnlockOnMainMenu";
    EXPECT_EQ(settings.showClipboardManagerOnMainScreen(), true) << "show_clipboard_manager_on_main_screen";
    EXPECT_EQ(settings.takePhotoAfterEachLogin(), false) << "take_photo_after_each_login";
    EXPECT_EQ(settings.takePhotoOnFailedLogin(), true) << "take_photo_on_failed_login";
    EXPECT_EQ(settings.showKestruneIconOnLockedScreen(), true) << "useKestruneIconOnLockedScreen";
    EXPECT_EQ(settings.warnUserOnLoginFailed(), true) << "warnUserOnLoginFailed";
    EXPECT_EQ(settings.didMigrateToApplicationData(), false) << "DID_MIGRATE_TO_APPLICATION_DATA";
    EXPECT_EQ(settings.proximityLockDistance(), 60);
    EXPECT_EQ(settings.actionOnLogout(), 0);
    EXPECT_EQ(settings.authRequest(), 2);
    EXPECT_EQ(settings.macSleepScreenUnlockConfirmLogin(), 2);
    EXPECT_EQ(settings.proximityUnlockVerification(), 0);
    EXPECT_EQ(settings.lastUsedMetric(), 1);
    EXPECT_EQ(settings.lastActiveTimestamp(), 0);
    EXPECT_EQ(settings.clearBluetoothFileSize(), 0);
    EXPECT_EQ(settings.veryFirstKestruneRunDate()->timeIntervalSince1970(), 0) << "first_run_date";
    EXPECT_EQ(settings.mostRecentKestruneRunDate()->timeIntervalSince1970(), 0) << "most_recent_run_date";
    EXPECT_EQ(settings.lastProgramaticRestartDate()->timeIntervalSince1970(), 0) << "last_restart_date";
    EXPECT_EQ(settings.rescanToggled()->timeIntervalSince1970(), 0) << "rescan_toggled_date";
    EXPECT_EQ(settings.bluetoothCacheErrorDetected()->timeIntervalSince1970(), 0)
        << "bluetooth_cache_error_detected";
    EXPECT_EQ(settings.userWarnedAboutBluetoothCacheError()->timeIntervalSince1970(), 0)
        << "user_warned_about_bluetooth_cache_error";
    EXPECT_EQ(settings.clearBluetoothCacheDate()->timeIntervalSince1970(), 0) << "clear_bluetooth_cache_date";
    EXPECT_EQ(settings.tempClearBluetoothCacheDate()->timeIntervalSince1970(), 0)
        << "temp_clear_bluetooth_cache_date";
    EXPECT_EQ(settings.doNotShowClearCacheWarningDate()->timeIntervalSince1970(), 0)
        << "do_not_show_warning_temp_clear_bluetooth_cache_date";
    EXPECT_FALSE(settings.lastUsedLanguage());
    // Registered-only keys that nothing reads are still registered.
    EXPECT_TRUE(settings.objectForKey("enableKestruneShortCuts").number()->boolValue());
    EXPECT_FALSE(settings.objectForKey("use_external_monitor").number()->boolValue());
    EXPECT_EQ(settings.objectForKey("user_should_confirm_login").number()->intValue(), 0);
}

TEST_F(DeviceLocalSettingsTest, EverySettingRoundTripsThroughTheFile) {
    auto& settings = DeviceLocalSettings::shared();
    settings.setEnableSiriLock(false);
    settings.setEnableSiriUnlock(false);
    settings.setAllowCloserDistances(true);
    settings.setAllowLoginOnApproach(false);
    settings.setAllowLogoutOnWalkAway(false);
    settings.setAutomaticallyUpdate(false);
    settings.setDidCloseMainWindowAtLeastOnce(true);
    settings.setDidShowTutorialAtLeastOnce(true);
    settings.setDidShowWifiUnlockAtLeastOnce(true);
    settings.setEnableKestruneShortCutsLock(false);
    settings.setEnableKestruneShortCutsSendClipboard(false);
    settings.setFailedToLockMac(true);
    settings.setFailedToUnlockMac(true);
    settings.setLoginOnApproach(false);
    settings.setLogoutOnDisconnect(true);
    settings.setMusicPauseOnLogout(true);
    settings.setNewFaileLoginAttemptDetected(true);
    settings.setProximityLockIsOn(true);
    settings.setStartKestruneOnApplicationStart(false);
    settings.setShowMacControlsOnMainScreen(false);
    settings.setShowKestruneProximityOption(false);
    settings.setShowWifiUnlockOnMainScreen(false);
    settings.setShowClipboardManagerOnMainScreen(false);
    settings.setTakePhotoAfterEachLogin(true);
    settings.setTakePhotoOnFailedLogin(false);
    settings.setShowKestruneIconOnLockedScreen(false);
    settings.setWarnUserOnLoginFailed(false);
    settings.setDidMigrateToApplicationData(true);
    settings.setActionOnLogout(-1);
    settings.setAuthRequest(INT32_MIN);
    settings.setMacSleepScreenUnlockConfirmLogin(3);
    settings.setProximityUnlockVerification(INT32_MAX);
    settings.setLastUsedMetric(2);
    settings.setProximityLockDistance(52);
    settings.setLastActiveTimestamp(4102444800LL);  // after 2038: needs 64 bits
    settings.setClearBluetoothFileSize(123456789012LL);
    settings.setVeryFirstKestruneRunDate(platform::Date::dateWithTimeIntervalSince1970(1700000000));
    settings.setMostRecentKestruneRunDate(platform::Date::dateWithTimeIntervalSince1970(1700000001));
    settings.setLastProgramaticRestartDate(platform::Date::dateWithTimeIntervalSince1970(1700000002));
    settings.setRescanToggled(platform::Date::dateWithTimeIntervalSince1970(1700000003));
    settings.setBluetoothCacheErrorDetected(platform::Date::dateWithTimeIntervalSince1970(1700000004));
    settings.setUserWarnedAboutBluetoothCacheError(platform::Date::dateWithTimeIntervalSince1970(1700000005));
    settings.setClearBluetoothCacheDate(platform::Date::dateWithTimeIntervalSince1970(1700000006));
    settings.setTempClearBluetoothCacheDate(platform::Date::dateWithTimeIntervalSince1970(1700000007));
    settings.setDoNotShowClearCacheWarningDate(platform::Date::dateWithTimeIntervalSince1970(1700000008));
    settings.setLastUsedLanguage("de");

    auto& fresh = reopen();
    EXPECT_EQ(fresh.enableSiriLock(), false) << "ENABLE_SIRI_LOCK";
    EXPECT_EQ(fresh.enableSiriUnlock(), false) << "ENABLE_SIRI_UNLOCK";
    EXPECT_EQ(fresh.allowCloserDistances(), true) << "allow_closer_distances";
    EXPECT_EQ(fresh.allowLoginOnApproach(), false) << "allow_login_on_approach";
    EXPECT_EQ(fresh.allowLogoutOnWalkAway(), false) << "allow_logout_on_walk_away";
    EXPECT_EQ(fresh.automaticallyUpdate(), false) << "automatically_update";
    EXPECT_EQ(fresh.didCloseMainWindowAtLeastOnce(), true) << "didCloseMainWindowAtLeastOnce";
    EXPECT_EQ(fresh.didShowTutorialAtLeastOnce(), true) << "did_show_tutorial";
    EXPECT_EQ(fresh.didShowWifiUnlockAtLeastOnce(), true) << "did_show_wifi_unlock";
    EXPECT_EQ(fresh.enableKestruneShortCutsLock(), false) << "enableKestruneShortCutsLock";
    EXPECT_EQ(fresh.enableKestruneShortCutsSendClipboard(), false) << "enableKestruneShortCutsSendClipboard";
    EXPECT_EQ(fresh.failedToLockMac(), true) << "failedToLockMac";
    EXPECT_EQ(fresh.failedToUnlockMac(), true) << "failedToUnlockMac";
    EXPECT_EQ(fresh.loginOnApproach(), false) << "login_on_approach";
    EXPECT_EQ(fresh.logoutOnDisconnect(), true) << "logout_on_disconnect";
    EXPECT_EQ(fresh.musicPauseOnLogout(), true) << "music_pause_on_logout";
    EXPECT_EQ(fresh.newFaileLoginAttemptDetected(), true) << "new_failed_login_detected";
    EXPECT_EQ(fresh.proximityLockIsOn(), true) << "proximityLockIsOn";
    EXPECT_EQ(fresh.startKestruneOnApplicationStart(), false) << "shouldStartOnLogin";
    EXPECT_EQ(fresh.showMacControlsOnMainScreen(), false) << "showMacControlsOnMainMenu";
    EXPECT_EQ(fresh.showKestruneProximityOption(), false) << "showProximityLockOnMainMenu";
    EXPECT_EQ(fresh.showWifiUnlockOnMainScreen(), false) << "showWifiUnlockOnMainMenu";
    EXPECT_EQ(fresh.showClipboardManagerOnMainScreen(), false) << "show_clipboard_manager_on_main_screen";
    EXPECT_EQ(fresh.takePhotoAfterEachLogin(), true) << "take_photo_after_each_login";
    EXPECT_EQ(fresh.takePhotoOnFailedLogin(), false) << "take_photo_on_failed_login";
    EXPECT_EQ(fresh.showKestruneIconOnLockedScreen(), false) << "useKestruneIconOnLockedScreen";
    EXPECT_EQ(fresh.warnUserOnLoginFailed(), false) << "warnUserOnLoginFailed";
    EXPECT_EQ(fresh.didMigrateToApplicationData(), true) << "DID_MIGRATE_TO_APPLICATION_DATA";
    EXPECT_EQ(fresh.actionOnLogout(), -1);
    EXPECT_EQ(fresh.authRequest(), INT32_MIN);
    EXPECT_EQ(fresh.macSleepScreenUnlockConfirmLogin(), 3);
    EXPECT_EQ(fresh.proximityUnlockVerification(), INT32_MAX);
    EXPECT_EQ(fresh.lastUsedMetric(), 2);
    EXPECT_EQ(fresh.proximityLockDistance(), 52);
    EXPECT_EQ(fresh.lastActiveTimestamp(), 4102444800LL);
    EXPECT_EQ(fresh.clearBluetoothFileSize(), 123456789012LL);
    EXPECT_EQ(fresh.veryFirstKestruneRunDate()->timeIntervalSince1970(), 1700000000) << "first_run_date";
    EXPECT_EQ(fresh.mostRecentKestruneRunDate()->timeIntervalSince1970(), 1700000001)
        << "most_recent_run_date";
    EXPECT_EQ(fresh.lastProgramaticRestartDate()->timeIntervalSince1970(), 1700000002) << "last_restart_date";
    EXPECT_EQ(fresh.rescanToggled()->timeIntervalSince1970(), 1700000003) << "rescan_toggled_date";
    EXPECT_EQ(fresh.bluetoothCacheErrorDetected()->timeIntervalSince1970(), 1700000004)
        << "bluetooth_cache_error_detected";
    EXPECT_EQ(fresh.userWarnedAboutBluetoothCacheError()->timeIntervalSince1970(), 1700000005)
        << "user_warned_about_bluetooth_cache_error";
    EXPECT_EQ(fresh.clearBluetoothCacheDate()->timeIntervalSince1970(), 1700000006)
        << "clear_bluetooth_cache_date";
    EXPECT_EQ(fresh.tempClearBluetoothCacheDate()->timeIntervalSince1970(), 1700000007)
        << "temp_clear_bluetooth_cache_date";
    EXPECT_EQ(fresh.doNotShowClearCacheWarningDate()->timeIntervalSince1970(), 1700000008)
        << "do_not_show_warning_temp_clear_bluetooth_cache_date";
    EXPECT_EQ(fresh.lastUsedLanguage(), "de");
    // A code is stored as the same 32 bits read unsigned.
    EXPECT_EQ(fresh.objectForKey("action_on_logout").number()->longLongValue(), 4294967295LL);
}

TEST_F(DeviceLocalSettingsTest, LockDistanceBounds) {
    auto& settings = DeviceLocalSettings::shared();
    EXPECT_EQ(settings.minRssiValue(), 60);
    settings.setAllowCloserDistances(true);
    EXPECT_EQ(settings.minRssiValue(), 45);
    EXPECT_EQ(settings.maxRssiValue(), 90);
}

TEST_F(DeviceLocalSettingsTest, ResetDefaultsFallsBackToTheRegisteredValues) {
    auto& settings = DeviceLocalSettings::shared();
    settings.setProximityLockDistance(70);
    settings.setTakePhotoOnFailedLogin(false);
    settings.resetDefaults();
    EXPECT_EQ(settings.proximityLockDistance(), 60);
    EXPECT_TRUE(settings.takePhotoOnFailedLogin());
    EXPECT_EQ(reopen().proximityLockDistance(), 60);
}

TEST_F(DeviceLocalSettingsTest, CleanRunStartsEmptyAndNeverTouchesTheStandardSuite) {
    DeviceLocalSettings::shared().setProximityLockDistance(70);  // a normal run's choice

    platform::ProcessInfo::shared().setArguments({"kestrune", "-clean-run"});
    auto& clean = reopen();
    EXPECT_EQ(clean.proximityLockDistance(), 60);
    clean.setProximityLockDistance(80);
    clean.setProximityLockIsOn(true);
    EXPECT_EQ(clean.proximityLockDistance(), 80);

    auto& again = reopen();  // a second clean run forgets what the first stored
    EXPECT_EQ(again.proximityLockDistance(), 60);
    EXPECT_FALSE(again.proximityLockIsOn());

    platform::ProcessInfo::shared().setArguments({"kestrune"});
    EXPECT_EQ(reopen().proximityLockDistance(), 70);
}
