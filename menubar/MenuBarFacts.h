#pragma once

#include <cstdint>
#include <memory>

namespace kestrune {

// What the status item, the panel and the settings menu read of the phone link, the updater, trusted
// Wi-Fi, the screensaver, the camera and the login items, and the updater's acts the menu asks for. The
// default asks the real classes; a test installs answers of its own. Main thread.
class MenuBarFacts {
public:
    virtual ~MenuBarFacts() = default;

    // The installed facts, else the real ones.
    static MenuBarFacts& current();
    static void install(std::shared_ptr<MenuBarFacts> facts);

    // Bluetooth and the phone link.
    virtual bool bluetoothIsOn();
    virtual bool bluetoothLESupported();
    virtual bool bluetoothLEIsOn();
    virtual bool isInitializingBLE();
    virtual bool sholdShowCorruptedBluetoothCacheError();
    virtual bool trackingDeviceIsConnected();
    // A scan for phones is running (its 20-second period).
    virtual bool scanningTimerIsActive();

    // Updates of the phone application and of this one.
    virtual bool anyNewVersionAvailable();
    virtual bool newiOSVersion();
    virtual bool newMacVersion();
    virtual int32_t updaterState();
    virtual bool installAfterDownload();
    virtual void setInstallAfterDownload(bool install);
    virtual bool shouldAutomaticallyCheckForUpdates();
    virtual void relaunchIfPossible();
    // A check in the foreground, as the user asked for it.
    virtual void checkForUpdates();

    // Trusted Wi-Fi, the screensaver's lock, the camera and the login items.
    virtual bool safeWifiTurnedOn();
    virtual bool shouldUnlockForSafeWifi();
    virtual bool preconditionsToLockMacOnScreensaverAreSet();
    virtual bool hasVideoDevice();
    virtual bool lastKnownIsLauncOnStartup();
};

}  // namespace kestrune
