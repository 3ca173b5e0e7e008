#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform::ui {
class ViewController;
}

namespace kestrune {

// The one way the status item, the drop-down panel, the settings menu, the settings window's navigation
// and every settings page report what the user chose. None of them changes a setting, opens a screen or
// talks to the phone itself: each holds its delegate weakly and calls one of these operations, always on
// the main thread. The coordinator implements every one.
//
// Sources: 1 the master list of the settings window (replaces the navigation stack), 2 a page or screen
// inside the detail pane (pushes over the current page).
class NavigationDelegate {
public:
    using Controller = std::shared_ptr<platform::ui::ViewController>;
    static constexpr int64_t kSourceMasterList = 1;
    static constexpr int64_t kSourceDetailPane = 2;

    virtual ~NavigationDelegate() = default;

    virtual void showDetailController_source(Controller controller, int64_t source) = 0;
    virtual void showDetailList_source(Controller list, int64_t source) = 0;
    virtual void showDetailList_source_popToRoot(Controller list, int64_t source, bool popToRoot) = 0;
    virtual void showDetailController_source_popToRoot(Controller controller, int64_t source,
                                                       bool popToRoot) = 0;
    virtual void showWifiUnlockOptionForSource(int64_t source) = 0;
    virtual void popViewModelAnimated(bool animated) = 0;
    virtual void sendClipboardToIos() = 0;
    virtual void getClipboardFromIos() = 0;
    virtual void showClipboardHowDoesItWork() = 0;
    virtual void toggleClipboardShownOnMainScreen() = 0;
    virtual void toggleClipboardShortcut() = 0;
    virtual void toggleLockShortcut() = 0;
    virtual void toggleSiriLock() = 0;
    virtual void toggleSiriUnlock() = 0;
    virtual void showTroubleShootInitialConnection() = 0;
    virtual void showTroubleConnectingToDeviceTutorial() = 0;
    virtual void showClearBluetoothCacheTutorial() = 0;
    virtual void showHelpViewAndCheck() = 0;
    virtual void showProximityLockTutorial() = 0;
    virtual void showHelpTranslation() = 0;
    virtual void showMacOSNotifications() = 0;
    virtual void showSiriTutorial() = 0;
    virtual void showTemporaryDisabledInformationWindow() = 0;
    virtual void showEstimatedDistanceDescription() = 0;
    virtual void showMacControlTutorial() = 0;
    virtual void pingTrackingDevice() = 0;
    virtual void userDidSelectTurnBluetoothOn() = 0;
    virtual void userDidTurnBluetoothOn() = 0;
    virtual void showAddNewDeviceView() = 0;
    virtual void showUpdates() = 0;
    virtual void showWifiUnlock() = 0;
    virtual void toggleWifiUnlock() = 0;
    virtual void toggleWifiUnlockOnMainScreen() = 0;
    virtual void showMacSleepScreenTutorial() = 0;
    // The lock distance as an RSSI magnitude.
    virtual void updateTrackingDistance(int32_t distance) = 0;
    virtual void toggleProximityLock() = 0;
    virtual void showAuthRequest() = 0;
    virtual void showMacSleepScreenOverlay() = 0;
    virtual void showOpenSpaceInfo() = 0;
    virtual void showManualPhotosInfo() = 0;
    virtual void showManualPhotos() = 0;
    virtual void showFailedLogins() = 0;
    virtual void showLoginPhotos() = 0;
    virtual void toggleTakePhotoOnFailedLogin() = 0;
    virtual void togglePhotoAfterEachLogin() = 0;
    // The completion runs after the system settings were checked again; it may be empty.
    virtual void updateSecuritySettingsWithCompletion(std::function<void()> completion) = 0;
    virtual void updateAndSyncData() = 0;
    virtual void unlinkDevices() = 0;
    virtual void showRateOnAppStore() = 0;
    virtual void showConfirmProximityUnlockTutorial() = 0;
    virtual void updateiOSVersion() = 0;
    virtual void toggleStartKestruneOnLogin() = 0;
    virtual void showCloseMainWindowTutorial() = 0;
    virtual void closeMainWindow() = 0;
    virtual void toggleUpdateKestruneAutomatically() = 0;
    virtual void toggleAllowLogin() = 0;
    virtual void toggleAllowLogout() = 0;
    virtual void toggleOpenSpaceMode() = 0;
    // Confirmation method: 0 none, 1 yes or no on the phone, 2 Touch ID, 3 double knock.
    virtual void updateMacSleepScreenAuth(int32_t method) = 0;
    virtual void updateProximityUnlockVerification(int32_t method) = 0;
    virtual void toggleProximityUnlockVerification() = 0;
    virtual void addKestruneToAccessilibityToUnlockMac() = 0;
    virtual void togglePauseMusicOnLogout() = 0;
    virtual void toggleAllowSmallerDistances() = 0;
    virtual void toggleWarnUserOnFailedLogin() = 0;
    virtual void showUnlockHistory() = 0;
    virtual void toggleShowMacControlOnMainScreen() = 0;
    virtual void toggleShowProximityLockOnMainScreen() = 0;
    virtual void showTouchIdTutorial() = 0;
    virtual void showYesNoTutorial() = 0;
    virtual void showKnockKnockTutorial() = 0;
    virtual void toggleShowMainView() = 0;
    virtual void toggleHelp() = 0;
    virtual void sleepToggled() = 0;
    virtual void temporaryDisabledToggled() = 0;
    virtual void userDidToggleCheckForUpdates() = 0;
    virtual void clearBluetoothCache() = 0;
    virtual void detectedCorruptedBluetoothCache() = 0;
    virtual void toggleLogoutOnDisconnect() = 0;
    virtual void cleanUpAndQuitKestrune() = 0;
    // 1 screensaver, 2 display off, any other value lock.
    virtual void updateLogoutAction(int32_t action) = 0;
    virtual void toggleRescan() = 0;
};

}  // namespace kestrune
