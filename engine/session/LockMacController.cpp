#include "engine/session/LockMacController.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/evidence/CommandLine.h"
#include "engine/evidence/VersionSwitch.h"
#include "engine/session/KeyboardPressSimulator.h"
#include "platform/system/DesktopServices.h"
#include "platform/system/SystemCommands.h"
#include "platform/system/WindowServer.h"

namespace kestrune {

void LockMacController::lockScreen() {
    turnDisplayOff();
    lockScreenCommand();
}

void LockMacController::turnDisplayOff() {
    platform::WindowServer::current()->setDisplayIdleRequest(true);
}

void LockMacController::lockScreenCommand() {
    if (systemIsBelow("10.13"))
        lockScreenFromKeychain();
    else
        KeyboardPressSimulator::executeSleepCommandForHighSierraOrHigher();
}

void LockMacController::lockScreenFromKeychain() {
    platform::DesktopServices::current()->lockScreenFromMenuExtra(kKeychainMenuExtraPath);
}

void LockMacController::screenSaverTest() {
    CommandLine::showScreensaver();
}

int LockMacController::readIntArgumentFromScreensaverDefaultsWithKey(const std::string& key) {
    auto result = platform::SystemCommands::run("/usr/bin/defaults", {"read", "com.apple.screensaver", key});
    // The integer value of the text as a text's intValue reads it: leading blanks, a sign and digits,
    // clamped to the integer's range; 0 when there is none.
    long value = std::strtol(result.output.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

}  // namespace kestrune
