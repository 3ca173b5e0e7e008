#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/system/WindowServer.h"

namespace platform {
class RunLoop;
}

namespace kestrune {

// The process-wide source of facts about the Mac's screens and session: whether the lock screen is
// shown, whether the session is locked, whether the screensaver runs, whether all screens sleep,
// whether the Mac is going to sleep, and which displays are attached. It turns the system's
// notifications into these facts and into notifications on the default centre, posted with the monitor
// as sender. Its facts are atomic: the command execution reads them from its worker.
class MacDisplayControl : public std::enable_shared_from_this<MacDisplayControl> {
public:
    static constexpr const char* kLockOnScreenShownNotification = "LockOnScreenShownNotification";
    static constexpr const char* kLockOnScreenHiddenNotification = "LockOnScreenHiddenNotification";
    static constexpr const char* kScreenHasLockedNotification = "ScreenHasLockedNotification";
    static constexpr const char* kScreenHasUnlockedNotification = "ScreenHasUnlockedNotification";
    static constexpr const char* kScreenHasLaunchedNotification = "ScreenHasLaunchedNotification";
    static constexpr const char* kScreenHasStartedNotification = "ScreenHasStartedNotification";
    static constexpr const char* kScreenTurnedOffNotification = "ScreenTurnedOffNotification";
    static constexpr const char* kScreenTurnedOnNotification = "ScreenTurnedOnNotification";
    static constexpr const char* kExternalMonitorPluggedInOrOut = "ExternalMonitorPluggedInOrOut";
    static constexpr const char* kMainScreenHasChanged = "MainScreenHasChanged";
    static constexpr const char* kUserLoggedInAndActiveNotification = "UserLoggedInAndActiveNotification";
    static constexpr const char* kDeviceLockedAndLockOnScreenShownNotification =
        "DeviceLockedAndLockOnScreenShownNotification";

    static MacDisplayControl& shared();
    // Tests: stops the shared monitor and makes the next shared() a new one.
    static void resetSharedForTesting();
    ~MacDisplayControl();

    // Fields.
    bool allScreensTurnedOff() const { return allScreensTurnedOff_; }
    void setAllScreensTurnedOff(bool value) { allScreensTurnedOff_ = value; }
    bool didLockAtLeastOnce() const { return didLockAtLeastOnce_; }
    void setDidLockAtLeastOnce(bool value) { didLockAtLeastOnce_ = value; }
    bool lockOnScreenShownAtLeastOnce() const { return lockOnScreenShownAtLeastOnce_; }
    void setLockOnScreenShownAtLeastOnce(bool value) { lockOnScreenShownAtLeastOnce_ = value; }
    bool lockOnScreenShownNotificationState() const { return lockOnScreenShownNotificationState_; }
    void setLockOnScreenShownNotificationState(bool value) { lockOnScreenShownNotificationState_ = value; }
    bool lockOnScreenShownScreensaverState() const { return lockOnScreenShownScreensaverState_; }
    void setLockOnScreenShownScreensaverState(bool value) { lockOnScreenShownScreensaverState_ = value; }
    bool screensaverIsShown() const { return screensaverIsShown_; }
    void setScreensaverIsShown(bool value) { screensaverIsShown_ = value; }
    bool externalMonitorPluggedIn() const { return externalMonitorPluggedIn_; }
    void setExternalMonitorPluggedIn(bool value) { externalMonitorPluggedIn_ = value; }
    bool macIsCurrentlySleeping() const { return macIsCurrentlySleeping_; }
    std::optional<int64_t> mainScreenID() const;
    void setMainScreenID(std::optional<int64_t> value);

    // Queries.
    bool ifScreenIsLockedOrScreensaverShown();
    bool ifLockOnScreenShown();
    bool ifLockOnScreenShownAndDeviceLocked();
    bool ifUserLoggedInAndActive();
    bool lockOnScreenShownOverScreensaver();
    bool ifAllScreensTurnedOff() const { return allScreensTurnedOff_; }
    bool ifScreenSaverPresent() const { return screensaverIsShown_; }
    bool macIsSleeping() const { return macIsCurrentlySleeping_; }
    bool didNotShowLockScreenAfterLocking() const;
    bool laptopLidIsDownAndNoExternalMonitor();
    bool hasBuiltInDisplay();
    bool hasExternalDisplay();
    size_t numberOfScreensAttached();
    bool hasExternalScreen();
    std::optional<platform::ScreenDescription> focusScreen();
    std::optional<int64_t> focusScreenNumber();
    std::optional<int64_t> mainScreenNumber();
    static std::optional<int64_t> mainNumber(const std::optional<platform::ScreenDescription>& screen);

    // Commands.
    void startTrackingDisplayChanges();
    void stopTrackingDisplayChanges();
    void resetDidShowLockOnScreenAfterLogout();
    void setMacIsCurrentlySleeping();
    void setMacIsCurrentlyNotSleeping();

    // Handlers of the system's notifications and their delayed steps.
    void lockUIIsShown();
    void lockUIIsHidden();
    void screenHasLocked();
    void screenHasUnlocked();
    void screenSaverLaunched();
    void screenSaverStarted();
    void screenSaverStoped();
    void screenTurnedOff();
    void screenTurnedOn();
    void screenNumberChanged();
    void lockUIIsShownAfterDelay();
    void lockUIIsHiddenAfterDelay();
    void screenHasLockedAfterDelay();
    void screenHasUnlockedAfterDelay();
    void screenSaverLaunchedAfterDelay();
    void screenSaverStartedAfterDelay();
    void screenSaverStopedAfterDelay();
    void screenTurnedOffAfterDelay();
    void screenTurnedOnAfterDelay();

    // Checks.
    void checkIfUserLoggedInAndActive();
    void checkIfDeviceLockedAndLockOnScreenShown();
    void checkLockOnScreenShownOverScreensaver();
    void checkIfMainScreenChanged();

    bool isTrackingDisplayChanges() const { return tracking_; }

    MacDisplayControl();

private:
    void init();
    void post(const char* name);
    void schedule(double delay, void (MacDisplayControl::*step)());
    void startMonitoringExternalDisplays();

    std::atomic<bool> allScreensTurnedOff_{false};
    std::atomic<bool> didLockAtLeastOnce_{false};
    std::atomic<bool> lockOnScreenShownAtLeastOnce_{false};
    std::atomic<bool> lockOnScreenShownNotificationState_{false};
    std::atomic<bool> lockOnScreenShownScreensaverState_{false};
    std::atomic<bool> screensaverIsShown_{false};
    std::atomic<bool> externalMonitorPluggedIn_{false};
    std::atomic<bool> macIsCurrentlySleeping_{false};
    mutable std::mutex mainScreenMutex_;
    std::optional<int64_t> mainScreenID_;

    // Tracking: started and stopped on the main thread.
    std::atomic<bool> tracking_{false};
    std::vector<platform::NotificationCenter::Observation> workspaceObservations_;
    std::thread displayThread_;
    platform::RunLoop* displayLoop_ = nullptr;
    std::mutex displayStopMutex_;
    std::condition_variable displayStopSignal_;
    bool displayStopDone_ = false;
    uint64_t reconfigurationRegistration_ = 0;
};

}  // namespace kestrune
