#include "app/records/DeviceLocalSettings.h"

#include "app/shell/CustomRunArgs.h"
#include "platform/base/SharedInstance.h"
#include "platform/storage/UserDefaults.h"

namespace kestrune {

namespace {
platform::SharedInstance<DeviceLocalSettings> gSharedDeviceLocalSettings;
constexpr double kMinimumLockDistance = 60.0;
constexpr double kMinimumCloserLockDistance = 45.0;
constexpr double kMaximumLockDistance = 90.0;
}  // namespace

DeviceLocalSettings& DeviceLocalSettings::shared() {
    return gSharedDeviceLocalSettings.get([] { return new DeviceLocalSettings; });
}

void DeviceLocalSettings::resetSharedForTesting() {
    gSharedDeviceLocalSettings.resetForTesting();
}

DeviceLocalSettings::DeviceLocalSettings() {
    setDefaultValues();
}

void DeviceLocalSettings::setDefaultValues() {
    if (CustomRunArgs::isCleanRun()) {
        userDefaults = platform::UserDefaults::suite("CleanRun");
        if (CustomRunArgs::shouldWipeCleanRunData()) {
            userDefaults->removePersistentDomainForName("CleanRun");
            resetDefaults();
        }
    } else {
        userDefaults = platform::UserDefaults::standard();
    }
    userDefaults->registerDefaults({
        {"ENABLE_SIRI_LOCK", true},
        {"ENABLE_SIRI_UNLOCK", true},
        {"allow_closer_distances", false},
        {"allow_login_on_approach", true},
        {"allow_logout_on_walk_away", true},
        {"automatically_update", true},
        {"didCloseMainWindowAtLeastOnce", false},
        {"enableKestruneShortCuts", true},
        {"enableKestruneShortCutsLock", true},
        {"enableKestruneShortCutsSendClipboard", true},
        {"failedToLockMac", false},
        {"login_on_approach", true},
        {"logout_on_disconnect", false},
        {"music_pause_on_logout", false},
        {"shouldStartOnLogin", true},
        {"showMacControlsOnMainMenu", true},
        {"showProximityLockOnMainMenu", true},
        {"showWifiUnlockOnMainMenu", true},
        {"show_clipboard_manager_on_main_screen", true},
        {"take_photo_after_each_login", false},
        {"take_photo_on_failed_login", true},
        {"useKestruneIconOnLockedScreen", true},
        {"use_external_monitor", false},
        {"warnUserOnLoginFailed", true},
        {"action_on_logout", 0},
        {"auth_request", 2},
        {"mac_sleep_screen_unlock_options", 2},
        {"proximityUnlockVerification", 0},
        {"last_used_metric", 1},
        {"user_should_confirm_login", 0},
        {"clear_bluetooth_cache_file_size", 0},
        {"last_active_timestamp", 0},
        {"first_run_date", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"most_recent_run_date", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"last_restart_date", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"rescan_toggled_date", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"bluetooth_cache_error_detected", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"user_warned_about_bluetooth_cache_error", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"clear_bluetooth_cache_date", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"temp_clear_bluetooth_cache_date", platform::Date::dateWithTimeIntervalSince1970(0)},
        {"do_not_show_warning_temp_clear_bluetooth_cache_date",
         platform::Date::dateWithTimeIntervalSince1970(0)},
        {"proximityLockDistance", kMinimumLockDistance},
    });
}

void DeviceLocalSettings::resetDefaults() {
    for (const auto& [key, value] : userDefaults->dictionaryRepresentation())
        userDefaults->removeObjectForKey(key);
    userDefaults->synchronize();
}

void DeviceLocalSettings::storeObject_forKey(const platform::Value& object, const std::string& key) {
    userDefaults->setObject_forKey(object, key);
    userDefaults->synchronize();
}

void DeviceLocalSettings::storeString_forKey(const std::string& string, const std::string& key) {
    storeObject_forKey(string, key);
}

void DeviceLocalSettings::storeNumber_forKey(const platform::Number& number, const std::string& key) {
    storeObject_forKey(number, key);
}

platform::Value DeviceLocalSettings::objectForKey(const std::string& key) const {
    return userDefaults->objectForKey(key);
}

std::optional<std::string> DeviceLocalSettings::stringForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (auto s = value.string()) return *s;
    return std::nullopt;
}

std::optional<platform::Number> DeviceLocalSettings::numberForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (auto n = value.number()) return *n;
    return std::nullopt;
}

bool DeviceLocalSettings::boolForKey(const std::string& key) const {
    auto n = numberForKey(key);
    return n && n->boolValue();
}

int32_t DeviceLocalSettings::codeForKey(const std::string& key) const {
    auto n = numberForKey(key);
    return n ? n->intValue() : 0;
}

void DeviceLocalSettings::storeCode(const std::string& key, int32_t code) {
    storeObject_forKey(platform::Number(static_cast<uint32_t>(code)), key);
}

int64_t DeviceLocalSettings::integerForKey(const std::string& key) const {
    auto n = numberForKey(key);
    return n ? n->longLongValue() : 0;
}

std::optional<platform::Date> DeviceLocalSettings::dateForKey(const std::string& key) const {
    auto value = objectForKey(key);
    if (auto d = value.date()) return *d;
    return std::nullopt;
}

double DeviceLocalSettings::minRssiValue() const {
    return allowCloserDistances() ? kMinimumCloserLockDistance : kMinimumLockDistance;
}

double DeviceLocalSettings::maxRssiValue() const {
    return kMaximumLockDistance;
}

bool DeviceLocalSettings::enableSiriLock() const {
    return boolForKey("ENABLE_SIRI_LOCK");
}
void DeviceLocalSettings::setEnableSiriLock(bool value) {
    storeObject_forKey(value, "ENABLE_SIRI_LOCK");
}

bool DeviceLocalSettings::enableSiriUnlock() const {
    return boolForKey("ENABLE_SIRI_UNLOCK");
}
void DeviceLocalSettings::setEnableSiriUnlock(bool value) {
    storeObject_forKey(value, "ENABLE_SIRI_UNLOCK");
}

bool DeviceLocalSettings::allowCloserDistances() const {
    return boolForKey("allow_closer_distances");
}
void DeviceLocalSettings::setAllowCloserDistances(bool value) {
    storeObject_forKey(value, "allow_closer_distances");
}

bool DeviceLocalSettings::allowLoginOnApproach() const {
    return boolForKey("allow_login_on_approach");
}
void DeviceLocalSettings::setAllowLoginOnApproach(bool value) {
    storeObject_forKey(value, "allow_login_on_approach");
}

bool DeviceLocalSettings::allowLogoutOnWalkAway() const {
    return boolForKey("allow_logout_on_walk_away");
}
void DeviceLocalSettings::setAllowLogoutOnWalkAway(bool value) {
    storeObject_forKey(value, "allow_logout_on_walk_away");
}

bool DeviceLocalSettings::automaticallyUpdate() const {
    return boolForKey("automatically_update");
}
void DeviceLocalSettings::setAutomaticallyUpdate(bool value) {
    storeObject_forKey(value, "automatically_update");
}

bool DeviceLocalSettings::didCloseMainWindowAtLeastOnce() const {
    return boolForKey("didCloseMainWindowAtLeastOnce");
}
void DeviceLocalSettings::setDidCloseMainWindowAtLeastOnce(bool value) {
    storeObject_forKey(value, "didCloseMainWindowAtLeastOnce");
}

bool DeviceLocalSettings::didShowTutorialAtLeastOnce() const {
    return boolForKey("did_show_tutorial");
}
void DeviceLocalSettings::setDidShowTutorialAtLeastOnce(bool value) {
    storeObject_forKey(value, "did_show_tutorial");
}

bool DeviceLocalSettings::didShowWifiUnlockAtLeastOnce() const {
    return boolForKey("did_show_wifi_unlock");
}
void DeviceLocalSettings::setDidShowWifiUnlockAtLeastOnce(bool value) {
    storeObject_forKey(value, "did_show_wifi_unlock");
}

bool DeviceLocalSettings::enableKestruneShortCutsLock() const {
    return boolForKey("enableKestruneShortCutsLock");
}
void DeviceLocalSettings::setEnableKestruneShortCutsLock(bool value) {
    storeObject_forKey(value, "enableKestruneShortCutsLock");
}

bool DeviceLocalSettings::enableKestruneShortCutsSendClipboard() const {
    return boolForKey("enableKestruneShortCutsSendClipboard");
}
void DeviceLocalSettings::setEnableKestruneShortCutsSendClipboard(bool value) {
    storeObject_forKey(value, "enableKestruneShortCutsSendClipboard");
}

bool DeviceLocalSettings::failedToLockMac() const {
    return boolForKey("failedToLockMac");
}
void DeviceLocalSettings::setFailedToLockMac(bool value) {
    storeObject_forKey(value, "failedToLockMac");
}

bool DeviceLocalSettings::failedToUnlockMac() const {
    return boolForKey("failedToUnlockMac");
}
void DeviceLocalSettings::setFailedToUnlockMac(bool value) {
    storeObject_forKey(value, "failedToUnlockMac");
}

bool DeviceLocalSettings::loginOnApproach() const {
    return boolForKey("login_on_approach");
}
void DeviceLocalSettings::setLoginOnApproach(bool value) {
    storeObject_forKey(value, "login_on_approach");
}

bool DeviceLocalSettings::logoutOnDisconnect() const {
    return boolForKey("logout_on_disconnect");
}
void DeviceLocalSettings::setLogoutOnDisconnect(bool value) {
    storeObject_forKey(value, "logout_on_disconnect");
}

bool DeviceLocalSettings::musicPauseOnLogout() const {
    return boolForKey("music_pause_on_logout");
}
void DeviceLocalSettings::setMusicPauseOnLogout(bool value) {
    storeObject_forKey(value, "music_pause_on_logout");
}

bool DeviceLocalSettings::newFaileLoginAttemptDetected() const {
    return boolForKey("new_failed_login_detected");
}
void DeviceLocalSettings::setNewFaileLoginAttemptDetected(bool value) {
    storeObject_forKey(value, "new_failed_login_detected");
}

bool DeviceLocalSettings::proximityLockIsOn() const {
    return boolForKey("proximityLockIsOn");
}
void DeviceLocalSettings::setProximityLockIsOn(bool value) {
    storeObject_forKey(value, "proximityLockIsOn");
}

bool DeviceLocalSettings::startKestruneOnApplicationStart() const {
    return boolForKey("shouldStartOnLogin");
}
void DeviceLocalSettings::setStartKestruneOnApplicationStart(bool value) {
    storeObject_forKey(value, "shouldStartOnLogin");
}

bool DeviceLocalSettings::showMacControlsOnMainScreen() const {
    return boolForKey("showMacControlsOnMainMenu");
}
void DeviceLocalSettings::setShowMacControlsOnMainScreen(bool value) {
    storeObject_forKey(value, "showMacControlsOnMainMenu");
}

bool DeviceLocalSettings::showKestruneProximityOption() const {
    return boolForKey("showProximityLockOnMainMenu");
}
void DeviceLocalSettings::setShowKestruneProximityOption(bool value) {
    storeObject_forKey(value, "showProximityLockOnMainMenu");
}

bool DeviceLocalSettings::showWifiUnlockOnMainScreen() const {
    return boolForKey("showWifiUnlockOnMainMenu");
}
void DeviceLocalSettings::setShowWifiUnlockOnMainScreen(bool value) {
    storeObject_forKey(value, "showWifiUnlockOnMainMenu");
}

bool DeviceLocalSettings::showClipboardManagerOnMainScreen() const {
    return boolForKey("show_clipboard_manager_on_main_screen");
}
void DeviceLocalSettings::setShowClipboardManagerOnMainScreen(bool value) {
    storeObject_forKey(value, "show_clipboard_manager_on_main_screen");
}

bool DeviceLocalSettings::takePhotoAfterEachLogin() const {
    return boolForKey("take_photo_after_each_login");
}
void DeviceLocalSettings::setTakePhotoAfterEachLogin(bool value) {
    storeObject_forKey(value, "take_photo_after_each_login");
}

bool DeviceLocalSettings::takePhotoOnFailedLogin() const {
    return boolForKey("take_photo_on_failed_login");
}
void DeviceLocalSettings::setTakePhotoOnFailedLogin(bool value) {
    storeObject_forKey(value, "take_photo_on_failed_login");
}

bool DeviceLocalSettings::showKestruneIconOnLockedScreen() const {
    return boolForKey("useKestruneIconOnLockedScreen");
}
void DeviceLocalSettings::setShowKestruneIconOnLockedScreen(bool value) {
    storeObject_forKey(value, "useKestruneIconOnLockedScreen");
}

bool DeviceLocalSettings::warnUserOnLoginFailed() const {
    return boolForKey("warnUserOnLoginFailed");
}
void DeviceLocalSettings::setWarnUserOnLoginFailed(bool value) {
    storeObject_forKey(value, "warnUserOnLoginFailed");
}

bool DeviceLocalSettings::didMigrateToApplicationData() const {
    return boolForKey("DID_MIGRATE_TO_APPLICATION_DATA");
}
void DeviceLocalSettings::setDidMigrateToApplicationData(bool value) {
    storeObject_forKey(value, "DID_MIGRATE_TO_APPLICATION_DATA");
}

int32_t DeviceLocalSettings::actionOnLogout() const {
    return codeForKey("action_on_logout");
}
void DeviceLocalSettings::setActionOnLogout(int32_t code) {
    storeCode("action_on_logout", code);
}

int32_t DeviceLocalSettings::authRequest() const {
    return codeForKey("auth_request");
}
void DeviceLocalSettings::setAuthRequest(int32_t code) {
    storeCode("auth_request", code);
}

int32_t DeviceLocalSettings::macSleepScreenUnlockConfirmLogin() const {
    return codeForKey("mac_sleep_screen_unlock_options");
}
void DeviceLocalSettings::setMacSleepScreenUnlockConfirmLogin(int32_t code) {
    storeCode("mac_sleep_screen_unlock_options", code);
}

int32_t DeviceLocalSettings::proximityUnlockVerification() const {
    return codeForKey("proximityUnlockVerification");
}
void DeviceLocalSettings::setProximityUnlockVerification(int32_t code) {
    storeCode("proximityUnlockVerification", code);
}

int32_t DeviceLocalSettings::lastUsedMetric() const {
    return codeForKey("last_used_metric");
}
void DeviceLocalSettings::setLastUsedMetric(int32_t code) {
    storeCode("last_used_metric", code);
}

int64_t DeviceLocalSettings::clearBluetoothFileSize() const {
    return integerForKey("clear_bluetooth_cache_file_size");
}
void DeviceLocalSettings::setClearBluetoothFileSize(int64_t value) {
    storeObject_forKey(platform::Number(static_cast<long long>(value)), "clear_bluetooth_cache_file_size");
}

int64_t DeviceLocalSettings::lastActiveTimestamp() const {
    return integerForKey("last_active_timestamp");
}
void DeviceLocalSettings::setLastActiveTimestamp(int64_t value) {
    storeObject_forKey(platform::Number(static_cast<long long>(value)), "last_active_timestamp");
}

std::optional<platform::Date> DeviceLocalSettings::veryFirstKestruneRunDate() const {
    return dateForKey("first_run_date");
}
void DeviceLocalSettings::setVeryFirstKestruneRunDate(platform::Date date) {
    storeObject_forKey(date, "first_run_date");
}

std::optional<platform::Date> DeviceLocalSettings::mostRecentKestruneRunDate() const {
    return dateForKey("most_recent_run_date");
}
void DeviceLocalSettings::setMostRecentKestruneRunDate(platform::Date date) {
    storeObject_forKey(date, "most_recent_run_date");
}

std::optional<platform::Date> DeviceLocalSettings::lastProgramaticRestartDate() const {
    return dateForKey("last_restart_date");
}
void DeviceLocalSettings::setLastProgramaticRestartDate(platform::Date date) {
    storeObject_forKey(date, "last_restart_date");
}

std::optional<platform::Date> DeviceLocalSettings::rescanToggled() const {
    return dateForKey("rescan_toggled_date");
}
void DeviceLocalSettings::setRescanToggled(platform::Date date) {
    storeObject_forKey(date, "rescan_toggled_date");
}

std::optional<platform::Date> DeviceLocalSettings::bluetoothCacheErrorDetected() const {
    return dateForKey("bluetooth_cache_error_detected");
}
void DeviceLocalSettings::setBluetoothCacheErrorDetected(platform::Date date) {
    storeObject_forKey(date, "bluetooth_cache_error_detected");
}

std::optional<platform::Date> DeviceLocalSettings::userWarnedAboutBluetoothCacheError() const {
    return dateForKey("user_warned_about_bluetooth_cache_error");
}
void DeviceLocalSettings::setUserWarnedAboutBluetoothCacheError(platform::Date date) {
    storeObject_forKey(date, "user_warned_about_bluetooth_cache_error");
}

std::optional<platform::Date> DeviceLocalSettings::clearBluetoothCacheDate() const {
    return dateForKey("clear_bluetooth_cache_date");
}
void DeviceLocalSettings::setClearBluetoothCacheDate(platform::Date date) {
    storeObject_forKey(date, "clear_bluetooth_cache_date");
}

std::optional<platform::Date> DeviceLocalSettings::tempClearBluetoothCacheDate() const {
    return dateForKey("temp_clear_bluetooth_cache_date");
}
void DeviceLocalSettings::setTempClearBluetoothCacheDate(platform::Date date) {
    storeObject_forKey(date, "temp_clear_bluetooth_cache_date");
}

std::optional<platform::Date> DeviceLocalSettings::doNotShowClearCacheWarningDate() const {
    return dateForKey("do_not_show_warning_temp_clear_bluetooth_cache_date");
}
void DeviceLocalSettings::setDoNotShowClearCacheWarningDate(platform::Date date) {
    storeObject_forKey(date, "do_not_show_warning_temp_clear_bluetooth_cache_date");
}

int64_t DeviceLocalSettings::proximityLockDistance() const {
    auto n = numberForKey("proximityLockDistance");
    return n ? n->intValue() : 0;
}

void DeviceLocalSettings::setProximityLockDistance(int64_t distance) {
    storeObject_forKey(platform::Number(static_cast<long long>(distance)), "proximityLockDistance");
}

std::optional<std::string> DeviceLocalSettings::lastUsedLanguage() const {
    return stringForKey("last_used_language");
}

void DeviceLocalSettings::setLastUsedLanguage(const std::string& code) {
    storeObject_forKey(code, "last_used_language");
}

}  // namespace kestrune
