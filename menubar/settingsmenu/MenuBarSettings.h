#pragma once

#include <cstdint>
#include <memory>

#include "engine/coordinator/MenuBarSettingsDelegate.h"
#include "engine/coordinator/NavigationDelegate.h"
#include "platform/ui/Menu.h"

namespace kestrune {

namespace ui = platform::ui;

class MobileDevice;

// The settings menu behind the panel's settings button: most settings as check items, most screens as
// plain items. It reads every check from the Mac's settings, the tracked phone's record and the updater,
// and changes nothing itself: each item hands the choice to the navigation delegate, the web links, the
// e-mail composer or the updater. It is brought up to date each time before it shows.
class MenuBarSettings : public ui::Menu {
public:
    static constexpr int kStateOff = 0;
    static constexpr int kStateOn = 1;

    // An empty menu; its layout fills it.
    static std::shared_ptr<MenuBarSettings> create();
    // The menu made by its layout.
    static std::shared_ptr<MenuBarSettings> load();
    // Titled in the current language as soon as its layout is loaded.
    void awakeFromNib() override;

    std::shared_ptr<NavigationDelegate> navigationDelegate() const { return navigationDelegate_.lock(); }
    void setNavigationDelegate(std::weak_ptr<NavigationDelegate> delegate) {
        navigationDelegate_ = std::move(delegate);
    }
    std::shared_ptr<MenuBarSettingsDelegate> menuBarDelegate() const { return menuBarDelegate_.lock(); }
    void setMenuBarDelegate(std::weak_ptr<MenuBarSettingsDelegate> delegate) {
        menuBarDelegate_ = std::move(delegate);
    }
    const std::shared_ptr<MobileDevice>& mobileDevice() const { return mobileDevice_; }
    // Stores the tracked phone (none when no phone is paired) and brings the menu up to date.
    void setMobileDevice(std::shared_ptr<MobileDevice> phone);

    // Every title, check, enabled state and image.
    void updateView();
    // The fixed titles in the current interface language.
    void updateLoacalizables();
    void updateSmallerDistancesText();
    static int stateForBool(bool value) { return value ? kStateOn : kStateOff; }

    // Item actions, each with the item chosen. Three whose items share their names end in "Selected".
    void unlinkToggled(ui::MenuItem& sender);
    void startAtLoginToggled(ui::MenuItem& sender);
    void loginOnApproachToggled(ui::MenuItem& sender);
    void loginOnApproachPressed(ui::MenuItem& sender);
    void logoutOnWalkAway(ui::MenuItem& sender);
    void logoutActionSleepSelected(ui::MenuItem& sender);
    void logoutActionScreensaverSelected(ui::MenuItem& sender);
    void logoutActionTurnDisplayOffSelected(ui::MenuItem& sender);
    void updatesActionToggled(ui::MenuItem& sender);
    void updatesAutomatically(ui::MenuItem& sender);
    void updateiOSVersionSelected(ui::MenuItem& sender);
    void kestruneToggled(ui::MenuItem& sender);
    // The item's tag less one is the confirmation method (tags 1 to 4).
    void sleepScreenUnlockOptionToggled(ui::MenuItem& sender);
    void showMacSleeScreenUnlockTutorial(ui::MenuItem& sender);
    void defineSafeZonesToggled(ui::MenuItem& sender);
    void macControlTutorialToggled(ui::MenuItem& sender);
    void warnOnFailedLoginSelected(ui::MenuItem& sender);
    void takePhotoOnFailedLogins(ui::MenuItem& sender);
    void takePhotoAfterEachLogin(ui::MenuItem& sender);
    void showAllFailedLongins(ui::MenuItem& sender);
    void showLoginPhotosToggled(ui::MenuItem& sender);
    void showManualSnapshotsToggled(ui::MenuItem& sender);
    void unlockHistoryToggled(ui::MenuItem& sender);
    void showMacControlsOnMainMenuToggled(ui::MenuItem& sender);
    void showWifiUnlockOnMainMenuToggled(ui::MenuItem& sender);
    void smallerDistancesPressed(ui::MenuItem& sender);
    void musicPauseOnLogoutPressed(ui::MenuItem& sender);
    void notificationSettingsToggled(ui::MenuItem& sender);
    void logoutOnDisconnectToggled(ui::MenuItem& sender);
    void enableKestruneShortcutsLockPressed(ui::MenuItem& sender);
    void enableKestruneShortcutsClipboardPressed(ui::MenuItem& sender);
    void clearBluetoothCacheToggled(ui::MenuItem& sender);
    void troublePairingDevicesToggled(ui::MenuItem& sender);
    void sendClipboardToIosToggled(ui::MenuItem& sender);
    void showClipboardManagerToggled(ui::MenuItem& sender);
    void clipboardInfoToggled(ui::MenuItem& sender);
    void helpToggled(ui::MenuItem& sender);
    void aboutToggled(ui::MenuItem& sender);
    void feedbackToggled(ui::MenuItem& sender);
    void shareTwitter(ui::MenuItem& sender);
    void shareFacebook(ui::MenuItem& sender);
    void quitKestruneToggled(ui::MenuItem& sender);
    void showTutorialSelected(ui::MenuItem& sender);

    // Items (outlets), in their declaration order.
    std::shared_ptr<ui::MenuItem> firstSeparator, secondSeparator, unlink, startAtLogin,
        unlockAfterKeyPressed, kestruneOptions, kestruneOptionsLoginOnApproach,
        kestruneOptionsLogoutOnWalkAway, logoutAction, logoutActionSleep, logoutActionScreensaver, update,
        updatesAction, updatesAutomaticUpdates, updateSeparator, updateiOSVersion, actionToConfirmLogin,
        kestruneIsOn, macSleepScreenUnlockTitle, macSleepScreenUnlockDontAsk, macSleepScreenUnlockAskYesNo,
        macSleepScreenUnlockAskTouchId, macSleepScreenUnlockAskKnockKnock, macSleepScreenUnlockTutorial,
        unlockDefineSafeZones, advancedUnlockSettings, macControlMenu, macControlTutorial, warnOnFailedLogin,
        takePhotoOnFailedLogin, takePhotoOnEachLogin, showAllFailedLoginPhotos, showLoginPhotos,
        showManualSnapshots, showUnlockHistory, showMacControlsOnMainMenu, showWifiUnlockOnMainMenu,
        advancedSettings, allowSmallerDistances, musicPauseOnLogout, notificationSettings, logoutOnDisconnect,
        enableKestruneShortcutsLock, enableKestruneShortcutsClipboard, clearBluetoothCache,
        troublePairingDevicesTutorial, clipboardMenu, sendClipboardFromMacToIos, showClipboardMenu,
        clipboardInfo, helpMenu, help, about, feedback, version, shareKestrune, shareKestruneTwitter,
        shareKestruneFacebook, quitKestrune, showTutorial;

private:
    void navigate(void (NavigationDelegate::*operation)());
    void updatePhoneItems();
    void updateLocalSettingItems();
    void updatePhotoItems();
    void updateUpdaterItems();

    std::weak_ptr<NavigationDelegate> navigationDelegate_;
    std::weak_ptr<MenuBarSettingsDelegate> menuBarDelegate_;
    std::shared_ptr<MobileDevice> mobileDevice_;
};

}  // namespace kestrune
