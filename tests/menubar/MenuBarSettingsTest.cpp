// The settings menu: the whole menu as text for the phone's three states, the unlink item's coming and
// going, the checks that read the settings, the camera, the updater's states, a change of language, and
// every item's report to the navigation delegate.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "app/support/URLOpener.h"
#include "features/updates/KestruneUpdater.h"
#include "menubar/settingsmenu/MenuBarSettings.h"
#include "platform/ui/Application.h"
#include "tests/menubar/MenuBarFixture.h"

namespace kestrune {
namespace {

using platform::Number;

// One line an item: its title, "[x]" when checked, "(off)" when disabled, "+image" with a picture, its
// submenu's items indented under it.
void describe(const ui::Menu& menu, const std::string& indent, std::ostringstream& out) {
    for (const auto& item : menu.itemArray()) {
        if (item->isSeparatorItem()) {
            out << indent << "---\n";
            continue;
        }
        out << indent << item->title();
        if (item->state() == 1) out << " [x]";
        if (!item->isEnabled()) out << " (off)";
        if (item->image()) out << " +" << item->image()->name();
        out << "\n";
        if (item->submenu()) describe(*item->submenu(), indent + "  ", out);
    }
}

std::string describe(const ui::Menu& menu) {
    std::ostringstream out;
    describe(menu, "", out);
    return out.str();
}

class MenuBarSettingsTest : public menubartests::MenuBarTest {
protected:
    void SetUp() override {
        MenuBarTest::SetUp();
        registerImage("update_notification", {12, 12});
        menu = MenuBarSettings::load();
        menu->setNavigationDelegate(navigation);
    }
    std::shared_ptr<MenuBarSettings> menu;
};

// The whole menu with the defaults of the settings; what depends on the phone is given.
std::string golden(const std::string& top, const std::string& sendClipboard, const std::string& phoneUpdate) {
    return top +
           "start_on_mac_startup\n"
           "---\n"
           "kestrune_options\n"
           "  kestrune_options_login_on_approach [x]\n"
           "  kestrune_options_logout_on_walk_away [x]\n"
           "  ---\n"
           "  wake_on_approach_long [x]\n"
           "  logout_on_disconnect\n"
           "logout_action\n"
           "  sleep [x]\n"
           "  screensaver\n"
           "  turn_display_off\n"
           "action_to_confirm_login\n"
           "  mac_sleep_screen_unlock_options (off)\n"
           "  mac_sleep_screen_dont_ask\n"
           "  mac_sleep_screen_ask_yes_no\n"
           "  mac_sleep_screen_ask_touch_id [x]\n"
           "  mac_sleep_screen_double_knock\n"
           "  ---\n"
           "  mac_sleep_screen_tutorial\n"
           "  configure_advanced_unlock_settings_on_iPhone (off)\n"
           "define_safe_zones\n"
           "mac_control\n"
           "  mac_control_options\n"
           "  ---\n"
           "  warn_on_failed_login [x]\n"
           "  take_photo_on_failed_login [x]\n"
           "  take_photo_after_each_login\n"
           "  ---\n"
           "  show_all_failed_logins\n"
           "  show_login_photos\n"
           "  show_manual_snapshots\n"
           "  unlock_history\n"
           "clipboard\n"
           "  send_clipboard_to_ios" +
           sendClipboard +
           "\n"
           "  show_clipboard_menu_on_main_screen [x]\n"
           "  ---\n"
           "  clipboard_info_text\n"
           "advanced_settings\n"
           "  allow_closer_distances_than 1.0m\n"
           "  pause_music_on_logout\n"
           "  enable_lock_shortcuts [x]\n"
           "  enable_clipboard_shortcuts [x]\n"
           "  ---\n"
           "  show_mac_control_on_main_menu [x]\n"
           "  show_wifi_unlock_on_main_menu [x]\n"
           "  ---\n"
           "  mac_notification_settings\n"
           "  clear_bluetooth_cache\n"
           "  trouble_connecting\n"
           "---\n"
           "check_for_updates\n"
           "  check\n"
           "  automatically_update [x]\n"
           "  ---\n"
           "  " +
           phoneUpdate +
           "\n"
           "help\n"
           "  faq\n"
           "  about\n"
           "  feedback\n"
           "  show_tutorial\n"
           "  ---\n"
           "  version  (off)\n"
           "share_kestrune\n"
           "  twitter\n"
           "  facebook\n"
           "---\n"
           "quit_kestrune\n";
}

TEST_F(MenuBarSettingsTest, TheWholeMenuForEachStateOfThePhone) {
    menu->setMobileDevice(nullptr);
    EXPECT_EQ(describe(*menu),
              golden("unlock_automatically_on_approach (off)\n", " (off)", "no_ios_device_connected (off)"));

    menu->setMobileDevice(trackPhone(false));
    EXPECT_EQ(describe(*menu),
              golden("unlink_device Ada's iPhone\n---\nunlock_automatically_on_approach [x]\n", " (off)",
                     "device_not_connected Ada's iPhone (off)"));

    menu->setMobileDevice(trackPhone(true));
    EXPECT_EQ(describe(*menu),
              golden("unlink_device Ada's iPhone\n---\nunlock_automatically_on_approach [x]\n", "",
                     "ios_version_up_to_date (off)"));

    // A newer phone application: the update item leads to it and the heading shows the mark.
    facts->newIOS = true;
    menu->updateView();
    EXPECT_EQ(menu->updateiOSVersion->title(), "new_ios_update_ready");
    EXPECT_TRUE(menu->updateiOSVersion->isEnabled());
    EXPECT_EQ(menu->update->title(), "new_update_ready");
    ASSERT_TRUE(menu->update->image());
    // Once the phone is up to date the mark goes from the item too.
    facts->newIOS = false;
    menu->updateView();
    EXPECT_FALSE(menu->updateiOSVersion->image());
    EXPECT_FALSE(menu->update->image());
}

TEST_F(MenuBarSettingsTest, TheLayoutConnectsAllSixtyItems) {
    using S = MenuBarSettings;
    const std::shared_ptr<ui::MenuItem> S::*items[] = {&S::firstSeparator,
                                                       &S::secondSeparator,
                                                       &S::unlink,
                                                       &S::startAtLogin,
                                                       &S::unlockAfterKeyPressed,
                                                       &S::kestruneOptions,
                                                       &S::kestruneOptionsLoginOnApproach,
                                                       &S::kestruneOptionsLogoutOnWalkAway,
                                                       &S::logoutAction,
                                                       &S::logoutActionSleep,
                                                       &S::logoutActionScreensaver,
                                                       &S::update,
                                                       &S::updatesAction,
                                                       &S::updatesAutomaticUpdates,
                                                       &S::updateSeparator,
                                                       &S::updateiOSVersion,
                                                       &S::actionToConfirmLogin,
                                                       &S::kestruneIsOn,
                                                       &S::macSleepScreenUnlockTitle,
                                                       &S::macSleepScreenUnlockDontAsk,
                                                       &S::macSleepScreenUnlockAskYesNo,
                                                       &S::macSleepScreenUnlockAskTouchId,
                                                       &S::macSleepScreenUnlockAskKnockKnock,
                                                       &S::macSleepScreenUnlockTutorial,
                                                       &S::unlockDefineSafeZones,
                                                       &S::advancedUnlockSettings,
                                                       &S::macControlMenu,
                                                       &S::macControlTutorial,
                                                       &S::warnOnFailedLogin,
                                                       &S::takePhotoOnFailedLogin,
                                                       &S::takePhotoOnEachLogin,
                                                       &S::showAllFailedLoginPhotos,
                                                       &S::showLoginPhotos,
                                                       &S::showManualSnapshots,
                                                       &S::showUnlockHistory,
                                                       &S::showMacControlsOnMainMenu,
                                                       &S::showWifiUnlockOnMainMenu,
                                                       &S::advancedSettings,
                                                       &S::allowSmallerDistances,
                                                       &S::musicPauseOnLogout,
                                                       &S::notificationSettings,
                                                       &S::logoutOnDisconnect,
                                                       &S::enableKestruneShortcutsLock,
                                                       &S::enableKestruneShortcutsClipboard,
                                                       &S::clearBluetoothCache,
                                                       &S::troublePairingDevicesTutorial,
                                                       &S::clipboardMenu,
                                                       &S::sendClipboardFromMacToIos,
                                                       &S::showClipboardMenu,
                                                       &S::clipboardInfo,
                                                       &S::helpMenu,
                                                       &S::help,
                                                       &S::about,
                                                       &S::feedback,
                                                       &S::version,
                                                       &S::shareKestrune,
                                                       &S::shareKestruneTwitter,
                                                       &S::shareKestruneFacebook,
                                                       &S::quitKestrune,
                                                       &S::showTutorial};
    EXPECT_EQ(std::size(items), 60u);
    std::set<ui::MenuItem*> distinct;
    for (auto item : items) {
        ASSERT_TRUE((*menu).*item);
        distinct.insert(((*menu).*item).get());
    }
    EXPECT_EQ(distinct.size(), 60u);
    // Titled in the current language as soon as it is loaded.
    EXPECT_EQ(menu->startAtLogin->title(), "start_on_mac_startup");
}

TEST_F(MenuBarSettingsTest, TheUnlinkItemAndItsSeparatorComeAndGoOnce) {
    auto phone = trackPhone(true);
    menu->setMobileDevice(phone);
    menu->setMobileDevice(phone);
    EXPECT_EQ(menu->indexOfItem(menu->unlink.get()), 0);
    EXPECT_EQ(menu->indexOfItem(menu->firstSeparator.get()), 1);
    const size_t paired = menu->numberOfItems();
    menu->setMobileDevice(nullptr);
    EXPECT_EQ(menu->indexOfItem(menu->unlink.get()), -1);
    EXPECT_EQ(menu->indexOfItem(menu->firstSeparator.get()), -1);
    EXPECT_EQ(menu->numberOfItems(), paired - 2);
    menu->setMobileDevice(phone);
    EXPECT_EQ(menu->indexOfItem(menu->unlink.get()), 0);
    EXPECT_EQ(menu->indexOfItem(menu->firstSeparator.get()), 1);
    EXPECT_EQ(menu->numberOfItems(), paired);
}

TEST_F(MenuBarSettingsTest, ChecksReadTheSettingsAndAMissingRecordReadsNo) {
    auto& local = DeviceLocalSettings::shared();
    local.setActionOnLogout(2);
    local.setMacSleepScreenUnlockConfirmLogin(7);
    local.setMusicPauseOnLogout(true);
    facts->launchAtLogin = true;
    menu->updateView();
    EXPECT_EQ(menu->logoutActionSleep->state(), 0);
    EXPECT_EQ(menu->logoutActionScreensaver->state(), 0);
    for (const auto& item : {menu->macSleepScreenUnlockDontAsk, menu->macSleepScreenUnlockAskYesNo,
                             menu->macSleepScreenUnlockAskTouchId, menu->macSleepScreenUnlockAskKnockKnock})
        EXPECT_EQ(item->state(), 0);
    EXPECT_EQ(menu->musicPauseOnLogout->state(), 1);
    EXPECT_EQ(menu->startAtLogin->state(), 1);
    local.setActionOnLogout(1);
    local.setMacSleepScreenUnlockConfirmLogin(3);
    menu->updateView();
    EXPECT_EQ(menu->logoutActionScreensaver->state(), 1);
    EXPECT_EQ(menu->macSleepScreenUnlockAskKnockKnock->state(), 1);

    // A phone whose settings record is gone reads as not tracked.
    menu->setMobileDevice(trackPhone(true, false));
    EXPECT_EQ(menu->kestruneIsOn->state(), 0);
    EXPECT_TRUE(menu->kestruneIsOn->isEnabled());
}

TEST_F(MenuBarSettingsTest, PhotoItemsNeedACameraAndGetTheirTitlesBackWithOne) {
    auto& local = DeviceLocalSettings::shared();
    local.setTakePhotoAfterEachLogin(true);
    facts->camera = false;
    menu->updateView();
    EXPECT_EQ(menu->takePhotoOnFailedLogin->title(), "take_photo_on_failed_login (not_supported)");
    EXPECT_EQ(menu->takePhotoOnEachLogin->title(), "take_photo_after_each_login (not_supported)");
    for (const auto& item : {menu->takePhotoOnFailedLogin, menu->takePhotoOnEachLogin}) {
        EXPECT_EQ(item->state(), 0);
        EXPECT_FALSE(item->isEnabled());
    }
    facts->camera = true;
    menu->updateView();
    EXPECT_EQ(menu->takePhotoOnFailedLogin->title(), "take_photo_on_failed_login");
    EXPECT_EQ(menu->takePhotoOnEachLogin->title(), "take_photo_after_each_login");
    EXPECT_EQ(menu->takePhotoOnEachLogin->state(), 1);
    EXPECT_TRUE(menu->takePhotoOnEachLogin->isEnabled());
}

TEST_F(MenuBarSettingsTest, TheUpdateItemFollowsTheUpdater) {
    struct Case {
        int32_t state;
        bool newMac, automatic;
        const char* title;
        bool enabled;
        bool actionImage, headingMarked;
    };
    const Case cases[] = {
        {KestruneUpdater::kStateNoUpdate, false, false, "kestrune_up_to_date", false, false, false},
        {KestruneUpdater::kStateNoUpdate, true, false, "check", true, false, false},
        {KestruneUpdater::kStateIdle, false, false, "check", true, false, false},
        {KestruneUpdater::kStateInstallOnQuitCancelled, false, false, "check", true, false, false},
        {KestruneUpdater::kStateChecking, false, false, "checking_for_updates", false, false, false},
        {KestruneUpdater::kStateFoundByUser, false, false, "get_new_version", true, true, false},
        {KestruneUpdater::kStateFoundInBackground, false, true, "downloading_will_relaunch", false, false,
         false},
        {KestruneUpdater::kStateFoundInBackground, false, false, "downloading_relaunch_when_finished", true,
         false, true},
        {KestruneUpdater::kStateReadyToInstallOnQuit, false, false, "relaunch_new_version_ready", true, false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        facts->updater = c.state;
        facts->newMac = c.newMac;
        facts->automaticChecks = c.automatic;
        menu->updateView();
        EXPECT_EQ(menu->updatesAction->title(), c.title);
        EXPECT_EQ(menu->updatesAction->isEnabled(), c.enabled);
        EXPECT_EQ(menu->updatesAction->image() != nullptr, c.actionImage);
        EXPECT_EQ(menu->update->image() != nullptr, c.headingMarked);
        EXPECT_EQ(menu->update->title(), c.headingMarked ? "new_update_ready" : "check_for_updates");
    }

    // Choosing it: while downloading it asks to restart when ready, once ready it restarts, else it checks.
    ui::MenuItem& item = *menu->updatesAction;
    facts->updater = KestruneUpdater::kStateFoundInBackground;
    facts->automaticChecks = false;
    menu->updatesActionToggled(item);
    EXPECT_TRUE(facts->installAfter);
    EXPECT_EQ(item.title(), "downloading_will_relaunch");
    facts->updater = KestruneUpdater::kStateReadyToInstallOnQuit;
    menu->updatesActionToggled(item);
    facts->updater = KestruneUpdater::kStateIdle;
    menu->updatesActionToggled(item);
    EXPECT_EQ(facts->relaunches, 1);
    EXPECT_EQ(facts->checks, 1);
}

TEST_F(MenuBarSettingsTest, AChangeOfLanguageRetitlesAtTheNextRefresh) {
    menu->updateView();
    EXPECT_EQ(menu->startAtLogin->title(), "start_on_mac_startup");
    setLocalizableLanguage("de");
    EXPECT_EQ(menu->help->title(), "faq");
    menu->updateView();
    EXPECT_EQ(menu->startAtLogin->title(), "Beim Anmelden starten");
    EXPECT_EQ(menu->help->title(), "Fragen");
}

TEST_F(MenuBarSettingsTest, EveryItemReportsItsChoice) {
    struct Case {
        std::shared_ptr<ui::MenuItem> MenuBarSettings::*item;
        std::string expected;
    };
    using S = MenuBarSettings;
    const Case cases[] = {
        {&S::unlink, "unlinkDevices"},
        {&S::startAtLogin, "toggleStartKestruneOnLogin"},
        {&S::unlockAfterKeyPressed, "toggleOpenSpaceMode"},
        {&S::kestruneOptionsLoginOnApproach, "toggleAllowLogin"},
        {&S::kestruneOptionsLogoutOnWalkAway, "toggleAllowLogout"},
        {&S::logoutActionSleep, "updateLogoutAction: 0"},
        {&S::logoutActionScreensaver, "updateLogoutAction: 1"},
        {&S::updatesAutomaticUpdates, "toggleUpdateKestruneAutomatically"},
        {&S::updateiOSVersion, "updateiOSVersion"},
        {&S::kestruneIsOn, "toggleProximityLock"},
        {&S::macSleepScreenUnlockDontAsk, "updateMacSleepScreenAuth: 0"},
        {&S::macSleepScreenUnlockAskYesNo, "updateMacSleepScreenAuth: 1"},
        {&S::macSleepScreenUnlockAskTouchId, "updateMacSleepScreenAuth: 2"},
        {&S::macSleepScreenUnlockAskKnockKnock, "updateMacSleepScreenAuth: 3"},
        {&S::macSleepScreenUnlockTutorial, "showMacSleepScreenTutorial"},
        {&S::unlockDefineSafeZones, "showWifiUnlock"},
        {&S::macControlTutorial, "showMacControlTutorial"},
        {&S::warnOnFailedLogin, "toggleWarnUserOnFailedLogin"},
        {&S::takePhotoOnFailedLogin, "toggleTakePhotoOnFailedLogin"},
        {&S::takePhotoOnEachLogin, "togglePhotoAfterEachLogin"},
        {&S::showAllFailedLoginPhotos, "showFailedLogins"},
        {&S::showLoginPhotos, "showLoginPhotos"},
        {&S::showManualSnapshots, "showManualPhotos"},
        {&S::showUnlockHistory, "showUnlockHistory"},
        {&S::showMacControlsOnMainMenu, "toggleShowMacControlOnMainScreen"},
        {&S::showWifiUnlockOnMainMenu, "toggleWifiUnlockOnMainScreen"},
        {&S::allowSmallerDistances, "toggleAllowSmallerDistances"},
        {&S::musicPauseOnLogout, "togglePauseMusicOnLogout"},
        {&S::notificationSettings, "showMacOSNotifications"},
        {&S::logoutOnDisconnect, "toggleLogoutOnDisconnect"},
        {&S::enableKestruneShortcutsLock, "toggleLockShortcut"},
        {&S::enableKestruneShortcutsClipboard, "toggleClipboardShortcut"},
        {&S::clearBluetoothCache, "clearBluetoothCache"},
        {&S::troublePairingDevicesTutorial, "showTroubleConnectingToDeviceTutorial"},
        {&S::sendClipboardFromMacToIos, "sendClipboardToIos"},
        {&S::showClipboardMenu, "toggleClipboardShownOnMainScreen"},
        {&S::clipboardInfo, "showClipboardHowDoesItWork"},
        {&S::quitKestrune, "cleanUpAndQuitKestrune"},
        {&S::showTutorial, "showProximityLockTutorial"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        navigation->clear();
        auto& item = *((*menu).*c.item);
        // Chosen as a click would: the action runs even where the refresh has disabled the item.
        ASSERT_TRUE(item.action());
        item.action()(item);
        EXPECT_EQ(navigation->texts(), std::vector<std::string>{c.expected});
    }
    // The lock action without an item of its own, and a confirmation item with a tag outside 1 to 4.
    navigation->clear();
    auto displayOff = menu->logoutAction->submenu()->itemAtIndex(2);
    displayOff->action()(*displayOff);
    auto stray = ui::MenuItem::create("stray");
    stray->setTag(5);
    menu->sleepScreenUnlockOptionToggled(*stray);
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"updateLogoutAction: 2"});

    // Help, about, sharing and feedback open pages and mail, not the coordinator.
    navigation->clear();
    URLOpener::resetRecordedURLsForTesting();
    for (const auto& item :
         {menu->help, menu->about, menu->shareKestruneTwitter, menu->shareKestruneFacebook, menu->feedback})
        item->action()(*item);
    const auto opened = URLOpener::recordedURLs();
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[4].rfind("mailto:", 0), 0u);
    EXPECT_TRUE(navigation->texts().empty());
}

}  // namespace
}  // namespace kestrune
