#include "windows/screens/KSViewControllerFactory.h"

#include <optional>
#include <vector>

#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "features/sharing/EmailComposer.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/pagers/SamplePagerVC.h"

namespace kestrune {

namespace {

// One screen of the factory: its title key (none: the caller's title or none at all), its text as
// localised keys joined by a format (no keys: the caller's text or none), and its picture ("" clears
// it; none leaves the layout's).
struct Screen {
    std::optional<std::string> titleKey;
    std::string format;
    std::vector<std::string> textKeys;
    std::optional<std::string> image;
};

std::string localizedJoin(const std::string& format, const std::vector<std::string>& keys) {
    std::vector<std::string> texts;
    texts.reserve(keys.size());
    for (const auto& key : keys) texts.push_back(localizable(key));
    return stringWithTextArguments(format, texts);
}

// Runs the caller's closure when there is one: a page built without one still shows its button, which
// then does nothing.
Block wrap(Block block) {
    return [block = std::move(block)] {
        if (block) block();
    };
}

template <typename Layout>
std::shared_ptr<Layout> buildLayout(const Screen& screen,
                                    const std::optional<std::string>& callerTitle = std::nullopt,
                                    const std::optional<std::string>& callerText = std::nullopt) {
    auto page = BaseViewController::create<Layout>();
    if (page->titleTextField) {
        if (screen.titleKey) page->titleTextField->setStringValue(localizable(*screen.titleKey));
        if (callerTitle) page->titleTextField->setStringValue(*callerTitle);
    }
    if (page->textField) {
        if (!screen.textKeys.empty())
            page->textField->setStringValue(localizedJoin(screen.format, screen.textKeys));
        if (callerText) page->textField->setStringValue(*callerText);
    }
    if (page->mainIcon && screen.image)
        page->mainIcon->setImage(screen.image->empty() ? nullptr : ui::Image::imageNamed(*screen.image));
    return page;
}

}  // namespace

KSViewControllerFactory::Page KSViewControllerFactory::createAcceptViewControllerAccept_deny(Block accept,
                                                                                             Block deny) {
    auto page =
        buildLayout<DeviceInfoViewController2>({std::nullopt, "", {}, "screen_app_welcome"}, std::string());
    page->setLeftButtonTitle_action(localizable("accept"), wrap(std::move(accept)));
    page->setRightButtonTitle_action(localizable("deny"), wrap(std::move(deny)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::manualPhotosVCWithCompletion(Block completion) {
    auto page = buildLayout<DeviceInfoViewController>({"manual_snapshots_title",
                                                       "%@",
                                                       {"manual_snapshots_description"},
                                                       "screen_app_settings_manual_photo"});
    page->setButtonTitle_action(localizable("ok"), wrap(std::move(completion)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::restartiPhoneApp_next(const std::string& title,
                                                                             Block next) {
    auto page = buildLayout<DeviceInfoViewController>(
        {std::nullopt, "%@", {"restart_iphone_app"}, "screen_app_shutdown"}, title);
    page->setButtonTitle_action(localizable("next"), wrap(std::move(next)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::checkForIOSUpdates_next(const std::string& title,
                                                                               Block next) {
    auto page = buildLayout<DeviceInfoViewController>(
        {std::nullopt,
         "%@\n\n%@",
         {"check_for_ios_updates", "works_best_when_latest_version_installed"},
         "screen_store"},
        title);
    page->setButtonTitle_action(localizable("next"), wrap(std::move(next)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::updateIOSVersion_next(const std::string& title,
                                                                             Block next) {
    auto page = buildLayout<DeviceInfoViewController>(
        {std::nullopt,
         "%@\n\n%@",
         {"we_detected_new_ios_version_please_update", "works_best_when_latest_version_installed"},
         "screen_store"},
        title);
    page->setButtonTitle_action(localizable("next"), wrap(std::move(next)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::updateKestruneOnYourPhoneDone(Block done) {
    auto page = buildLayout<DeviceInfoViewController2>(
        {"update",
         "%@\n\n%@",
         {"we_detected_new_ios_version_please_update", "works_best_when_latest_version_installed"},
         "screen_store"});
    page->setButtonTitle_action(localizable("ok"), wrap(std::move(done)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::makeSureBleOn_next(const std::string& title,
                                                                          Block next) {
    auto page = buildLayout<DeviceInfoViewController>(
        {std::nullopt, "%@", {"make_sure_ble_on"}, "screen_locked_bluetooth"}, title);
    page->setButtonTitle_action(localizable("next"), wrap(std::move(next)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::bluetoothIsOnIphone_next(const std::string& title,
                                                                                Block next) {
    auto page = buildLayout<DeviceInfoViewController2>(
        {std::nullopt, "%@", {"make_sure_bluetooth_is_on_your_iphone"}, "screen_locked_bluetooth"}, title);
    page->setButtonTitle_action(localizable("next"), wrap(std::move(next)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::bleJammed_next(const std::string& title, Block next) {
    auto page = buildLayout<DeviceInfoViewController2>(
        {std::nullopt, "%@", {"ble_can_get_jammed"}, "screen_locked_bluetooth"}, title);
    page->setButtonTitle_action(localizable("next"), wrap(std::move(next)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::downloadAndOpenKestruneRescan_troubleshoot(
    Block rescan, Block troubleshoot) {
    auto page = buildLayout<DeviceInfoViewController>(
        {"open_kestrune_on_your_iphone_1", "%@", {"check_for_ios_updates"}, "screen_app_welcome"});
    page->setRightButtonTitle_action(localizable("rescan"), wrap(std::move(rescan)));
    page->setLeftButtonTitle_action(localizable("troubleshoot"), wrap(std::move(troubleshoot)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::siriTutorialVCAction(Block action) {
    auto page = buildLayout<DeviceInfoViewController>({"kestrune_siri_title",
                                                       "%@\n\n%@",
                                                       {"kestrune_siri_description", "setup_on_iphone"},
                                                       "screen_siri_all"});
    page->setButtonTitle_action(localizable("setup_siri_on_your_iphone_action"), wrap(std::move(action)));
    return page;
}

namespace {
KSViewControllerFactory::Page confirmationKind(const char* title, const char* description, const char* image,
                                               Block action) {
    auto page = buildLayout<DeviceInfoViewController2>(
        {title, "%@\n\n%@", {description, "confirm_on_iphone_interactive_notifications"}, image});
    page->setButtonTitle_action(localizable("done"), wrap(std::move(action)));
    return page;
}
}  // namespace

KSViewControllerFactory::Page KSViewControllerFactory::touchIdTutorialVCAction(Block action) {
    return confirmationKind("touchid_faceid_passcode", "touchid_faceid_or_passcode_description",
                            "screen_locked_faceid", std::move(action));
}

KSViewControllerFactory::Page KSViewControllerFactory::showYesNoTutorialVCAction(Block action) {
    return confirmationKind("mac_sleep_screen_ask_yes_no_short", "yes_or_no_description",
                            "screen_locked_yes_no", std::move(action));
}

KSViewControllerFactory::Page KSViewControllerFactory::showKnockKnockTutorialVCAction(Block action) {
    return confirmationKind("mac_sleep_screen_double_knock_short", "double_knock_description",
                            "screen_locked_knock_twice", std::move(action));
}

KSViewControllerFactory::Page KSViewControllerFactory::rateOnAppStore(Block action) {
    auto page = buildLayout<DeviceInfoViewController2>(
        {"rate_kestrune_on_appstore_description", "%@", {"please_rate"}, "screen_app_rate"});
    page->setButtonTitle_action(localizable("ok"), wrap(std::move(action)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::confirmProximityUnlockTutorial(Block action) {
    auto page = buildLayout<DeviceInfoViewController2>({"proximity_unlock_verification_title",
                                                        "%@",
                                                        {"proximity_unlock_verification_description_long"},
                                                        "screen_locked_lock_unlock"});
    page->setButtonTitle_action(localizable("ok"), wrap(std::move(action)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::downloadAndOpenKestrune_next(const std::string& title,
                                                                                    Block next) {
    auto page = buildLayout<DeviceInfoViewController>(
        {std::nullopt,
         "%@\n%@\n\n%@",
         {"open_kestrune_on_your_iphone_1", "open_kestrune_on_your_iphone_2", "check_for_ios_updates"},
         "screen_app_welcome"},
        title);
    page->setRightButtonTitle_action(localizable("next"), wrap(std::move(next)));
    page->setLeftButtonTitle_action(localizable("download_from_app_store"),
                                    [] { KSUrlManager::openiOSAppInAppStore(); });
    return page;
}

std::shared_ptr<IphoneMultiStepViewController> KSViewControllerFactory::setupSiriTutorialVCAction(
    Block action) {
    auto page = buildLayout<IphoneMultiStepViewController>(
        {"kestrune_siri_title", "%@", {"kestrune_siri_description"}, "mac_osx_notification"});
    page->setStep1_image(
        localizedJoin("%@\n%@ %@", {"step_1_of_3", "setup_siri_step_1", "setup_siri_step_1_2"}),
        "screen_siri_settigns");
    page->setStep2_image(localizedJoin("%@\n%@", {"step_2_of_3", "setup_siri_step_2"}),
                         "screen_siri_shortcuts");
    page->setStep3_image(localizedJoin("%@\n%@", {"step_3_of_3", "setup_siri_step_3"}), "screen_siri_record");
    page->setButtonTitle_action(localizable("done"), wrap(std::move(action)));
    return page;
}

std::shared_ptr<LoadingViewController> KSViewControllerFactory::loadingViewWithTitle(
    const std::string& text) {
    auto page = BaseViewController::create<LoadingViewController>();
    page->setTitleText(text);
    return page;
}

std::shared_ptr<MacPhoneDeviceViewController> KSViewControllerFactory::authOptionsVC() {
    auto page = buildLayout<MacPhoneDeviceViewController>(
        {"auth_request_title",
         "%@ %@",
         {"auth_request_description", "can_be_used_with_interactive_notifications_sentence"},
         "auth"});
    if (page->secondaryImage)
        page->secondaryImage->setImage(ui::Image::imageNamed("screen_locked_insert_pass"));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::checkForMacUpdates_check_next(const std::string& title,
                                                                                     Block check,
                                                                                     Block next) {
    auto page = buildLayout<InfoViewController>(
        {std::nullopt, "%@", {"check_for_osx_updates"}, "logo_rectangle_2"}, title);
    page->setRightButtonTitle_action(localizable("next"), wrap(std::move(next)));
    page->setLeftButtonTitle_action(localizable("check_for_updates_button"), wrap(std::move(check)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::updateMacVersion_check_next(const std::string& title,
                                                                                   Block check, Block next) {
    auto page = buildLayout<InfoViewController>(
        {std::nullopt, "%@", {"we_detected_new_osx_version_please_update"}, "logo_rectangle_2"}, title);
    if (next) {
        page->setRightButtonTitle_action(localizable("next"), wrap(std::move(next)));
        page->setLeftButtonTitle_action(localizable("get_update"), wrap(std::move(check)));
    } else {
        page->setButtonTitle_action(localizable("get_update"), wrap(std::move(check)));
    }
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::closeMainWindowTutorial(Block action) {
    auto page = buildLayout<MacDeviceInfoViewController>(
        {"close_main_window_title", "%@", {"close_main_window_description"}, "mac_frame_status"});
    page->setButtonTitle_action(localizable("close"), wrap(std::move(action)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::macOSXNotiicationsVC() {
    return buildLayout<MacDeviceInfoViewController>({"macOS_notifications_title",
                                                     "%@",
                                                     {"tutorial_osx_notifications_description"},
                                                     "mac_osx_notification"});
}

KSViewControllerFactory::Page KSViewControllerFactory::restartBluetooth_restart(const std::string& title,
                                                                                Block restart) {
    auto page = buildLayout<MacDeviceInfoViewController>(
        {std::nullopt, "%@", {"press_button_to_restart_bluetooth_on_mac"}, "bt_restart"}, title);
    page->setButtonTitle_action(localizable("restart_bluetooth"), wrap(std::move(restart)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::macSleepScreenOverlayVC() {
    return buildLayout<InfoViewController>(
        {"tutorial_sleep_screen_overlay_title", "%@", {"tutorial_sleep_screen_overlay_description"}, ""});
}

KSViewControllerFactory::Page KSViewControllerFactory::supportOrClearCache_faq_clearBLE(
    const std::string& title, Block faq, Block clear) {
    auto page = buildLayout<InfoViewController>({std::nullopt,
                                                 "%@ \n%@",
                                                 {"final_step_clear_bluetooth_cache", "requires_mac_startup"},
                                                 "vacuum_cleaner"},
                                                title);
    page->setRightButtonTitle_action(localizable("faq_or_support"), wrap(std::move(faq)));
    page->setLeftButtonTitle_action(localizable("clear_bluetooth_cache"), wrap(std::move(clear)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::clearCacheAction(Block action) {
    auto page =
        buildLayout<InfoViewController>({"clear_bluetooth_cache",
                                         "%@ : %@. %@",
                                         {"step_2_of_3", "clear_cache", "you_will_be_asked_for_credentials"},
                                         "vacuum_cleaner"});
    page->setButtonTitle_action(localizable("clear_cache"), wrap(std::move(action)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::cacheRestartMac() {
    return buildLayout<InfoViewController>({"clear_bluetooth_cache",
                                            "%@ : %@",
                                            {"step_3_of_3", "restart_mac_after_clear_cache"},
                                            "restart_icon"});
}

KSViewControllerFactory::Page KSViewControllerFactory::turnBluetoothOff_action(const std::string& text,
                                                                               Block action) {
    auto page =
        buildLayout<InfoViewController>({"clear_bluetooth_cache", "", {}, std::nullopt}, std::nullopt, text);
    page->playGIF("BT.gif");
    page->setButtonTitle_action(localizable("turn_bluetooth_off"), wrap(std::move(action)));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::faqOrEmailWithTitle(const std::string& title) {
    auto page =
        buildLayout<InfoViewController>({std::nullopt, "%@", {"faq_or_mail"}, "vacuum_cleaner"}, title);
    page->setRightButtonTitle_action(localizable("contact_support"),
                                     [] { EmailComposer::sendSupportEmail(); });
    page->setLeftButtonTitle_action(localizable("faq"), [] { KSUrlManager::openFAQLink(); });
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::infoControllerWithIcon_description(
    const std::string& imageName, const std::string& text) {
    // The product's name is the same in every language.
    return buildLayout<InfoViewController>({std::nullopt, "", {}, imageName}, std::string("Kestrune"), text);
}

KSViewControllerFactory::Page KSViewControllerFactory::openSpaceInfoVC() {
    auto page = buildLayout<InfoViewController>(
        {"open_space_mode_short",
         "%@\n%@",
         {"open_space_mode_description_long_1", "open_space_mode_description_long_2"},
         "initial_open_space"});
    page->setTitleDescription(localizable("open_space_mode_short"));
    return page;
}

KSViewControllerFactory::Page KSViewControllerFactory::proximityLockDisabledBecauseWifiVC() {
    return buildLayout<InfoViewController>({"proximity_lock_temporary_disabled",
                                            "%@",
                                            {"proximity_lock_temporary_disabled_wifi_unlock_long"},
                                            ""});
}

KSViewControllerFactory::Page KSViewControllerFactory::proximityLockDisabledManualLoginVC() {
    return buildLayout<InfoViewController>({"proximity_lock_temporary_disabled",
                                            "%@ %@",
                                            {"proximity_lock_temporary_disabled_because_login_manually_1",
                                             "proximity_lock_temporary_disabled_because_login_manually_2"},
                                            ""});
}

KSViewControllerFactory::Page KSViewControllerFactory::distanceEstimationVC() {
    return buildLayout<InfoViewController>(
        {"distance_estimation_title", "%@", {"distance_estimation"}, "approximate_distance_estimation"});
}

std::shared_ptr<SamplePagerVC> KSViewControllerFactory::basePager() {
    return BaseViewController::create<SamplePagerVC>();
}

}  // namespace kestrune
