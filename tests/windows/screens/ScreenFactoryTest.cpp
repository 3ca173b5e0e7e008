// The information page (buttons shown exactly with their closures, the right button's busy look,
// animations in the small slot) and every screen of the factory: its layout, title, joined text,
// picture and buttons.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/support/KSUrlManager.h"
#include "app/support/URLOpener.h"
#include "platform/base/NotificationCenter.h"
#include "tests/windows/screens/ScreensFixture.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/pagers/SamplePagerVC.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {
namespace {

using Factory = KSViewControllerFactory;

class ScreenFactoryTest : public screentests::ScreensFixture {
protected:
    // The buttons a page shows, by their titles: main, left, right (arrows by name).
    static std::vector<std::string> visibleButtons(InfoViewController& page) {
        std::vector<std::string> shown;
        for (auto [button, name] : {std::pair{page.button, "main"}, std::pair{page.leftbutton, "left"},
                                    std::pair{page.rightbutton, "right"}}) {
            if (!button->isHidden()) shown.push_back(std::string(name) + " " + button->title());
        }
        if (!page.backButton->isHidden()) shown.push_back("back");
        if (!page.nextButton->isHidden()) shown.push_back("next");
        return shown;
    }
};

TEST_F(ScreenFactoryTest, AButtonShowsExactlyWhenItHasAClosureAndRunsOnlyThatClosure) {
    auto page = BaseViewController::create<InfoViewController>();
    EXPECT_TRUE(visibleButtons(*page).empty());
    std::vector<std::string> ran;
    page->setButtonTitle_action("Go", [&] { ran.push_back("main"); });
    EXPECT_EQ(visibleButtons(*page), std::vector<std::string>{"main Go"});
    auto w = window({0, 0, 850, 530});
    w->contentView()->addSubview(page->view());
    click(*page->button, {10, 10});
    // Hidden buttons and arrows without closures do nothing, pressed or not.
    page->leftButtonToggled(*page->leftbutton);
    page->nextButtonToggled(*page->nextButton);
    EXPECT_EQ(ran, std::vector<std::string>{"main"});
    page->setBackAction([&] { ran.push_back("back"); });
    page->setForwardAction([&] { ran.push_back("forward"); });
    EXPECT_EQ(visibleButtons(*page), (std::vector<std::string>{"main Go", "back", "next"}));
    click(*page->backButton, {5, 5});
    click(*page->nextButton, {5, 5});
    EXPECT_EQ(ran, (std::vector<std::string>{"main", "back", "forward"}));
    page->setButtonTitle_action("Go", nullptr);
    EXPECT_TRUE(page->button->isHidden());
}

TEST_F(ScreenFactoryTest, TheRightButtonSpinsWhileLoadingAndStaysInvisibleWithoutAClosure) {
    auto page = BaseViewController::create<InfoViewController>();
    EXPECT_FALSE(page->rightButtonIsLoading());
    EXPECT_TRUE(page->rightbuttonLoader->isHidden());
    // Without a closure: hidden and fully transparent, loading or not.
    page->setRightButtonLoading(true);
    EXPECT_TRUE(page->rightbutton->isHidden());
    EXPECT_EQ(page->rightbutton->alphaValue(), 0.0);
    page->setRightButtonLoading(false);
    EXPECT_EQ(page->rightbutton->alphaValue(), 0.0);

    page->setRightButtonTitle_action("Rescan", [] {});
    EXPECT_EQ(page->rightbutton->alphaValue(), 1.0);
    page->setRightButtonLoading(true);
    EXPECT_FALSE(page->rightbuttonLoader->isHidden());
    EXPECT_TRUE(page->rightbuttonLoader->isAnimating());
    EXPECT_FALSE(page->rightbutton->isEnabled());
    EXPECT_EQ(page->rightbutton->alphaValue(), 0.3);
    page->setRightButtonLoading(false);
    EXPECT_TRUE(page->rightbuttonLoader->isHidden());
    EXPECT_FALSE(page->rightbuttonLoader->isAnimating());
    EXPECT_TRUE(page->rightbutton->isEnabled());
    EXPECT_EQ(page->rightbutton->alphaValue(), 1.0);
    EXPECT_EQ(InfoViewController::alphaForAction_isLoading(nullptr, true), 0.0);
}

TEST_F(ScreenFactoryTest, ASecondAnimationLiesOverTheFirstWhichStopsWhenItLoops) {
    auto page = BaseViewController::create<InfoViewController>();
    std::vector<bool> first, second;
    page->showAnimation_loop_completion("bluetooth", true, [&](bool finished) { first.push_back(finished); });
    auto looping = page->animation();
    ASSERT_TRUE(looping && looping->isAnimationPlaying());
    page->showAnimation_loop_completion("checked_done", false,
                                        [&](bool finished) { second.push_back(finished); });
    // Both views stay; the new one on top; the loop no longer plays under it.
    ASSERT_EQ(page->mainIconSmall->subviews().size(), 2u);
    EXPECT_EQ(page->mainIconSmall->subviews().back(), page->animation());
    EXPECT_EQ(page->animation()->frame(), page->mainIconSmall->bounds());
    EXPECT_EQ(first, std::vector<bool>{false});
    advance(page->animation()->animationDuration() + 0.01);
    EXPECT_EQ(second, std::vector<bool>{true});
    // A name without a file completes at once, unfinished, and a missing completion is fine.
    std::vector<bool> missing;
    page->showAnimation_loop_completion("nothing_here", false,
                                        [&](bool finished) { missing.push_back(finished); });
    EXPECT_EQ(missing, std::vector<bool>{false});
    page->showAnimation_loop_completion("checked_done", false, nullptr);
    advance(5);
}

// One row of the factory's table, written from what each screen must show.
struct Expected {
    std::string name;
    std::function<std::shared_ptr<InfoViewController>()> make;
    std::string layout;
    std::string title;
    std::string text;
    std::string image;  // "" cleared
    std::vector<std::string> buttons;
};

TEST_F(ScreenFactoryTest, EveryScreenHasItsLayoutTitleTextPictureAndButtons) {
    const auto n = [] {};
    const std::string t = "Caller's title";
    const std::vector<Expected> table{
        {"accept",
         [&] { return Factory::createAcceptViewControllerAccept_deny(n, n); },
         "DeviceInfoViewController2",
         "",
         "",
         "screen_app_welcome",
         {"left accept", "right deny"}},
        {"manual photos",
         [&] { return Factory::manualPhotosVCWithCompletion(n); },
         "DeviceInfoViewController",
         "manual_snapshots_title",
         "manual_snapshots_description",
         "screen_app_settings_manual_photo",
         {"main ok"}},
        {"restart app",
         [&] { return Factory::restartiPhoneApp_next(t, n); },
         "DeviceInfoViewController",
         t,
         "restart_iphone_app",
         "screen_app_shutdown",
         {"main next"}},
        {"check ios",
         [&] { return Factory::checkForIOSUpdates_next(t, n); },
         "DeviceInfoViewController",
         t,
         "check_for_ios_updates\n\nworks_best_when_latest_version_installed",
         "screen_store",
         {"main next"}},
        {"update ios",
         [&] { return Factory::updateIOSVersion_next(t, n); },
         "DeviceInfoViewController",
         t,
         "we_detected_new_ios_version_please_update\n\nworks_best_when_latest_version_installed",
         "screen_store",
         {"main next"}},
        {"update on phone",
         [&] { return Factory::updateKestruneOnYourPhoneDone(n); },
         "DeviceInfoViewController2",
         "update",
         "we_detected_new_ios_version_please_update\n\nworks_best_when_latest_version_installed",
         "screen_store",
         {"main ok"}},
        {"ble on",
         [&] { return Factory::makeSureBleOn_next(t, n); },
         "DeviceInfoViewController",
         t,
         "make_sure_ble_on",
         "screen_locked_bluetooth",
         {"main next"}},
        {"ble on phone",
         [&] { return Factory::bluetoothIsOnIphone_next(t, n); },
         "DeviceInfoViewController2",
         t,
         "make_sure_bluetooth_is_on_your_iphone",
         "screen_locked_bluetooth",
         {"main next"}},
        {"jammed",
         [&] { return Factory::bleJammed_next(t, n); },
         "DeviceInfoViewController2",
         t,
         "ble_can_get_jammed",
         "screen_locked_bluetooth",
         {"main next"}},
        {"rescan",
         [&] { return Factory::downloadAndOpenKestruneRescan_troubleshoot(n, n); },
         "DeviceInfoViewController",
         "open_kestrune_on_your_iphone_1",
         "check_for_ios_updates",
         "screen_app_welcome",
         {"left troubleshoot", "right rescan"}},
        {"siri",
         [&] { return Factory::siriTutorialVCAction(n); },
         "DeviceInfoViewController",
         "kestrune_siri_title",
         "kestrune_siri_description\n\nsetup_on_iphone",
         "screen_siri_all",
         {"main setup_siri_on_your_iphone_action"}},
        {"touch id",
         [&] { return Factory::touchIdTutorialVCAction(n); },
         "DeviceInfoViewController2",
         "touchid_faceid_passcode",
         "touchid_faceid_or_passcode_description\n\nconfirm_on_iphone_interactive_notifications",
         "screen_locked_faceid",
         {"main done"}},
        {"yes no",
         [&] { return Factory::showYesNoTutorialVCAction(n); },
         "DeviceInfoViewController2",
         "mac_sleep_screen_ask_yes_no_short",
         "yes_or_no_description\n\nconfirm_on_iphone_interactive_notifications",
         "screen_locked_yes_no",
         {"main done"}},
        {"knock",
         [&] { return Factory::showKnockKnockTutorialVCAction(n); },
         "DeviceInfoViewController2",
         "mac_sleep_screen_double_knock_short",
         "double_knock_description\n\nconfirm_on_iphone_interactive_notifications",
         "screen_locked_knock_twice",
         {"main done"}},
        {"rate",
         [&] { return Factory::rateOnAppStore(n); },
         "DeviceInfoViewController2",
         "rate_kestrune_on_appstore_description",
         "please_rate",
         "screen_app_rate",
         {"main ok"}},
        {"confirm unlock",
         [&] { return Factory::confirmProximityUnlockTutorial(n); },
         "DeviceInfoViewController2",
         "proximity_unlock_verification_title",
         "proximity_unlock_verification_description_long",
         "screen_locked_lock_unlock",
         {"main ok"}},
        {"download",
         [&] { return Factory::downloadAndOpenKestrune_next(t, n); },
         "DeviceInfoViewController",
         t,
         "open_kestrune_on_your_iphone_1\nopen_kestrune_on_your_iphone_2\n\ncheck_for_ios_updates",
         "screen_app_welcome",
         {"left download_from_app_store", "right next"}},
        {"setup siri",
         [&] { return Factory::setupSiriTutorialVCAction(n); },
         "IphoneMultiStepViewController",
         "kestrune_siri_title",
         "kestrune_siri_description",
         "mac_osx_notification",
         {"main done"}},
        {"auth",
         [&] { return Factory::authOptionsVC(); },
         "MacPhoneDeviceViewController",
         "auth_request_title",
         "auth_request_description can_be_used_with_interactive_notifications_sentence",
         "auth",
         {}},
        {"check mac",
         [&] { return Factory::checkForMacUpdates_check_next(t, n, n); },
         "InfoViewController",
         t,
         "check_for_osx_updates",
         "logo_rectangle_2",
         {"left check_for_updates_button", "right next"}},
        {"update mac in a pager",
         [&] { return Factory::updateMacVersion_check_next(t, n, n); },
         "InfoViewController",
         t,
         "we_detected_new_osx_version_please_update",
         "logo_rectangle_2",
         {"left get_update", "right next"}},
        {"update mac alone",
         [&] { return Factory::updateMacVersion_check_next(t, n, nullptr); },
         "InfoViewController",
         t,
         "we_detected_new_osx_version_please_update",
         "logo_rectangle_2",
         {"main get_update"}},
        {"close window",
         [&] { return Factory::closeMainWindowTutorial(n); },
         "MacDeviceInfoViewController",
         "close_main_window_title",
         "close_main_window_description",
         "mac_frame_status",
         {"main close"}},
        {"notifications",
         [&] { return Factory::macOSXNotiicationsVC(); },
         "MacDeviceInfoViewController",
         "macOS_notifications_title",
         "tutorial_osx_notifications_description",
         "mac_osx_notification",
         {}},
        {"restart bluetooth",
         [&] { return Factory::restartBluetooth_restart(t, n); },
         "MacDeviceInfoViewController",
         t,
         "press_button_to_restart_bluetooth_on_mac",
         "bt_restart",
         {"main restart_bluetooth"}},
        {"overlay",
         [&] { return Factory::macSleepScreenOverlayVC(); },
         "InfoViewController",
         "tutorial_sleep_screen_overlay_title",
         "tutorial_sleep_screen_overlay_description",
         "",
         {}},
        {"support or cache",
         [&] { return Factory::supportOrClearCache_faq_clearBLE(t, n, n); },
         "InfoViewController",
         t,
         "final_step_clear_bluetooth_cache \nrequires_mac_startup",
         "vacuum_cleaner",
         {"left clear_bluetooth_cache", "right faq_or_support"}},
        {"clear cache",
         [&] { return Factory::clearCacheAction(n); },
         "InfoViewController",
         "clear_bluetooth_cache",
         "step_2_of_3 : clear_cache. you_will_be_asked_for_credentials",
         "vacuum_cleaner",
         {"main clear_cache"}},
        {"restart mac",
         [&] { return Factory::cacheRestartMac(); },
         "InfoViewController",
         "clear_bluetooth_cache",
         "step_3_of_3 : restart_mac_after_clear_cache",
         "restart_icon",
         {}},
        {"turn off",
         [&] { return Factory::turnBluetoothOff_action("Caller's text", n); },
         "InfoViewController",
         "clear_bluetooth_cache",
         "Caller's text",
         "",
         {"main turn_bluetooth_off"}},
        {"faq or mail",
         [&] { return Factory::faqOrEmailWithTitle(t); },
         "InfoViewController",
         t,
         "faq_or_mail",
         "vacuum_cleaner",
         {"left faq", "right contact_support"}},
        {"icon",
         [&] { return Factory::infoControllerWithIcon_description("restart_icon", "Caller's text"); },
         "InfoViewController",
         "Kestrune",
         "Caller's text",
         "restart_icon",
         {}},
        {"open space",
         [&] { return Factory::openSpaceInfoVC(); },
         "InfoViewController",
         "open_space_mode_short",
         "open_space_mode_description_long_1\nopen_space_mode_description_long_2",
         "initial_open_space",
         {}},
        {"wifi",
         [&] { return Factory::proximityLockDisabledBecauseWifiVC(); },
         "InfoViewController",
         "proximity_lock_temporary_disabled",
         "proximity_lock_temporary_disabled_wifi_unlock_long",
         "",
         {}},
        {"manual login",
         [&] { return Factory::proximityLockDisabledManualLoginVC(); },
         "InfoViewController",
         "proximity_lock_temporary_disabled",
         "proximity_lock_temporary_disabled_because_login_manually_1 "
         "proximity_lock_temporary_disabled_because_login_manually_2",
         "",
         {}},
        {"distance",
         [&] { return Factory::distanceEstimationVC(); },
         "InfoViewController",
         "distance_estimation_title",
         "distance_estimation",
         "approximate_distance_estimation",
         {}},
    };
    for (const auto& row : table)
        if (!row.image.empty()) registerImage(row.image, {20, 20});
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        auto page = row.make();
        ASSERT_TRUE(page);
        EXPECT_EQ(page->className(), row.layout);
        EXPECT_EQ(page->comutedNibName(), row.layout);
        EXPECT_EQ(page->titleTextField->stringValue(), row.title);
        EXPECT_EQ(page->titleDescriptionText(), row.title);
        EXPECT_EQ(page->textField->stringValue(), row.text);
        if (row.image.empty()) {
            EXPECT_FALSE(page->mainIcon->image());
        } else {
            ASSERT_TRUE(page->mainIcon->image());
            EXPECT_EQ(page->mainIcon->image()->name(), row.image);
        }
        EXPECT_EQ(visibleButtons(*page), row.buttons);
    }
}

TEST_F(ScreenFactoryTest, ThePagesWithMoreThanOnePictureOrTheirOwnKind) {
    registerImage("screen_locked_insert_pass", {10, 10});
    for (const char* step : {"screen_siri_settigns", "screen_siri_shortcuts", "screen_siri_record"})
        registerImage(step, {10, 10});
    registerImage("BT_frame1", {10, 10});
    EXPECT_EQ(Factory::authOptionsVC()->secondaryImage->image()->name(), "screen_locked_insert_pass");
    auto siri = Factory::setupSiriTutorialVCAction([] {});
    EXPECT_EQ(siri->item1TextField->stringValue(), "step_1_of_3\nsetup_siri_step_1 setup_siri_step_1_2");
    EXPECT_EQ(siri->item2TextField->stringValue(), "step_2_of_3\nsetup_siri_step_2");
    EXPECT_EQ(siri->item3TextField->stringValue(), "step_3_of_3\nsetup_siri_step_3");
    EXPECT_EQ(siri->item3Image->image()->name(), "screen_siri_record");
    auto turnOff = Factory::turnBluetoothOff_action("text", [] {});
    ASSERT_TRUE(turnOff->mainIconSmall->image());
    EXPECT_EQ(turnOff->mainIconSmall->image()->name(), "BT.gif");
    EXPECT_TRUE(turnOff->mainIconSmall->animates());
    auto open = Factory::openSpaceInfoVC();
    EXPECT_EQ(open->titleDescription(), "open_space_mode_short");
    auto loading = Factory::loadingViewWithTitle("Working");
    EXPECT_EQ(loading->mainTextField->stringValue(), "Working");
    EXPECT_EQ(Factory::basePager()->className(), "SamplePagerVC");
}

TEST_F(ScreenFactoryTest, ButtonsRunTheCallersClosureOnlyWhenThereIsOneAndTheLinksTheirOwn) {
    URLOpener::resetRecordedURLsForTesting();
    std::vector<std::string> ran;
    auto page = Factory::supportOrClearCache_faq_clearBLE(
        "t", [&] { ran.push_back("faq"); }, [&] { ran.push_back("clear"); });
    page->rightButtonToggled(*page->rightbutton);
    page->leftButtonToggled(*page->leftbutton);
    EXPECT_EQ(ran, (std::vector<std::string>{"faq", "clear"}));
    // Built without closures: the buttons still show and do nothing when pressed.
    auto bare = Factory::updateMacVersion_check_next("t", nullptr, nullptr);
    EXPECT_FALSE(bare->button->isHidden());
    bare->buttonToggled(*bare->button);
    auto accept = Factory::createAcceptViewControllerAccept_deny(nullptr, nullptr);
    accept->leftButtonToggled(*accept->leftbutton);
    // The download and support buttons open the store page, the FAQ and a support e-mail themselves.
    auto download = Factory::downloadAndOpenKestrune_next("t", nullptr);
    download->leftButtonToggled(*download->leftbutton);
    auto mail = Factory::faqOrEmailWithTitle("t");
    mail->leftButtonToggled(*mail->leftbutton);
    mail->rightButtonToggled(*mail->rightbutton);
    const auto opened = URLOpener::recordedURLs();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_NE(opened[0].find(KSUrlManager::kStoreIdentifier), std::string::npos) << opened[0];
    EXPECT_NE(opened[1].find(KSUrlManager::kWebsite), std::string::npos) << opened[1];
    EXPECT_EQ(opened[2].rfind("mailto:", 0), 0u) << opened[2];
}

TEST_F(ScreenFactoryTest, TextsAreSplicedAsTheyStandAndKeepTheLanguageTheyWereBuiltIn) {
    useTexts({{"check_for_ios_updates", "100% sure? %@ %d %s"},
              {"works_best_when_latest_version_installed", "%n"}});
    auto page = Factory::checkForIOSUpdates_next("Title %@", [] {});
    EXPECT_EQ(page->textField->stringValue(), "100% sure? %@ %d %s\n\n%n");
    EXPECT_EQ(page->titleTextField->stringValue(), "Title %@");
    useTexts({{"check_for_ios_updates", "Anders"}});
    platform::NotificationCenter::defaultCenter().post(BaseViewController::kLanguageDidChangeNotification,
                                                       nullptr);
    EXPECT_EQ(page->textField->stringValue(), "100% sure? %@ %d %s\n\n%n");
    EXPECT_FALSE(page->button->isHidden());
}

}  // namespace
}  // namespace kestrune
