#include "menubar/pages/AdvancedMenuManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Localizable.h"
#include "app/support/Utilities.h"
#include "app/support/VersionVerifier.h"
#include "engine/session/LoginItemsManager.h"
#include "features/notifications/NotificationsController.h"
#include "menubar/lists/KestruneListViewModelFactory.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/pages/KSCellFactory.h"

namespace kestrune {

namespace {

using F = ListViewModelFactory;
using K = KestruneListViewModelFactory;

// Authorisation-dialog methods.
constexpr int32_t kNeverAsk = 0;
constexpr int32_t kYesNo = 1;
constexpr int32_t kTouchId = 2;
constexpr int32_t kDoubleKnock = 3;
constexpr int32_t kTypeAutomatically = 4;
// From this system on the lock screen shows no application icon.
constexpr const char* kLockScreenOverlayEnds = "10.13";

DeviceLocalSettings& local() {
    return DeviceLocalSettings::shared();
}

std::shared_ptr<ListCellViewModel> section(const std::string& title, const std::string& description) {
    return F::titleDescriptionCellWithTitle_description_action(localizable(title), localizable(description),
                                                               [] {});
}

}  // namespace

BaseMenuItemManager::Rows AdvancedMenuManager::createViewModel() {
    Rows rows{startupOptionsSection(),
              F::separatorCell(),
              startOnStartup(),
              authRequestSections(),
              F::separatorCell(),
              authKnock(),
              authYesNo(),
              authPass(),
              authAutomatically(),
              authDisabled(),
              macNotificationsSection(),
              F::separatorCell(),
              loginNotification()};
    if (!VersionVerifier::version_isNewerOrSameThenVersion(Utilities::operatingSystemVersion(),
                                                           kLockScreenOverlayEnds)) {
        rows.push_back(lockScreenOverlaySection());
        rows.push_back(F::separatorCell());
        rows.push_back(iconOnSleepScreen());
    }
    for (auto row : {shourtcutSection(), F::separatorCell(), lockSection(),
                     KSCellFactory::createClipboardShort(shared_from_this()), siriSection(),
                     F::separatorCell(), siriLock(), siriUnlock()})
        rows.push_back(row);
    return rows;
}

void AdvancedMenuManager::updateAuthRequest(int32_t method) {
    local().setAuthRequest(method);
    reloadData();
    if (auto delegate = this->delegate()) delegate->updateAndSyncData();
}

Block AdvancedMenuManager::storeAuthRequest(int32_t method) {
    return weakly<AdvancedMenuManager>(
        [method](AdvancedMenuManager& self) { self.updateAuthRequest(method); });
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::startupOptionsSection() {
    return section("startup_options_title", "startup_options_description");
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::startOnStartup() {
    std::weak_ptr<AdvancedMenuManager> weak =
        std::static_pointer_cast<AdvancedMenuManager>(shared_from_this());
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_startup", localizable("start_on_mac_startup"),
        localizable("start_on_mac_startup_description"),
        LoginItemsManager::shared().lastKnownIsLauncOnStartup(), [weak] {
            // The login items change in the background: the page shows the new state once that is done.
            LoginItemsManager::shared().toggleLaunchAtStartupWithCompletion([weak](bool) {
                if (auto self = weak.lock()) self->reloadData();
            });
        });
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::authRequestSections() {
    return F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("auth_request_title"), localizable("auth_request_description"), [] {},
        localizable("read_more"), navigate(&NavigationDelegate::showAuthRequest));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::authKnock() {
    return K::doubleKnockCellIsOn_indentation_action_readMoreAction(
        local().authRequest() == kDoubleKnock, 0, storeAuthRequest(kDoubleKnock),
        navigate(&NavigationDelegate::showKnockKnockTutorial));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::authYesNo() {
    return K::yesNoCellIsOn_indentation_action_readMoreAction(
        local().authRequest() == kYesNo, 0, storeAuthRequest(kYesNo),
        navigate(&NavigationDelegate::showYesNoTutorial));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::authPass() {
    return K::touchCellIsOn_indentation_action_readMoreAction(
        local().authRequest() == kTouchId, 0, storeAuthRequest(kTouchId),
        navigate(&NavigationDelegate::showTouchIdTutorial));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::authAutomatically() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_auth_auto", localizable("txt_insert_automatically"),
        localizable("auth_request_automatically_description"), local().authRequest() == kTypeAutomatically,
        storeAuthRequest(kTypeAutomatically));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::authDisabled() {
    return F::simpleCheckBoxWithIcon_title_isOn_action(std::string(), localizable("auth_request_non_desc"),
                                                       local().authRequest() == kNeverAsk,
                                                       storeAuthRequest(kNeverAsk));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::macNotificationsSection() {
    return F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("macOS_notifications_title"), localizable("macOS_notifications_description"), [] {},
        localizable("read_more"), navigate(&NavigationDelegate::showMacOSNotifications));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::loginNotification() {
    const bool shown = NotificationsController::shared().notificationOnLogin();
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_notification", localizable("notification_on_login_title"),
        localizable("notification_on_login_description"), shown,
        weakly<AdvancedMenuManager>([shown](AdvancedMenuManager& self) {
            NotificationsController::shared().setNotificationOnLogin(!shown);
            self.reloadData();
        }));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::lockScreenOverlaySection() {
    return F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("lock_screen_overlay"), localizable("lock_screen_overlay_description"), [] {},
        localizable("read_more"), navigate(&NavigationDelegate::showMacSleepScreenOverlay));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::iconOnSleepScreen() {
    const bool shown = local().showKestruneIconOnLockedScreen();
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_sleep_screen", localizable("icon_on_sleep_screen_title"),
        localizable("icon_on_sleep_screen_description"), shown,
        weakly<AdvancedMenuManager>([shown](AdvancedMenuManager& self) {
            local().setShowKestruneIconOnLockedScreen(!shown);
            self.reloadData();
        }));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::shourtcutSection() {
    return section("kestrune_shortcuts_title", "kestrune_shortcuts_description");
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::lockSection() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_lock_shortcut", localizable("lock_shortcut_title"),
        localizable("lock_shortcut_description"), local().enableKestruneShortCutsLock(),
        navigate(&NavigationDelegate::toggleLockShortcut, true));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::siriSection() {
    return F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("kestrune_siri_title"), localizable("kestrune_siri_description"), [] {},
        localizable("read_more"), navigate(&NavigationDelegate::showSiriTutorial));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::siriLock() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_lock_shortcut", localizable("siri_lock_title"), localizable("siri_lock_description"),
        local().enableSiriLock(), navigate(&NavigationDelegate::toggleSiriLock, true));
}

std::shared_ptr<ListCellViewModel> AdvancedMenuManager::siriUnlock() {
    return F::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_lock_shortcut", localizable("siri_unlock_title"), localizable("siri_unlock_description"),
        local().enableSiriUnlock(), navigate(&NavigationDelegate::toggleSiriUnlock, true));
}

}  // namespace kestrune
