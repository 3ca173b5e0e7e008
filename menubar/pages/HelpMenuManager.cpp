#include "menubar/pages/HelpMenuManager.h"

#include "app/store/DataManager.h"
#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "features/sharing/EmailComposer.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
}  // namespace

BaseMenuItemManager::Rows HelpMenuManager::createViewModel() {
    auto link = [](const char* icon, const char* title, const char* description, const char* button,
                   Block action) {
        return F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
            std::string(icon), localizable(title), localizable(description), localizable(button),
            std::move(action));
    };
    auto tutorial = [](const char* icon, const char* title, const char* description, Block action) {
        return F::iconTitleDescriptionCellWithIcon_title_description_action(
            std::string(icon), localizable(title), localizable(description), std::move(action));
    };
    // With a tracked phone, troubleshooting checks that phone's connection; without one it helps with the
    // first connection.
    const bool tracked = DataManager::shared().getTrackingMobileDevice() != nullptr;
    return {
        F::titleDescriptionCellWithTitle_description_action(localizable("help_section_title"),
                                                            localizable("help_section_description"), nullptr),
        F::separatorCell(),
        link("cell_icon_faq", "faq", "see_faq_on_website", "see_website_action",
             [] { KSUrlManager::openFAQLink(); }),
        link("cell_icon_about", "about", "visit_kestrune_official_website", "see_website_action",
             [] { KSUrlManager::openKestruneOfficialWebsite(); }),
        link("cell_icon_feedback", "feedback", "send_us_an_email", "send_email_action",
             [] { EmailComposer::sendSupportEmail(); }),
        link("cell_icon_auth_auto", "translation_help_title", "translation_help_description", "read_more",
             navigate(&NavigationDelegate::showHelpTranslation)),
        F::titleDescriptionCellWithTitle_description_action(localizable("tutorials_title"),
                                                            localizable("tutorials_description"), nullptr),
        F::separatorCell(),
        tutorial("cell_icon_kestrune", "proximity_unlock_title", "proximity_unlock_description",
                 navigate(&NavigationDelegate::showProximityLockTutorial)),
        tutorial("cell_icon_mac_wake_unlock_tutorial", "mac_wake_unlock_title", "mac_wake_unlock_description",
                 navigate(&NavigationDelegate::showMacSleepScreenTutorial)),
        tutorial("cell_icon_clear_bt_cache_tutorial", "clear_bluetooth_cache",
                 "clear_bluetooth_cache_description_1",
                 navigate(&NavigationDelegate::showClearBluetoothCacheTutorial)),
        tutorial("cell_icon_troubleshooting_connection_tutorial", "troubleshoot",
                 "trouble_connecting_to_device",
                 navigate(tracked ? &NavigationDelegate::showHelpViewAndCheck
                                  : &NavigationDelegate::showTroubleShootInitialConnection)),
        tutorial("cell_icon_kestrune", "close_main_window_title", "close_main_window_description",
                 navigate(&NavigationDelegate::showCloseMainWindowTutorial)),
    };
}

}  // namespace kestrune
