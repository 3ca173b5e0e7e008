#include "menubar/settingsmenu/MenuBarSettings.h"

#include <string>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "engine/deciders/RssiToDistance.h"
#include "features/language/TextFormat.h"
#include "features/sharing/EmailComposer.h"
#include "features/updates/KestruneUpdater.h"
#include "menubar/MenuBarFacts.h"
#include "platform/ui/Image.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kMenuBarSettingsLayout;

namespace {

bool numberIsOn(const std::optional<platform::Number>& number) {
    return number && number->boolValue();
}

bool phoneIsConnected(const MobileDevice& phone) {
    return phone.mobileDeviceConnectionInfo() &&
           numberIsOn(phone.mobileDeviceConnectionInfo()->isConnected());
}

std::string nameOf(const MobileDevice& phone) {
    if (phone.mobileDeviceInfo() && phone.mobileDeviceInfo()->deviceName())
        return *phone.mobileDeviceInfo()->deviceName();
    return "";
}

void titleItem(const std::shared_ptr<ui::MenuItem>& item, const std::string& title) {
    if (item) item->setTitle(title);
}
void checkItem(const std::shared_ptr<ui::MenuItem>& item, bool on) {
    if (item) item->setState(MenuBarSettings::stateForBool(on));
}
void enableItem(const std::shared_ptr<ui::MenuItem>& item, bool enabled) {
    if (item) item->setEnabled(enabled);
}
void imageItem(const std::shared_ptr<ui::MenuItem>& item, const char* name) {
    if (item) item->setImage(name ? ui::Image::imageNamed(name) : nullptr);
}

}  // namespace

std::shared_ptr<MenuBarSettings> MenuBarSettings::create() {
    return std::make_shared<MenuBarSettings>();
}

std::shared_ptr<MenuBarSettings> MenuBarSettings::load() {
    return ui::Nib::loadFirst<MenuBarSettings>(kMenuBarSettingsLayout.name, nullptr);
}

void MenuBarSettings::awakeFromNib() {
    updateLoacalizables();
}

void MenuBarSettings::setMobileDevice(std::shared_ptr<MobileDevice> phone) {
    mobileDevice_ = std::move(phone);
    updateView();
}

void MenuBarSettings::updateLoacalizables() {
    const std::pair<std::shared_ptr<ui::MenuItem>*, const char*> fixed[] = {
        {&startAtLogin, "start_on_mac_startup"},
        {&unlockAfterKeyPressed, "wake_on_approach_long"},
        {&kestruneOptions, "kestrune_options"},
        {&kestruneOptionsLoginOnApproach, "kestrune_options_login_on_approach"},
        {&kestruneOptionsLogoutOnWalkAway, "kestrune_options_logout_on_walk_away"},
        {&logoutAction, "logout_action"},
        {&logoutActionSleep, "sleep"},
        {&logoutActionScreensaver, "screensaver"},
        {&updatesAutomaticUpdates, "automatically_update"},
        {&actionToConfirmLogin, "action_to_confirm_login"},
        {&kestruneIsOn, "unlock_automatically_on_approach"},
        {&macSleepScreenUnlockTitle, "mac_sleep_screen_unlock_options"},
        {&macSleepScreenUnlockDontAsk, "mac_sleep_screen_dont_ask"},
        {&macSleepScreenUnlockAskYesNo, "mac_sleep_screen_ask_yes_no"},
        {&macSleepScreenUnlockAskTouchId, "mac_sleep_screen_ask_touch_id"},
        {&macSleepScreenUnlockAskKnockKnock, "mac_sleep_screen_double_knock"},
        {&macSleepScreenUnlockTutorial, "mac_sleep_screen_tutorial"},
        {&unlockDefineSafeZones, "define_safe_zones"},
        {&advancedUnlockSettings, "configure_advanced_unlock_settings_on_iPhone"},
        {&macControlMenu, "mac_control"},
        {&macControlTutorial, "mac_control_options"},
        {&warnOnFailedLogin, "warn_on_failed_login"},
        {&takePhotoOnFailedLogin, "take_photo_on_failed_login"},
        {&takePhotoOnEachLogin, "take_photo_after_each_login"},
        {&showAllFailedLoginPhotos, "show_all_failed_logins"},
        {&showLoginPhotos, "show_login_photos"},
        {&showManualSnapshots, "show_manual_snapshots"},
        {&showUnlockHistory, "unlock_history"},
        {&showMacControlsOnMainMenu, "show_mac_control_on_main_menu"},
        {&showWifiUnlockOnMainMenu, "show_wifi_unlock_on_main_menu"},
        {&advancedSettings, "advanced_settings"},
        {&musicPauseOnLogout, "pause_music_on_logout"},
        {&notificationSettings, "mac_notification_settings"},
        {&logoutOnDisconnect, "logout_on_disconnect"},
        {&enableKestruneShortcutsLock, "enable_lock_shortcuts"},
        {&enableKestruneShortcutsClipboard, "enable_clipboard_shortcuts"},
        {&clearBluetoothCache, "clear_bluetooth_cache"},
        {&troublePairingDevicesTutorial, "trouble_connecting"},
        {&clipboardMenu, "clipboard"},
        {&sendClipboardFromMacToIos, "send_clipboard_to_ios"},
        {&showClipboardMenu, "show_clipboard_menu_on_main_screen"},
        {&clipboardInfo, "clipboard_info_text"},
        {&helpMenu, "help"},
        {&help, "faq"},
        {&about, "about"},
        {&feedback, "feedback"},
        {&shareKestrune, "share_kestrune"},
        {&shareKestruneTwitter, "twitter"},
        {&shareKestruneFacebook, "facebook"},
        {&quitKestrune, "quit_kestrune"},
        {&showTutorial, "show_tutorial"},
    };
    for (const auto& [item, key] : fixed) titleItem(*item, localizable(key));
    updateSmallerDistancesText();
}

void MenuBarSettings::updateSmallerDistancesText() {
    const std::string distance = RssiToDistance::getStringForMetric_fromRSSI(
        DeviceLocalSettings::shared().lastUsedMetric(), platform::Number(RssiToDistance::minRSSIvalue()));
    titleItem(allowSmallerDistances,
              stringWithTextArgument(localizable("allow_closer_distances_than"), distance));
}

void MenuBarSettings::updateView() {
    // The start-at-login title tells whether the interface language changed since the titles were set.
    if (startAtLogin && startAtLogin->title() != localizable("start_on_mac_startup")) updateLoacalizables();
    setAutoenablesItems(false);

    titleItem(update, localizable("check_for_updates"));
    imageItem(update, nullptr);
    enableItem(sendClipboardFromMacToIos, false);
    enableItem(kestruneIsOn, false);
    checkItem(kestruneIsOn, false);

    updatePhoneItems();
    updateLocalSettingItems();
    updatePhotoItems();

    enableItem(allowSmallerDistances, true);
    enableItem(startAtLogin, true);
    enableItem(updatesAction, true);
    imageItem(update, nullptr);
    updateUpdaterItems();
    if (mobileDevice_ && phoneIsConnected(*mobileDevice_) && MenuBarFacts::current().newiOSVersion()) {
        imageItem(update, "update_notification");
        titleItem(update, localizable("new_update_ready"));
    }
    checkItem(updatesAutomaticUpdates, DeviceLocalSettings::shared().automaticallyUpdate());
    titleItem(version, Common::versionText());
}

void MenuBarSettings::updatePhoneItems() {
    if (!mobileDevice_) {
        if (unlink && indexOfItem(unlink.get()) >= 0) removeItem(unlink);
        if (firstSeparator && indexOfItem(firstSeparator.get()) >= 0) removeItem(firstSeparator);
        titleItem(updateiOSVersion, localizable("no_ios_device_connected"));
        enableItem(updateiOSVersion, false);
        return;
    }
    const std::string name = nameOf(*mobileDevice_);
    titleItem(unlink, stringWithTextArgument(localizable("unlink_device"), name));
    if (unlink && indexOfItem(unlink.get()) < 0) insertItem_atIndex(unlink, 0);
    if (firstSeparator && indexOfItem(firstSeparator.get()) < 0) insertItem_atIndex(firstSeparator, 1);

    // No settings record reads as not tracked.
    auto settings = DataManager::shared().settingsForDeviceId(mobileDevice_->unId());
    enableItem(kestruneIsOn, true);
    checkItem(kestruneIsOn, settings && settings->mobileDeviceTrackInfo() &&
                                numberIsOn(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()));

    if (phoneIsConnected(*mobileDevice_)) {
        updateSmallerDistancesText();
        if (MenuBarFacts::current().newiOSVersion()) {
            enableItem(updateiOSVersion, true);
            titleItem(updateiOSVersion, localizable("new_ios_update_ready"));
            imageItem(updateiOSVersion, "update_notification");
        } else {
            enableItem(updateiOSVersion, false);
            titleItem(updateiOSVersion, localizable("ios_version_up_to_date"));
            // Once the phone is up to date the update mark goes with the title.
            imageItem(updateiOSVersion, nullptr);
        }
        enableItem(sendClipboardFromMacToIos, true);
    } else {
        titleItem(updateiOSVersion, stringWithTextArgument(localizable("device_not_connected"), name));
        enableItem(updateiOSVersion, false);
    }
}

void MenuBarSettings::updateLocalSettingItems() {
    auto& local = DeviceLocalSettings::shared();
    checkItem(unlockAfterKeyPressed, local.loginOnApproach());
    checkItem(logoutOnDisconnect, local.logoutOnDisconnect());

    const int32_t action = local.actionOnLogout();
    checkItem(logoutActionSleep, action == 0);
    checkItem(logoutActionScreensaver, action == 1);

    checkItem(musicPauseOnLogout, local.musicPauseOnLogout());
    titleItem(musicPauseOnLogout, localizable("pause_music_on_logout"));
    enableItem(musicPauseOnLogout, true);

    const std::shared_ptr<ui::MenuItem> confirmations[] = {
        macSleepScreenUnlockDontAsk, macSleepScreenUnlockAskYesNo, macSleepScreenUnlockAskTouchId,
        macSleepScreenUnlockAskKnockKnock};
    const int32_t method = local.macSleepScreenUnlockConfirmLogin();
    for (const auto& item : confirmations) {
        if (!item) continue;
        item->setEnabled(true);
        item->setState(stateForBool(item->tag() - 1 == method));
    }

    checkItem(kestruneOptionsLoginOnApproach, local.allowLoginOnApproach());
    enableItem(kestruneOptionsLoginOnApproach, true);
    checkItem(showClipboardMenu, local.showClipboardManagerOnMainScreen());
    enableItem(showClipboardMenu, true);
    checkItem(showMacControlsOnMainMenu, local.showMacControlsOnMainScreen());
    enableItem(showMacControlsOnMainMenu, true);
    checkItem(showWifiUnlockOnMainMenu, local.showWifiUnlockOnMainScreen());
    enableItem(showWifiUnlockOnMainMenu, true);
    checkItem(kestruneOptionsLogoutOnWalkAway, local.allowLogoutOnWalkAway());
    enableItem(kestruneOptionsLogoutOnWalkAway, true);

    checkItem(startAtLogin, MenuBarFacts::current().lastKnownIsLauncOnStartup());
    checkItem(warnOnFailedLogin, local.warnUserOnLoginFailed());
    checkItem(allowSmallerDistances, local.allowCloserDistances());
    checkItem(enableKestruneShortcutsLock, local.enableKestruneShortCutsLock());
    checkItem(enableKestruneShortcutsClipboard, local.enableKestruneShortCutsSendClipboard());
}

void MenuBarSettings::updatePhotoItems() {
    auto& local = DeviceLocalSettings::shared();
    if (MenuBarFacts::current().hasVideoDevice()) {
        // A camera that appeared after a refresh without one takes the " (not supported)" away again.
        titleItem(takePhotoOnFailedLogin, localizable("take_photo_on_failed_login"));
        titleItem(takePhotoOnEachLogin, localizable("take_photo_after_each_login"));
        checkItem(takePhotoOnEachLogin, local.takePhotoAfterEachLogin());
        checkItem(takePhotoOnFailedLogin, local.takePhotoOnFailedLogin());
        enableItem(takePhotoOnEachLogin, true);
        enableItem(takePhotoOnFailedLogin, true);
        return;
    }
    const std::string suffix = stringWithTextArgument(" (%@)", localizable("not_supported"));
    titleItem(takePhotoOnFailedLogin, localizable("take_photo_on_failed_login") + suffix);
    titleItem(takePhotoOnEachLogin, localizable("take_photo_after_each_login") + suffix);
    for (const auto& item : {takePhotoOnFailedLogin, takePhotoOnEachLogin}) {
        checkItem(item, false);
        enableItem(item, false);
    }
}

void MenuBarSettings::updateUpdaterItems() {
    auto& facts = MenuBarFacts::current();
    const char* title = "check";
    bool enabled = true;
    // The mark of a found update stays only while the updater is in that state.
    imageItem(updatesAction, nullptr);
    switch (facts.updaterState()) {
        case KestruneUpdater::kStateNoUpdate:
            if (!facts.newMacVersion()) {
                title = "kestrune_up_to_date";
                enabled = false;
            }
            break;
        case KestruneUpdater::kStateChecking:
            title = "checking_for_updates";
            enabled = false;
            break;
        case KestruneUpdater::kStateFoundByUser:
            title = "get_new_version";
            imageItem(updatesAction, "update_notification");
            break;
        case KestruneUpdater::kStateFoundInBackground:
            if (facts.installAfterDownload() || facts.shouldAutomaticallyCheckForUpdates()) {
                title = "downloading_will_relaunch";
                enabled = false;
            } else {
                title = "downloading_relaunch_when_finished";
                imageItem(update, "update_notification");
                titleItem(update, localizable("new_update_ready"));
            }
            break;
        case KestruneUpdater::kStateReadyToInstallOnQuit:
            title = "relaunch_new_version_ready";
            imageItem(update, "update_notification");
            titleItem(update, localizable("new_update_ready"));
            break;
        default:
            break;
    }
    titleItem(updatesAction, localizable(title));
    enableItem(updatesAction, enabled);
}

// Actions ------------------------------------------------------------------------------------------------

void MenuBarSettings::navigate(void (NavigationDelegate::*operation)()) {
    if (auto d = navigationDelegate()) ((*d).*operation)();
}

void MenuBarSettings::unlinkToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::unlinkDevices);
}
void MenuBarSettings::startAtLoginToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleStartKestruneOnLogin);
}
void MenuBarSettings::loginOnApproachToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleOpenSpaceMode);
}
void MenuBarSettings::loginOnApproachPressed(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleAllowLogin);
}
void MenuBarSettings::logoutOnWalkAway(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleAllowLogout);
}
void MenuBarSettings::logoutActionSleepSelected(ui::MenuItem&) {
    if (auto d = navigationDelegate()) d->updateLogoutAction(0);
}
void MenuBarSettings::logoutActionScreensaverSelected(ui::MenuItem&) {
    if (auto d = navigationDelegate()) d->updateLogoutAction(1);
}
void MenuBarSettings::logoutActionTurnDisplayOffSelected(ui::MenuItem&) {
    if (auto d = navigationDelegate()) d->updateLogoutAction(2);
}

void MenuBarSettings::updatesActionToggled(ui::MenuItem&) {
    auto& facts = MenuBarFacts::current();
    switch (facts.updaterState()) {
        case KestruneUpdater::kStateFoundInBackground:
            // The application relaunches as soon as the download is ready.
            if (!facts.installAfterDownload()) facts.setInstallAfterDownload(true);
            break;
        case KestruneUpdater::kStateReadyToInstallOnQuit:
            facts.relaunchIfPossible();
            break;
        default:
            facts.checkForUpdates();
            break;
    }
    updateView();
}

void MenuBarSettings::updatesAutomatically(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleUpdateKestruneAutomatically);
}
void MenuBarSettings::updateiOSVersionSelected(ui::MenuItem&) {
    navigate(&NavigationDelegate::updateiOSVersion);
}
void MenuBarSettings::kestruneToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleProximityLock);
}
void MenuBarSettings::sleepScreenUnlockOptionToggled(ui::MenuItem& sender) {
    const int tag = sender.tag();
    if (tag < 1 || tag > 4) return;
    if (auto d = navigationDelegate()) d->updateMacSleepScreenAuth(tag - 1);
}
void MenuBarSettings::showMacSleeScreenUnlockTutorial(ui::MenuItem&) {
    navigate(&NavigationDelegate::showMacSleepScreenTutorial);
}
void MenuBarSettings::defineSafeZonesToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showWifiUnlock);
}
void MenuBarSettings::macControlTutorialToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showMacControlTutorial);
}
void MenuBarSettings::warnOnFailedLoginSelected(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleWarnUserOnFailedLogin);
}
void MenuBarSettings::takePhotoOnFailedLogins(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleTakePhotoOnFailedLogin);
}
void MenuBarSettings::takePhotoAfterEachLogin(ui::MenuItem&) {
    navigate(&NavigationDelegate::togglePhotoAfterEachLogin);
}
void MenuBarSettings::showAllFailedLongins(ui::MenuItem&) {
    navigate(&NavigationDelegate::showFailedLogins);
}
void MenuBarSettings::showLoginPhotosToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showLoginPhotos);
}
void MenuBarSettings::showManualSnapshotsToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showManualPhotos);
}
void MenuBarSettings::unlockHistoryToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showUnlockHistory);
}
void MenuBarSettings::showMacControlsOnMainMenuToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleShowMacControlOnMainScreen);
}
void MenuBarSettings::showWifiUnlockOnMainMenuToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleWifiUnlockOnMainScreen);
}
void MenuBarSettings::smallerDistancesPressed(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleAllowSmallerDistances);
}
void MenuBarSettings::musicPauseOnLogoutPressed(ui::MenuItem&) {
    navigate(&NavigationDelegate::togglePauseMusicOnLogout);
}
void MenuBarSettings::notificationSettingsToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showMacOSNotifications);
}
void MenuBarSettings::logoutOnDisconnectToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleLogoutOnDisconnect);
}
void MenuBarSettings::enableKestruneShortcutsLockPressed(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleLockShortcut);
}
void MenuBarSettings::enableKestruneShortcutsClipboardPressed(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleClipboardShortcut);
}
void MenuBarSettings::clearBluetoothCacheToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::clearBluetoothCache);
}
void MenuBarSettings::troublePairingDevicesToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showTroubleConnectingToDeviceTutorial);
}
void MenuBarSettings::sendClipboardToIosToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::sendClipboardToIos);
}
void MenuBarSettings::showClipboardManagerToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::toggleClipboardShownOnMainScreen);
}
void MenuBarSettings::clipboardInfoToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::showClipboardHowDoesItWork);
}
void MenuBarSettings::helpToggled(ui::MenuItem&) {
    KSUrlManager::openFAQLink();
}
void MenuBarSettings::aboutToggled(ui::MenuItem&) {
    KSUrlManager::openKestruneOfficialWebsite();
}
void MenuBarSettings::feedbackToggled(ui::MenuItem&) {
    EmailComposer::sendFeedbackEmail();
}
void MenuBarSettings::shareTwitter(ui::MenuItem&) {
    KSUrlManager::openTwitterShareLink();
}
void MenuBarSettings::shareFacebook(ui::MenuItem&) {
    KSUrlManager::openFbShareLink();
}
void MenuBarSettings::quitKestruneToggled(ui::MenuItem&) {
    navigate(&NavigationDelegate::cleanUpAndQuitKestrune);
}
void MenuBarSettings::showTutorialSelected(ui::MenuItem&) {
    navigate(&NavigationDelegate::showProximityLockTutorial);
}

}  // namespace kestrune
