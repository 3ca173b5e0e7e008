#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/base/Date.h"

namespace kestrune {

class Device;
class MobileDevice;
class RequestController;

// The neighbours the coordinator talks to but that live in higher folders (features, the menu-bar
// panel, the windows) or that come with the phone link. Each is a small interface; the default of
// each logs what was asked, so the running system works, and says so, before the real one is
// installed. Tests install recording ones.

// Features: history entries, the tracker file, hot keys and update checks.
class FeatureServices {
public:
    virtual ~FeatureServices() = default;
    // LoginTrackerFactory: event 1 started, 2 unlocked, 3 locked, 4 quit.
    virtual void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date, uint32_t trigger,
                                                       bool takePhoto);
    // LoginTrackerController: the tracker-file line for the application's start.
    virtual void applicationOpenedEntry();
    // ShortCutManager: registers the hot keys the settings enable.
    virtual void updateShortcutsEnabled();
    // KestruneUpdater and UpdateController.
    virtual void setShouldAutomaticallyCheckForUpdates(bool automatically);
    virtual void checkForUpdates();
    // FailedLoginFactory: a failed-login entry dated now, with a camera photo when asked.
    virtual void createAndSaveFailedLoginEventTakePhoto(bool takePhoto);
    // SafeWifiManager: the Mac is joined to a trusted network.
    virtual bool isConectedToSafeWifi();
};

// The status item, its panel and the settings page managers.
class MenuBarPanel {
public:
    virtual ~MenuBarPanel() = default;
    virtual void updateViewForTrackingDevice();
    virtual void updateStatusBarIcon();
    virtual void closeMenuBarForced();
    virtual void removeIconFromMenuBar();
    virtual void openMenuBarForDuration(double seconds);
    // updateViewDataIfNeeded of the devices, set-up and updates pages.
    virtual void updateDevicesPage();
    virtual void updateSetupPage();
    virtual void updateUpdatesPage();
};

// The settings window, the wizards and tutorials, the shield over the lock screen and the Dock icon.
class WindowServices {
public:
    virtual ~WindowServices() = default;
    virtual void setupSettingsSplitView();
    virtual void showMainWindow();
    virtual bool mainWindowIsVisible();
    virtual void showBluetoothNotSupportedTutorial();
    virtual void tutorialsDidUpdateBluetoothState();
    virtual void updateMacSleepScreenTutorialIfNeeded();
    virtual void refreshWizardHomeView();
    virtual void updateShieldWindowIfShown();
    virtual void showDockIcon(bool show);
};

// The lock/unlock command controller: the one way the engine locks or unlocks the Mac.
class LockCommandService {
public:
    virtual ~LockCommandService() = default;
    // action: 1 screensaver, 2 display off, otherwise lock.
    virtual void lockScreenFromMobileDevice_action_commandReason(const std::shared_ptr<MobileDevice>& phone,
                                                                 int32_t action, int32_t reason);
    virtual void loginByMobileDevice_withCommandReason(const std::shared_ptr<MobileDevice>& phone,
                                                       int32_t reason);
};

// What the coordinator asks of the phone link's dispatcher.
class PhoneLinkService {
public:
    virtual ~PhoneLinkService() = default;
    virtual void startIntenseScanning();
    virtual void clearTheIgnoreListOfBadConnections();
    virtual void disconnectFromAllDevicesImmediatelly(bool immediately);
    // A notification code for the tracked phone; with the flag a phone out of reach gets a silent push.
    virtual void sendNotification_toMobileDevice_usePushNotificationIfNeeded(
        int32_t code, const std::shared_ptr<MobileDevice>& phone, bool usePush);
    // Tells the phone its connection status.
    virtual void updateCurrentConnectionStatusTo_forMobilDevice_sendRemoteNotificationIfNeeded(
        int32_t status, const std::shared_ptr<MobileDevice>& phone, bool sendRemoteNotification);
    // Forgets every phone and drops every connection.
    virtual void forgetAllDevices();
    virtual void cleanTheIgnoreList();
    // Sends this Mac's session record to the phone.
    virtual void didUpdateSessionInforForCurrentDevice(const std::shared_ptr<Device>& device);
};

// The facts and acts of the machine: the radio, the session, the system's tools and the process.
// The default asks the real classes; tests replace single answers.
class CoordinatorSystem {
public:
    virtual ~CoordinatorSystem() = default;
    virtual bool bluetoothLESupported();
    virtual bool bluetoothIsOn();
    virtual bool bluetoothLEIsOn();
    virtual int32_t bluetoothState();
    virtual bool macIsSleeping();
    virtual int64_t bluetoothCacheFileSize();
    virtual void performCheckAndCacheBluetoothLESupportedInBackground();
    virtual void restartScanningIndicator();
    virtual void migrateIfNeeded();
    virtual void updateModelForVersionUpdateIfNeeded();
    virtual void startTrackingSession();
    virtual void stopTrackingSession();
    virtual void setupLoginItems();
    virtual void checkIfDeviceUnlinkedRemotely();
    virtual bool isDebugOrBetaTester();
    virtual void forceClearBluetoothCache();
    virtual void relaunchAfterDelay(double seconds);
    virtual void terminate();
};

// Everything the coordinator is built with; any member left empty gets its default.
struct CoordinatorServices {
    std::shared_ptr<FeatureServices> features;
    std::shared_ptr<MenuBarPanel> menuBar;
    std::shared_ptr<WindowServices> windows;
    std::shared_ptr<PhoneLinkService> link;
    std::shared_ptr<LockCommandService> commands;
    std::shared_ptr<CoordinatorSystem> system;
    // Makes the phone link at start-up; by default the real request controller on the installed radio.
    // A test that records the link's requests instead makes none, so no radio event reaches the
    // coordinator behind the test's back.
    std::function<std::shared_ptr<RequestController>()> makeRequestController;

    void fillDefaults();
};

}  // namespace kestrune
