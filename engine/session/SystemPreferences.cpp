#include "engine/session/SystemPreferences.h"

#include <atomic>

#include "app/shell/ThreadHelpers.h"
#include "engine/evidence/CommandLine.h"
#include "engine/evidence/VersionSwitch.h"
#include "engine/session/LockMacController.h"
#include "platform/base/Clock.h"
#include "platform/base/Strings.h"
#include "platform/system/DesktopServices.h"

namespace kestrune {

namespace {

constexpr const char* kRequirePasswordScript =
    "osascript -e 'tell application \"System Events\" to tell security preferences to get require password "
    "to wake'";
constexpr double kRefreshSeconds = 600;

// One cached fact: when it was last read, whether it ever was, and its value.
struct CachedFact {
    std::atomic<double> readTime{0};
    std::atomic<bool> read{false};
    std::atomic<bool> value{false};

    void store(bool answer) {
        readTime = platform::Clock::now();
        value = answer;
        read = true;
    }
    void reset() {
        readTime = 0;
        read = false;
        value = false;
    }
};

CachedFact gAskForPassword;
CachedFact gLockDelayImmediate;

bool cachedAnswer(CachedFact& fact, void (*update)()) {
    SystemPreferences::initalizeIfNeeded();
    if (!fact.read) {
        update();
        return fact.value;
    }
    // The answer is the value cached before this question's refresh, which may finish first.
    const bool answer = fact.value;
    if (systemIsBelow("10.13") || platform::Clock::now() > fact.readTime + kRefreshSeconds)
        runInBackgroundAsync(update);
    return answer;
}

}  // namespace

void SystemPreferences::initalizeIfNeeded() {
    // The cache is static storage, ready before the first question.
}

void SystemPreferences::resetCacheForTesting() {
    gAskForPassword.reset();
    gLockDelayImmediate.reset();
}

bool SystemPreferences::preconditionsToLockMacOnScreensaverAreSet() {
    return lockDelayIsImmediate() && askForPasswordSet();
}

bool SystemPreferences::preconditionsToLockMacOnScreensaverAreSetForceUpdate() {
    forceUpdateCachedValues();
    return preconditionsToLockMacOnScreensaverAreSet();
}

void SystemPreferences::forceUpdateCachedValues() {
    updateLockDelayImmediate();
    updateAskForPasswordSet();
}

bool SystemPreferences::askForPasswordSet() {
    return cachedAnswer(gAskForPassword, &SystemPreferences::updateAskForPasswordSet);
}

bool SystemPreferences::lockDelayIsImmediate() {
    return cachedAnswer(gLockDelayImmediate, &SystemPreferences::updateLockDelayImmediate);
}

void SystemPreferences::updateAskForPasswordSet() {
    gAskForPassword.store(readAskForPassword() == 1);
}

void SystemPreferences::updateLockDelayImmediate() {
    gLockDelayImmediate.store(readScreensaveDelay() == 0);
}

bool SystemPreferences::canReadBothAskForPasswordAndLockDelay() {
    return systemIsBelow("10.14");
}

int SystemPreferences::readAskForPassword() {
    if (!systemIsBelow("10.14")) return isSetRequirePasswordToWakeMojave() ? 1 : 0;
    if (!systemIsBelow("10.13")) return isSetRequirePasswordToWakeAndIntervalZeroForSierra() ? 1 : 0;
    return readIntArgumentFromScreensaverDefaultsWithKey("askForPassword");
}

int SystemPreferences::readScreensaveDelay() {
    if (!systemIsBelow("10.13")) return 0;
    return readIntArgumentFromScreensaverDefaultsWithKey("askForPasswordDelay");
}

bool SystemPreferences::isSetRequirePasswordToWakeMojave() {
    return platform::contains(runShellCommand(kRequirePasswordScript), "true");
}

bool SystemPreferences::isSetRequirePasswordToWakeAndIntervalZeroForSierra() {
    // The scripting answer of 10.13 says the opposite of the setting.
    return platform::contains(runShellCommand(kRequirePasswordScript), "false");
}

int32_t SystemPreferences::readIntArgumentFromScreensaverDefaultsWithKey(const std::string& key) {
    return LockMacController::readIntArgumentFromScreensaverDefaultsWithKey(key);
}

void SystemPreferences::quitSystemPreferences() {
    runShellCommand("osascript -e 'tell application \"System Preferences\" to quit'");
}

void SystemPreferences::launchSecurityPreferences() {
    executeAppleScript(
        "tell application \"System Preferences\"\n     tell anchor \"General\" of pane "
        "\"com.apple.preference.security\" to reveal\n     activate\nend tell\n");
}

void SystemPreferences::executeAppleScript(const std::string& source) {
    runInBackgroundAsync([source] { platform::DesktopServices::current()->executeAppleScript(source); });
}

}  // namespace kestrune
