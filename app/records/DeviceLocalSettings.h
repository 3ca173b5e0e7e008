#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Value.h"

namespace platform {
class UserDefaults;
}

namespace kestrune {

// The settings that belong to this Mac alone: the user's choices, first-run and restart bookkeeping,
// the Bluetooth-cache repair dates. Each is a typed pair of operations over one key of the user
// defaults, with a registered default; every write reaches the disk before the setter returns. A clean
// run keeps them in the separate suite "CleanRun", emptied at start.
class DeviceLocalSettings {
public:
    static DeviceLocalSettings& shared();

    // The store every accessor uses.
    std::shared_ptr<platform::UserDefaults> userDefaults;

    void setDefaultValues();
    void resetDefaults();
    void storeObject_forKey(const platform::Value& object, const std::string& key);
    void storeString_forKey(const std::string& string, const std::string& key);
    void storeNumber_forKey(const platform::Number& number, const std::string& key);
    platform::Value objectForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<platform::Number> numberForKey(const std::string& key) const;

    // The smallest lock distance the user may choose (45 with closer distances allowed, else 60) and
    // the largest (90).
    double minRssiValue() const;
    double maxRssiValue() const;

    // Switches (absent: NO).
    bool enableSiriLock() const;
    void setEnableSiriLock(bool value);
    bool enableSiriUnlock() const;
    void setEnableSiriUnlock(bool value);
    bool allowCloserDistances() const;
    void setAllowCloserDistances(bool value);
    bool allowLoginOnApproach() const;
    void setAllowLoginOnApproach(bool value);
    bool allowLogoutOnWalkAway() const;
    void setAllowLogoutOnWalkAway(bool value);
    bool automaticallyUpdate() const;
    void setAutomaticallyUpdate(bool value);
    bool didCloseMainWindowAtLeastOnce() const;
    void setDidCloseMainWindowAtLeastOnce(bool value);
    bool didShowTutorialAtLeastOnce() const;
    void setDidShowTutorialAtLeastOnce(bool value);
    bool didShowWifiUnlockAtLeastOnce() const;
    void setDidShowWifiUnlockAtLeastOnce(bool value);
    bool enableKestruneShortCutsLock() const;
    void setEnableKestruneShortCutsLock(bool value);
    bool enableKestruneShortCutsSendClipboard() const;
    void setEnableKestruneShortCutsSendClipboard(bool value);
    bool failedToLockMac() const;
    void setFailedToLockMac(bool value);
    bool failedToUnlockMac() const;
    void setFailedToUnlockMac(bool value);
    bool loginOnApproach() const;
    void setLoginOnApproach(bool value);
    bool logoutOnDisconnect() const;
    void setLogoutOnDisconnect(bool value);
    bool musicPauseOnLogout() const;
    void setMusicPauseOnLogout(bool value);
    bool newFaileLoginAttemptDetected() const;
    void setNewFaileLoginAttemptDetected(bool value);
    bool proximityLockIsOn() const;
    void setProximityLockIsOn(bool value);
    bool startKestruneOnApplicationStart() const;
    void setStartKestruneOnApplicationStart(bool value);
    bool showMacControlsOnMainScreen() const;
    void setShowMacControlsOnMainScreen(bool value);
    bool showKestruneProximityOption() const;
    void setShowKestruneProximityOption(bool value);
    bool showWifiUnlockOnMainScreen() const;
    void setShowWifiUnlockOnMainScreen(bool value);
    bool showClipboardManagerOnMainScreen() const;
    void setShowClipboardManagerOnMainScreen(bool value);
    bool takePhotoAfterEachLogin() const;
    void setTakePhotoAfterEachLogin(bool value);
    bool takePhotoOnFailedLogin() const;
    void setTakePhotoOnFailedLogin(bool value);
    bool showKestruneIconOnLockedScreen() const;
    void setShowKestruneIconOnLockedScreen(bool value);
    bool warnUserOnLoginFailed() const;
    void setWarnUserOnLoginFailed(bool value);
    bool didMigrateToApplicationData() const;
    void setDidMigrateToApplicationData(bool value);

    // Choice codes: stored as the same 32 bits unsigned, read back signed, so every code round-trips.
    int32_t actionOnLogout() const;
    void setActionOnLogout(int32_t code);
    int32_t authRequest() const;
    void setAuthRequest(int32_t code);
    int32_t macSleepScreenUnlockConfirmLogin() const;
    void setMacSleepScreenUnlockConfirmLogin(int32_t code);
    int32_t proximityUnlockVerification() const;
    void setProximityUnlockVerification(int32_t code);
    int32_t lastUsedMetric() const;
    void setLastUsedMetric(int32_t code);

    // Integers.
    int64_t clearBluetoothFileSize() const;
    void setClearBluetoothFileSize(int64_t value);
    int64_t lastActiveTimestamp() const;
    void setLastActiveTimestamp(int64_t value);

    // Dates (registered as 1 January 1970, which callers treat as long past).
    std::optional<platform::Date> veryFirstKestruneRunDate() const;
    void setVeryFirstKestruneRunDate(platform::Date date);
    std::optional<platform::Date> mostRecentKestruneRunDate() const;
    void setMostRecentKestruneRunDate(platform::Date date);
    std::optional<platform::Date> lastProgramaticRestartDate() const;
    void setLastProgramaticRestartDate(platform::Date date);
    std::optional<platform::Date> rescanToggled() const;
    void setRescanToggled(platform::Date date);
    std::optional<platform::Date> bluetoothCacheErrorDetected() const;
    void setBluetoothCacheErrorDetected(platform::Date date);
    std::optional<platform::Date> userWarnedAboutBluetoothCacheError() const;
    void setUserWarnedAboutBluetoothCacheError(platform::Date date);
    std::optional<platform::Date> clearBluetoothCacheDate() const;
    void setClearBluetoothCacheDate(platform::Date date);
    std::optional<platform::Date> tempClearBluetoothCacheDate() const;
    void setTempClearBluetoothCacheDate(platform::Date date);
    std::optional<platform::Date> doNotShowClearCacheWarningDate() const;
    void setDoNotShowClearCacheWarningDate(platform::Date date);

    // The lock distance as a signal-strength magnitude (registered as 60.0; read through 32 bits).
    int64_t proximityLockDistance() const;
    void setProximityLockDistance(int64_t distance);

    // The interface language in use (absent until the language service stores it).
    std::optional<std::string> lastUsedLanguage() const;
    void setLastUsedLanguage(const std::string& code);

    // Tests: forget the shared instance so that the next shared() chooses its store again.
    static void resetSharedForTesting();

private:
    DeviceLocalSettings();
    bool boolForKey(const std::string& key) const;
    int32_t codeForKey(const std::string& key) const;
    void storeCode(const std::string& key, int32_t code);
    int64_t integerForKey(const std::string& key) const;
    std::optional<platform::Date> dateForKey(const std::string& key) const;
};

}  // namespace kestrune
