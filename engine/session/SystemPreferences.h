#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// The system settings that decide whether locking by screensaver locks the Mac: whether a password is
// asked when the screensaver starts, and whether it is asked at once. Reading them runs external
// programs, so the answers are cached: the first question of each reads on the calling thread; later
// questions answer the cache and refresh it in the background (every time below 10.13, after 600 s from
// 10.13 on). The cached facts are atomic: background reads write them while the main thread reads.
class SystemPreferences {
public:
    static bool preconditionsToLockMacOnScreensaverAreSet();
    static bool preconditionsToLockMacOnScreensaverAreSetForceUpdate();
    static void forceUpdateCachedValues();
    static bool askForPasswordSet();
    static bool lockDelayIsImmediate();
    static void updateAskForPasswordSet();
    static void updateLockDelayImmediate();
    static bool canReadBothAskForPasswordAndLockDelay();
    static int readAskForPassword();
    static int readScreensaveDelay();
    static bool isSetRequirePasswordToWakeMojave();
    static bool isSetRequirePasswordToWakeAndIntervalZeroForSierra();
    static int32_t readIntArgumentFromScreensaverDefaultsWithKey(const std::string& key);
    static void quitSystemPreferences();
    static void launchSecurityPreferences();
    static void executeAppleScript(const std::string& source);
    static void initalizeIfNeeded();

    // Tests: forget what was read.
    static void resetCacheForTesting();
};

}  // namespace kestrune
