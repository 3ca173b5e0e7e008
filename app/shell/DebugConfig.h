#pragma once

namespace kestrune {

// The build's configuration switch. The product build is neither a debug nor a beta-tester build, so
// what these gate (forced Bluetooth-cache clearing on power-off, a tutorial shown every time) never
// happens in it.
class DebugConfig {
public:
    static bool isDebug() { return false; }
    static bool isBetaTester() { return false; }
    static bool isDebugOrBetaTester() { return isDebug() || isBetaTester(); }
};

// A hook on the protection of the user-defaults file. The file can only be locked away on a locked
// handheld device, which this is not, so the hook never changes anything.
class NSUserDefaultsProtection {
public:
    static bool deviceIsLocked() { return false; }
    static void makeUserDefaultsNoProtection() {}
    static void setUserDefaultsFileProtectionToNoneIfNeeded() {
        if (deviceIsLocked()) makeUserDefaultsNoProtection();
    }
};

}  // namespace kestrune
