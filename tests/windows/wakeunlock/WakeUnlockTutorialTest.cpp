// The wake-unlock tutorial: which step each state of the phone and the two blocking features leads to,
// when an unlock confirmed on the phone ends it, and what its pages show and report.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sim/radio/Radio.h"

#include "tests/windows/WizardsFixture.h"
#include "windows/wakeunlock/MacSleepScreenViewController.h"

namespace kestrune {
namespace {

using Option = MacSleepScreenViewControllerDelegate::Option;
using wizardtests::Heard;

class RecordingSleepDelegate : public MacSleepScreenViewControllerDelegate {
public:
    std::vector<Heard> heard;
    std::vector<const platform::ui::UIObject*> senders;
    void macSleepScreenViewController_didSelectOption(platform::ui::UIObject* sender,
                                                      int32_t option) override {
        heard.push_back({option, platform::Clock::now()});
        senders.push_back(sender);
    }
};

class WakeUnlockTutorialTest : public wizardtests::WizardsFixture {
protected:
    void SetUp() override {
        WizardsFixture::SetUp();
        tutorial = KSWindowController::create<MacSleepScreenViewController>();
        tutorial->setDelegate(sleepDelegate);
        ASSERT_TRUE(tutorial->window());
    }
    // Leaves the introduction as the user does.
    void pressLetsTryIt() { tutorial->firstViewController()->nextButton->performClick(); }
    std::vector<int32_t> options() const {
        std::vector<int32_t> out;
        for (const auto& h : sleepDelegate->heard) out.push_back(h.option);
        return out;
    }

    std::shared_ptr<RecordingSleepDelegate> sleepDelegate = std::make_shared<RecordingSleepDelegate>();
    std::shared_ptr<MacSleepScreenViewController> tutorial;
};

TEST_F(WakeUnlockTutorialTest, TheStepFollowsThePhoneAndTheTwoBlockingFeatures) {
    EXPECT_EQ(tutorial->titleDescriptionText(), "mac_wake_unlock");
    EXPECT_EQ(tutorial->numberOfPages(), 5);
    EXPECT_EQ(tutorial->connectToiPhoneViewController()->connectTutorialType(), 0);
    EXPECT_EQ(tutorial->tutorialStep(), 0);
    EXPECT_EQ(tutorial->pageIndex(), 0);

    struct Case {
        const char* label;
        bool phone, connected, tracking, wifiUnlock;
        int32_t step;
    } cases[] = {
        {"no tracked phone", false, false, false, false, 1},
        {"no tracked phone, nothing blocks", false, true, false, false, 1},
        {"not connected", true, false, false, false, 1},
        {"not connected, tracking on", true, false, true, false, 1},
        {"tracking on", true, true, true, false, 2},
        {"Wi-Fi unlock on", true, true, false, true, 2},
        {"both on", true, true, true, true, 2},
        {"both off", true, true, false, false, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        forgetProcessState();
        SafeWifiManager::resetSharedForTesting();
        if (c.phone) addPhone("phone-1", "Ada's iPhone", true, c.connected, c.tracking);
        if (c.wifiUnlock) trustNetwork("Home");
        EXPECT_EQ(MacSleepScreenViewController::allRequirementsFulfulledToStartTutorial(),
                  c.phone && !c.tracking && !c.wifiUnlock);
        tutorial->start();
        pressLetsTryIt();
        EXPECT_EQ(tutorial->tutorialStep(), c.step);
        EXPECT_EQ(tutorial->pageIndex(), c.step);
    }
}

TEST_F(WakeUnlockTutorialTest, OnlyTheStepsBetweenIntroductionAndCelebrationFollowChanges) {
    auto phone = addPhone("phone-1", "Ada's iPhone", true, true, true);
    auto& wifiUnlock = SafeWifiManager::shared();
    wifiUnlock.addSafeWifiEntry(network("Home", "aa:bb:cc:dd:ee:01"));
    wifiUnlock.setSafeWifiTurnedOn(false);
    // On the introduction every event refreshes only.
    tutorial->updateTutorialStepForCurrentStepIfNeeded();
    EXPECT_EQ(tutorial->tutorialStep(), 0);
    pressLetsTryIt();
    EXPECT_EQ(tutorial->tutorialStep(), 2);
    setTracking("phone-1", false);
    tutorial->updateTutorialStepForCurrentStepIfNeeded();
    EXPECT_EQ(tutorial->tutorialStep(), 3);
    // Switching trusted Wi-Fi unlock on and off is heard through its notification.
    wifiUnlock.setSafeWifiTurnedOn(true);
    EXPECT_EQ(tutorial->tutorialStep(), 2);
    wifiUnlock.setSafeWifiTurnedOn(false);
    EXPECT_EQ(tutorial->tutorialStep(), 3);
    setConnected(phone, false);
    tutorial->updateTutorialStepForCurrentStepIfNeeded();
    EXPECT_EQ(tutorial->tutorialStep(), 1);
    setConnected(phone, true);
    tutorial->updateTutorialStepForCurrentStepIfNeeded();
    EXPECT_EQ(tutorial->tutorialStep(), 3);

    tutorial->didUnlockMacWithUserConfirmation();
    EXPECT_EQ(tutorial->tutorialStep(), 4);
    EXPECT_EQ(tutorial->pageIndex(), 4);
    // The celebration starts after its pause.
    advance(TutorialFinished::kCelebrationDelay + 0.01);
    EXPECT_TRUE(tutorial->tutorialFinishedViewController()->animation());

    // On the celebration a change refreshes the pages but keeps the step.
    auto turnOff = tutorial->turnKestruneOffViewController();
    EXPECT_FALSE(turnOff->kestruneButton->isEnabled());
    setTracking("phone-1", true);
    tutorial->updateTutorialStepForCurrentStepIfNeeded();
    EXPECT_EQ(tutorial->tutorialStep(), 4);
    EXPECT_TRUE(turnOff->kestruneButton->isEnabled());
    EXPECT_EQ(turnOff->kestruneButton->title(), "turn_kestrune_off");
    // Only a new start leaves it.
    tutorial->start();
    EXPECT_EQ(tutorial->tutorialStep(), 0);
    EXPECT_EQ(tutorial->pageIndex(), 0);
    EXPECT_TRUE(sleepDelegate->heard.empty());
}

TEST_F(WakeUnlockTutorialTest, AConfirmedUnlockCelebratesOnlyWhenNothingElseCouldHaveUnlocked) {
    addPhone("phone-1", "Ada's iPhone", true, true, false);
    // On the introduction: no jump.
    tutorial->didUnlockMacWithUserConfirmation();
    EXPECT_EQ(tutorial->tutorialStep(), 0);
    pressLetsTryIt();
    ASSERT_EQ(tutorial->tutorialStep(), 3);
    // Tracking switched on after the step was set: the phone may have unlocked by proximity.
    setTracking("phone-1", true);
    tutorial->didUnlockMacWithUserConfirmation();
    EXPECT_EQ(tutorial->tutorialStep(), 3);
    setTracking("phone-1", false);
    trustNetwork("Home");
    tutorial->updateTutorialStepForCurrentStepIfNeeded();
    ASSERT_EQ(tutorial->tutorialStep(), 2);
    tutorial->didUnlockMacWithUserConfirmation();
    EXPECT_EQ(tutorial->tutorialStep(), 2);
    SafeWifiManager::shared().setSafeWifiTurnedOn(false);
    tutorial->didUnlockMacWithUserConfirmation();
    EXPECT_EQ(tutorial->tutorialStep(), 4);
    // A step outside the pages is kept and moves nothing.
    tutorial->setTutorialStep_animated(7, false);
    EXPECT_EQ(tutorial->tutorialStep(), 7);
    EXPECT_EQ(tutorial->pageIndex(), 4);
}

TEST_F(WakeUnlockTutorialTest, TurnOffButtonsOpenThePanelAtOnceAndChangeTheSettingHalfASecondLater) {
    addPhone("phone-1", "Ada's iPhone", true, true, true);
    trustNetwork("Home");
    auto page = tutorial->turnKestruneOffViewController();
    page->updateViewForNewSettings();
    EXPECT_TRUE(page->kestruneButton->isEnabled());
    EXPECT_EQ(page->kestruneLabel->alphaValue(), 1.0);
    EXPECT_EQ(page->safeWifiButton->title(), "turn_wifi_unlock_off");
    EXPECT_TRUE(page->safeWifiButton->isEnabled());

    page->kestruneButton->performClick();
    page->safeWifiButton->performClick();
    const double t0 = platform::Clock::now();
    EXPECT_EQ(sleepDelegate->heard,
              (std::vector<Heard>{{Option::kShowMainMenu, t0}, {Option::kShowMainMenu, t0}}));
    EXPECT_EQ(sleepDelegate->senders.front(), tutorial.get());
    advance(MacSleepScreenTurnKestruneOff::kChangeDelay - 0.01);
    EXPECT_EQ(sleepDelegate->heard.size(), 2u);
    auto info = DataManager::shared().settingsForDeviceId("phone-1")->mobileDeviceTrackInfo();
    EXPECT_TRUE(info->shouldTrackMobileDevice()->boolValue());
    advance(0.02);
    ASSERT_EQ(options(), (std::vector<int32_t>{Option::kShowMainMenu, Option::kShowMainMenu,
                                               Option::kSendTrackInfo, Option::kTurnSafeWifiOff}));
    EXPECT_DOUBLE_EQ(sleepDelegate->heard[2].at - t0, MacSleepScreenTurnKestruneOff::kChangeDelay);
    // Tracking is off, switched by this Mac; the Wi-Fi switch is the coordinator's to change.
    EXPECT_FALSE(info->shouldTrackMobileDevice()->boolValue());
    EXPECT_EQ(info->deviceResponsibleForLastChange()->intValue(), 2);

    page->updateViewForNewSettings();
    EXPECT_FALSE(page->kestruneButton->isEnabled());
    EXPECT_EQ(page->kestruneButton->alphaValue(), 0.5);
    EXPECT_EQ(page->kestruneButton->title(), "tutorial_screen_kestrune_off");
    EXPECT_EQ(page->kestruneLabel->alphaValue(), 0.5);
}

TEST_F(WakeUnlockTutorialTest, TheSwitchOffLooksForTheTrackedPhoneAgainAfterItsDelay) {
    addPhone("phone-1", "Ada's iPhone", true, true, true);
    auto page = tutorial->turnKestruneOffViewController();
    page->updateViewForNewSettings();
    page->kestruneButton->performClick();
    // Unlinked meanwhile, and another phone tracked: the one tracked now is switched off.
    DataManager::shared().settingsForDeviceId("phone-1")->pairingInfo()->setConnectionStatus(
        platform::Number(1));
    addPhone("phone-2", "Bob's iPhone", true, true, true);
    advance(0.6);
    EXPECT_TRUE(DataManager::shared()
                    .settingsForDeviceId("phone-1")
                    ->mobileDeviceTrackInfo()
                    ->shouldTrackMobileDevice()
                    ->boolValue());
    EXPECT_FALSE(DataManager::shared()
                     .settingsForDeviceId("phone-2")
                     ->mobileDeviceTrackInfo()
                     ->shouldTrackMobileDevice()
                     ->boolValue());
    EXPECT_EQ(options(), (std::vector<int32_t>{Option::kShowMainMenu, Option::kSendTrackInfo}));
    // No phone tracked any more by then: nothing to switch off and nothing to send.
    setTracking("phone-2", true);
    page->updateViewForNewSettings();
    page->kestruneButton->performClick();
    DataManager::shared().settingsForDeviceId("phone-2")->pairingInfo()->setConnectionStatus(
        platform::Number(1));
    advance(0.6);
    EXPECT_EQ(options(),
              (std::vector<int32_t>{Option::kShowMainMenu, Option::kSendTrackInfo, Option::kShowMainMenu}));
}

TEST_F(WakeUnlockTutorialTest, TheStepPageStoresTheMethodAndSendsSleepAfterTheButtonsAction) {
    auto page = tutorial->tutorialViewController();
    // The registered default: Touch ID.
    EXPECT_EQ(page->radioTouchId->state(), ui::kStateOn);
    EXPECT_EQ(page->radioYesNo->state(), ui::kStateOff);
    page->radioKnockKnock->performClick();
    EXPECT_EQ(DeviceLocalSettings::shared().macSleepScreenUnlockConfirmLogin(), 3);
    EXPECT_EQ(page->radioKnockKnock->state(), ui::kStateOn);
    EXPECT_EQ(page->radioTouchId->state(), ui::kStateOff);
    // A control of another tag stores nothing but still reports the choice.
    auto stray = ui::Button::create();
    stray->setTag(9);
    page->radioButtonToggled(*stray);
    EXPECT_EQ(DeviceLocalSettings::shared().macSleepScreenUnlockConfirmLogin(), 3);
    EXPECT_EQ(options(), (std::vector<int32_t>{Option::kDidUpdateMacSleepScreenUnlock,
                                               Option::kDidUpdateMacSleepScreenUnlock}));

    // A method this version does not know: nothing chosen, no way to start.
    DeviceLocalSettings::shared().setMacSleepScreenUnlockConfirmLogin(7);
    page->updateViewForNewSettings();
    EXPECT_EQ(page->radioYesNo->state() + page->radioTouchId->state() + page->radioKnockKnock->state(), 0);
    EXPECT_TRUE(page->sleepButton->isHidden());
    EXPECT_TRUE(page->bottomLabel->isHidden());
    DeviceLocalSettings::shared().setMacSleepScreenUnlockConfirmLogin(1);
    page->updateViewForNewSettings();
    EXPECT_FALSE(page->sleepButton->isHidden());
    EXPECT_EQ(page->radioYesNo->state(), ui::kStateOn);

    sleepDelegate->heard.clear();
    page->sleepButton->performClick();
    EXPECT_TRUE(sleepDelegate->heard.empty());
    runUntilIdle();
    EXPECT_EQ(options(), (std::vector<int32_t>{Option::kLockNow}));
}

TEST_F(WakeUnlockTutorialTest, TheConnectPageAsksForBluetoothOrHelpAndTheTextsSpliceTheComputersName) {
    auto connect = tutorial->connectToiPhoneViewController();
    connect->button.lock()->performClick();
    platform::Radio::shared()->setControllerPowered(false);
    runUntilIdle();
    connect->button.lock()->performClick();
    EXPECT_EQ(options(), (std::vector<int32_t>{Option::kTroubleConnecting, Option::kTurnBluetoothOn}));

    setenv("KESTRUNE_COMPUTER_NAME", "Ada's 100% Mac(2)", 1);
    useTexts({{"unlock_device", "Unlock %@?"}, {"mac_wake_unlock", "Unlock when your Mac wakes"}});
    platform::NotificationCenter::defaultCenter().post(BaseViewController::kLanguageDidChangeNotification);
    unsetenv("KESTRUNE_COMPUTER_NAME");
    auto first = tutorial->firstViewController();
    EXPECT_EQ(first->notificationText->stringValue(), "Unlock Ada's 100% Mac?");
    EXPECT_EQ(first->titleLabel->stringValue(), "Unlock when your Mac wakes");
    EXPECT_EQ(connect->titleLabel.lock()->stringValue(), "Unlock when your Mac wakes");
    EXPECT_EQ(first->nextButton->title(), "lets_try_it_out");
}

}  // namespace
}  // namespace kestrune
