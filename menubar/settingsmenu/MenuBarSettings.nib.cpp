// The settings menu: the phone's switch and the everyday settings at the top, the rest in submenus under
// their headings, updates, help and sharing below, quitting last. While a phone is paired its unlink item
// and a separator stand first.

#include "menubar/settingsmenu/MenuBarSettings.h"
#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"

namespace kestrune {

namespace {

using MenuAction = void (MenuBarSettings::*)(ui::MenuItem&);

class Builder {
public:
    explicit Builder(const std::shared_ptr<MenuBarSettings>& menu) : menu_(menu) {}

    // An item calling the menu's action (none: an information line or a heading).
    std::shared_ptr<ui::MenuItem> item(MenuAction action = nullptr, int tag = 0) {
        ui::MenuItem::Action run;
        if (action) {
            std::weak_ptr<MenuBarSettings> weak = menu_;
            run = [weak, action](ui::MenuItem& sender) {
                if (auto menu = weak.lock()) ((*menu).*action)(sender);
            };
        }
        auto made = ui::MenuItem::create("", std::move(run));
        made->setTag(tag);
        return made;
    }
    // A heading whose items sit in its submenu.
    std::shared_ptr<ui::MenuItem> heading(const std::vector<std::shared_ptr<ui::MenuItem>>& items) {
        auto head = item();
        auto submenu = ui::Menu::create();
        submenu->setAutoenablesItems(false);
        for (const auto& i : items) submenu->addItem(i);
        head->setSubmenu(submenu);
        return head;
    }
    // A line that only informs.
    std::shared_ptr<ui::MenuItem> line() {
        auto made = item();
        made->setEnabled(false);
        return made;
    }

private:
    std::shared_ptr<MenuBarSettings> menu_;
};

}  // namespace

extern const ui::NibRegistry::Registration kMenuBarSettingsLayout;
const ui::NibRegistry::Registration kMenuBarSettingsLayout("MenuBarSettings", [](ui::NibLoader& nib) {
    auto m = nib.make<MenuBarSettings>();
    nib.addTopLevel(m);
    m->setAutoenablesItems(false);
    Builder b(m);
    using S = MenuBarSettings;
    auto separator = [] { return ui::MenuItem::separatorItem(); };

    m->firstSeparator = separator();
    m->secondSeparator = separator();
    m->unlink = b.item(&S::unlinkToggled);
    m->startAtLogin = b.item(&S::startAtLoginToggled);
    m->unlockAfterKeyPressed = b.item(&S::loginOnApproachToggled);
    m->kestruneOptionsLoginOnApproach = b.item(&S::loginOnApproachPressed);
    m->kestruneOptionsLogoutOnWalkAway = b.item(&S::logoutOnWalkAway);
    m->logoutOnDisconnect = b.item(&S::logoutOnDisconnectToggled);
    m->kestruneOptions = b.heading({m->kestruneOptionsLoginOnApproach, m->kestruneOptionsLogoutOnWalkAway,
                                    separator(), m->unlockAfterKeyPressed, m->logoutOnDisconnect});
    m->logoutActionSleep = b.item(&S::logoutActionSleepSelected);
    m->logoutActionScreensaver = b.item(&S::logoutActionScreensaverSelected);
    // The third lock action has no outlet: titled once here, it never shows a check.
    auto displayOff = b.item(&S::logoutActionTurnDisplayOffSelected);
    displayOff->setTitle(localizable("turn_display_off"));
    m->logoutAction = b.heading({m->logoutActionSleep, m->logoutActionScreensaver, displayOff});

    m->kestruneIsOn = b.item(&S::kestruneToggled);
    m->macSleepScreenUnlockTitle = b.line();
    m->macSleepScreenUnlockDontAsk = b.item(&S::sleepScreenUnlockOptionToggled, 1);
    m->macSleepScreenUnlockAskYesNo = b.item(&S::sleepScreenUnlockOptionToggled, 2);
    m->macSleepScreenUnlockAskTouchId = b.item(&S::sleepScreenUnlockOptionToggled, 3);
    m->macSleepScreenUnlockAskKnockKnock = b.item(&S::sleepScreenUnlockOptionToggled, 4);
    m->macSleepScreenUnlockTutorial = b.item(&S::showMacSleeScreenUnlockTutorial);
    m->advancedUnlockSettings = b.line();
    m->actionToConfirmLogin = b.heading({m->macSleepScreenUnlockTitle, m->macSleepScreenUnlockDontAsk,
                                         m->macSleepScreenUnlockAskYesNo, m->macSleepScreenUnlockAskTouchId,
                                         m->macSleepScreenUnlockAskKnockKnock, separator(),
                                         m->macSleepScreenUnlockTutorial, m->advancedUnlockSettings});
    m->unlockDefineSafeZones = b.item(&S::defineSafeZonesToggled);

    m->macControlTutorial = b.item(&S::macControlTutorialToggled);
    m->warnOnFailedLogin = b.item(&S::warnOnFailedLoginSelected);
    m->takePhotoOnFailedLogin = b.item(&S::takePhotoOnFailedLogins);
    m->takePhotoOnEachLogin = b.item(&S::takePhotoAfterEachLogin);
    m->showAllFailedLoginPhotos = b.item(&S::showAllFailedLongins);
    m->showLoginPhotos = b.item(&S::showLoginPhotosToggled);
    m->showManualSnapshots = b.item(&S::showManualSnapshotsToggled);
    m->showUnlockHistory = b.item(&S::unlockHistoryToggled);
    m->macControlMenu =
        b.heading({m->macControlTutorial, separator(), m->warnOnFailedLogin, m->takePhotoOnFailedLogin,
                   m->takePhotoOnEachLogin, separator(), m->showAllFailedLoginPhotos, m->showLoginPhotos,
                   m->showManualSnapshots, m->showUnlockHistory});

    m->sendClipboardFromMacToIos = b.item(&S::sendClipboardToIosToggled);
    m->showClipboardMenu = b.item(&S::showClipboardManagerToggled);
    m->clipboardInfo = b.item(&S::clipboardInfoToggled);
    m->clipboardMenu =
        b.heading({m->sendClipboardFromMacToIos, m->showClipboardMenu, separator(), m->clipboardInfo});

    m->allowSmallerDistances = b.item(&S::smallerDistancesPressed);
    m->musicPauseOnLogout = b.item(&S::musicPauseOnLogoutPressed);
    m->enableKestruneShortcutsLock = b.item(&S::enableKestruneShortcutsLockPressed);
    m->enableKestruneShortcutsClipboard = b.item(&S::enableKestruneShortcutsClipboardPressed);
    m->showMacControlsOnMainMenu = b.item(&S::showMacControlsOnMainMenuToggled);
    m->showWifiUnlockOnMainMenu = b.item(&S::showWifiUnlockOnMainMenuToggled);
    m->notificationSettings = b.item(&S::notificationSettingsToggled);
    m->clearBluetoothCache = b.item(&S::clearBluetoothCacheToggled);
    m->troublePairingDevicesTutorial = b.item(&S::troublePairingDevicesToggled);
    m->advancedSettings =
        b.heading({m->allowSmallerDistances, m->musicPauseOnLogout, m->enableKestruneShortcutsLock,
                   m->enableKestruneShortcutsClipboard, separator(), m->showMacControlsOnMainMenu,
                   m->showWifiUnlockOnMainMenu, separator(), m->notificationSettings, m->clearBluetoothCache,
                   m->troublePairingDevicesTutorial});

    m->updatesAction = b.item(&S::updatesActionToggled);
    m->updatesAutomaticUpdates = b.item(&S::updatesAutomatically);
    m->updateSeparator = separator();
    m->updateiOSVersion = b.item(&S::updateiOSVersionSelected);
    m->update =
        b.heading({m->updatesAction, m->updatesAutomaticUpdates, m->updateSeparator, m->updateiOSVersion});

    m->help = b.item(&S::helpToggled);
    m->about = b.item(&S::aboutToggled);
    m->feedback = b.item(&S::feedbackToggled);
    m->showTutorial = b.item(&S::showTutorialSelected);
    m->version = b.line();
    m->helpMenu = b.heading({m->help, m->about, m->feedback, m->showTutorial, separator(), m->version});

    m->shareKestruneTwitter = b.item(&S::shareTwitter);
    m->shareKestruneFacebook = b.item(&S::shareFacebook);
    m->shareKestrune = b.heading({m->shareKestruneTwitter, m->shareKestruneFacebook});
    m->quitKestrune = b.item(&S::quitKestruneToggled);

    for (const auto& top : {m->kestruneIsOn, m->startAtLogin, m->secondSeparator, m->kestruneOptions,
                            m->logoutAction, m->actionToConfirmLogin, m->unlockDefineSafeZones,
                            m->macControlMenu, m->clipboardMenu, m->advancedSettings, separator(), m->update,
                            m->helpMenu, m->shareKestrune, separator(), m->quitKestrune})
        m->addItem(top);
});

}  // namespace kestrune
