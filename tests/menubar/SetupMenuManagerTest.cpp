// The set-up page: which rows each state of the phone and the settings gives, the slider's range, the
// radio rows, and the screensaver's road through the security settings.

#include "menubar/pages/SetupMenuManager.h"

#include <gtest/gtest.h>

#include "menubar/lists/SliderCellVM.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

using kestrune::SetupMenuManager;
using Rows = std::vector<std::string>;

Rows operator+(Rows a, const Rows& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Rows kProximity{"TitleDescriptionCell proximity_unlock_title", "SeparatorCell",
                      "CustomCheckBoxCell proximity_unlock_feature_title"};
const Rows kLockOptions{"TitleDescriptionCell lock_options_title",
                        "SeparatorCell",
                        "CustomCheckBoxCell sleep",
                        "CustomCheckBoxCell screensaver",
                        "TitleDescriptionCell mac_wake_unlock_title",
                        "SeparatorCell",
                        "CustomCheckBoxCell txt_double_knock",
                        "CustomCheckBoxCell touchid_faceid_passcode",
                        "CustomCheckBoxCell mac_sleep_screen_ask_yes_no_short",
                        "SimpleCheckBoxCell mac_sleep_screen_dont_ask",
                        "TitleDescriptionCell other_settings",
                        "SeparatorCell",
                        "CustomCheckBoxCell lock_mac_on_disconnect",
                        "CustomCheckBoxCell allow_closer_distances",
                        "CustomCheckBoxCell open_space_mode_short"};
const Rows kLockAndUnlock{"SimpleCheckBoxCell lock_on_leave", "SimpleCheckBoxCell unlock_on_approach"};
const Rows kMethods{"CustomCheckBoxCell txt_double_knock", "CustomCheckBoxCell touchid_faceid_passcode",
                    "CustomCheckBoxCell mac_sleep_screen_ask_yes_no_short"};

class SetupMenuManagerTest : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        local().setProximityLockIsOn(false);
        local().setAllowLoginOnApproach(false);
        local().setProximityUnlockVerification(0);
    }
    Rows rows() { return rowsOf(makePage<SetupMenuManager>()->createViewModel()); }
    std::shared_ptr<kestrune::SliderCellVM> slider(SetupMenuManager& page) {
        for (const auto& vm : page.createViewModel())
            if (auto found = std::dynamic_pointer_cast<kestrune::SliderCellVM>(vm)) return found;
        return nullptr;
    }
};

TEST_F(SetupMenuManagerTest, WithoutAPhoneTheWarningTheProximitySwitchAndTheLockOptions) {
    EXPECT_EQ(rows(), Rows{"CollapseCell no_paired_devices_title"} + kProximity + kLockOptions);
    local().setProximityLockIsOn(true);
    EXPECT_EQ(rows(),
              Rows{"CollapseCell no_paired_devices_title"} + kProximity + kLockAndUnlock + kLockOptions);
}

TEST_F(SetupMenuManagerTest, APhoneNotConnectedHasTheSliderButNoEstimatedDistance) {
    addTrackedPhone(false);
    EXPECT_EQ(rows(),
              Rows{"CollapseCell devices_not_connected"} + kProximity + Rows{"SliderCell"} + kLockOptions);
    kestrune::DataManager::shared().getTrackingMobileDevice()->mobileDeviceConnectionInfo()->setIsConnected(
        Number(true));
    auto page = makePage<SetupMenuManager>();
    auto built = page->createViewModel();
    EXPECT_EQ(rowsOf(built),
              kProximity + Rows({"TItleCellRoundedValue estimated_distance_to Ann's iPhone", "SliderCell"}) +
                  kLockOptions);
    auto estimate = built[3];
    EXPECT_EQ(
        estimate->valueText(),
        kestrune::DataManager::shared().getTrackingMobileDevice()->distanceStringWithUserActiveIndication(
            false));
    EXPECT_EQ(estimate->additionalText(), "learn_more");
    estimate->secondaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"showEstimatedDistanceDescription"});
}

TEST_F(SetupMenuManagerTest, TheApproachOptionsFollowTheSwitches) {
    local().setProximityLockIsOn(true);
    local().setAllowLoginOnApproach(true);
    auto page = makePage<SetupMenuManager>();
    auto built = page->createViewModel();
    const Rows head = Rows{"CollapseCell no_paired_devices_title"} + kProximity + kLockAndUnlock;
    EXPECT_EQ(rowsOf(built),
              head + Rows{"SimpleCheckBoxCell proximity_unlock_verification_title"} + kLockOptions);
    auto verification = built[6];
    EXPECT_FALSE(verification->isOn());
    EXPECT_EQ(verification->leftMargin(), 40);
    EXPECT_EQ(verification->additionalText(), "read_more");

    local().setProximityUnlockVerification(2);
    built = page->createViewModel();
    EXPECT_EQ(rowsOf(built), head + Rows{"SimpleCheckBoxCell proximity_unlock_verification_title"} +
                                 kMethods + kLockOptions);
    EXPECT_TRUE(built[6]->isOn());
    EXPECT_EQ(built[7]->leftMargin(), 80);
    EXPECT_FALSE(built[7]->isOn());
    EXPECT_TRUE(built[8]->isOn());
    EXPECT_FALSE(built[9]->isOn());

    // Unlock on approach off: the verification goes, its methods stay while a method is stored.
    local().setAllowLoginOnApproach(false);
    EXPECT_EQ(rowsOf(page->createViewModel()), head + kMethods + kLockOptions);
    local().setProximityLockIsOn(false);
    EXPECT_EQ(rowsOf(page->createViewModel()),
              Rows{"CollapseCell no_paired_devices_title"} + kProximity + kLockOptions);
}

TEST_F(SetupMenuManagerTest, TheSliderRunsFromTheSmallestAllowedDistanceTo90) {
    addTrackedPhone(true);
    local().setProximityLockDistance(70);
    auto page = shownPage<SetupMenuManager>();
    auto bar = slider(*page);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->minValue(), 60);
    EXPECT_EQ(bar->maxValue(), 90);
    EXPECT_EQ(bar->currentValue(), 70);
    EXPECT_EQ(bar->additionalText(), "proximity_lock_unlock_distance");
    EXPECT_EQ(bar->textValueFunc()(75), trackedSettings()->calculate(75));
    local().setAllowCloserDistances(true);
    EXPECT_EQ(slider(*page)->minValue(), 45);

    // Letting go stores the distance through the delegate; the page is not rebuilt under the hand.
    const auto shown = page->listViewModelController()->listViewModel();
    bar->didUpdate()(82);
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"updateTrackingDistance: 82"});
    EXPECT_EQ(page->listViewModelController()->listViewModel(), shown);
}

TEST_F(SetupMenuManagerTest, RadioRowsSetTheirOwnValueEvenWhenAlreadyOn) {
    local().setMacSleepScreenUnlockConfirmLogin(1);
    auto page = shownPage<SetupMenuManager>();
    EXPECT_TRUE(row(*page, "mac_sleep_screen_ask_yes_no_short")->isOn());
    EXPECT_FALSE(row(*page, "mac_sleep_screen_dont_ask")->isOn());
    row(*page, "mac_sleep_screen_ask_yes_no_short")->primaryActionHandler()();
    row(*page, "txt_double_knock")->primaryActionHandler()();
    row(*page, "touchid_faceid_passcode")->primaryActionHandler()();
    row(*page, "mac_sleep_screen_dont_ask")->primaryActionHandler()();
    row(*page, "sleep")->primaryActionHandler()();
    row(*page, "sleep")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(),
              (std::vector<std::string>{"updateMacSleepScreenAuth: 1", "updateMacSleepScreenAuth: 3",
                                        "updateMacSleepScreenAuth: 2", "updateMacSleepScreenAuth: 0",
                                        "updateLogoutAction: 0", "updateLogoutAction: 0"}));
    row(*page, "txt_double_knock")->secondaryActionHandler()();
    row(*page, "open_space_mode_short")->secondaryActionHandler()();
    row(*page, "proximity_unlock_title")->secondaryActionHandler()();
    EXPECT_EQ(navigation->calls().back().operation, "showProximityLockTutorial");
    EXPECT_EQ(navigation->count("showKnockKnockTutorial"), 1u);
    EXPECT_EQ(navigation->count("showOpenSpaceInfo"), 1u);
}

TEST_F(SetupMenuManagerTest, SwitchesAskTheDelegateThenRebuild) {
    auto page = shownPage<SetupMenuManager>();
    auto before = page->listViewModelController()->listViewModel();
    row(*page, "lock_mac_on_disconnect")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"toggleLogoutOnDisconnect"});
    EXPECT_NE(page->listViewModelController()->listViewModel(), before);
    // The delegate stands for the coordinator: the page shows what the settings say after the call.
    local().setProximityLockIsOn(true);
    row(*page, "proximity_unlock_feature_title")->primaryActionHandler()();
    EXPECT_TRUE(row(*page, "lock_on_leave"));
    EXPECT_TRUE(row(*page, "proximity_unlock_feature_title")->isOn());
}

TEST_F(SetupMenuManagerTest, TheScreensaverAfterLockingWaitsForTheSecuritySettings) {
    local().setActionOnLogout(0);
    session->setScreensaverAskForPassword(std::nullopt);
    auto page = shownPage<SetupMenuManager>();
    row(*page, "screensaver")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(),
              std::vector<std::string>{"updateSecuritySettingsWithCompletion: completion"});
    session->setScreensaverAskForPassword(1);
    session->setScreensaverAskForPasswordDelay(0);
    navigation->runCompletions();
    EXPECT_EQ(navigation->calls().back().text(), "updateLogoutAction: 1");

    // With the password asked at once, or from display-off, the screensaver is chosen straight away.
    navigation->clear();
    row(*page, "screensaver")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"updateLogoutAction: 1"});
    navigation->clear();
    session->setScreensaverAskForPassword(std::nullopt);
    local().setActionOnLogout(2);
    row(*page, "screensaver")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"updateLogoutAction: 1"});
}

}  // namespace
}  // namespace pagetests
