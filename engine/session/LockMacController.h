#pragma once

#include <string>

namespace kestrune {

// Locks the screen and reads the screensaver's settings.
class LockMacController {
public:
    static constexpr const char* kKeychainMenuExtraPath =
        "/Applications/Utilities/Keychain Access.app/Contents/Resources/Keychain.menu";

    // Displays off, then the lock command.
    static void lockScreen();
    static void turnDisplayOff();
    // Below 10.13 the Keychain menu extra's lock action; from 10.13 on Control-Command-Q.
    static void lockScreenCommand();
    static void lockScreenFromKeychain();
    static void screenSaverTest();
    // "defaults read com.apple.screensaver <key>" as an integer; 0 when it is not one.
    static int readIntArgumentFromScreensaverDefaultsWithKey(const std::string& key);
};

}  // namespace kestrune
