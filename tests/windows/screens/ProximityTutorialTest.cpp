// The proximity tutorial's states, what it tells the coordinator, and its pages: the connect page that
// follows Bluetooth, the set-up texts, the walk-away distances, the celebration and the last page.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "link/transport/Bluetooth.h"
#include "platform/sim/radio/Radio.h"
#include "platform/ui/AnimationContext.h"
#include "tests/windows/screens/ScreensFixture.h"
#include "windows/tutorial/InitialTutorialController.h"

namespace kestrune {
namespace {

using Option = WizzardViewControllerDelegate::Option;

class ProximityTutorialTest : public screentests::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        phone = addPhone("phone-1", "Ada's iPhone", true, true, false);
        tutorial = KSWindowController::create<InitialTutorialController>();
        tutorial->setDelegate(delegate);
        ASSERT_TRUE(tutorial->window());
    }
    // The road to the locked state: started, tracking switched on, locked by walking away.
    void walkAwayAndLock() {
        tutorial->showKestruneTutorial();
        setTracking("phone-1", true);
        tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
        tutorial->userDidLogoutWithKestruneRSSI();
        ASSERT_EQ(tutorial->tutorialState(), InitialTutorialController::kLocked);
    }

    std::shared_ptr<MobileDevice> phone;
    std::shared_ptr<InitialTutorialController> tutorial;
};

TEST_F(ProximityTutorialTest, TheMainRoadFromSetUpToTheCelebration) {
    EXPECT_EQ(tutorial->titleDescriptionText(), "proximity_unlock_title");
    ASSERT_TRUE(tutorial->pageControl);
    EXPECT_EQ(tutorial->pageControl->numberOfDots(), 4);
    EXPECT_EQ(tutorial->numberOfPages(), 5);
    EXPECT_EQ(tutorial->connectController()->connectTutorialType(), 1);

    tutorial->showKestruneTutorial();
    EXPECT_TRUE(tutorial->tutorialIsActive());
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kSetUp);
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kSetUpPage);
    EXPECT_EQ(tutorial->tutorialSetup()->iPhoneNameTitle->stringValue(), "Ada's iPhone");
    EXPECT_EQ(tutorial->tutorialSetup()->topTitleLabel->stringValue(),
              "lock_and_unlock_your_mac_automatically");

    setTracking("phone-1", true);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kWalkAway);
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kWalkAwayPage);
    EXPECT_EQ(delegate->options, std::vector<int32_t>{Option::kCloseMenuBarShortly});

    // An unlock before the lock changes nothing.
    tutorial->userDidLoginWithKestruneRSSI();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kWalkAway);
    tutorial->userDidLogoutWithKestruneRSSI();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kLocked);
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kWalkAwayPage);
    tutorial->userDidLogoutWithKestruneRSSI();  // a second lock: still waiting for the return
    EXPECT_EQ(delegate->options,
              (std::vector<int32_t>{Option::kCloseMenuBarShortly, Option::kNotifyLockedByWalkingAway}));

    EXPECT_FALSE(DeviceLocalSettings::shared().didShowTutorialAtLeastOnce());
    tutorial->userDidLoginWithKestruneRSSI();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kUnlocked);
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kFinishedPage);
    EXPECT_FALSE(tutorial->tutorialIsActive());
    EXPECT_TRUE(DeviceLocalSettings::shared().didShowTutorialAtLeastOnce());
    EXPECT_TRUE(InitialTutorialController::didShowTutorialAtLeastOnce());
    ASSERT_EQ(playedSounds().size(), 1u);
    EXPECT_EQ(delegate->options.back(), Option::kNotifyUnlockedByComingBack);
    EXPECT_EQ(delegate->options.size(), 3u);
}

TEST_F(ProximityTutorialTest, AnInactiveTutorialIgnoresEveryEvent) {
    tutorial->updateTutorialStateAfterConnectionUpdate();
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    tutorial->userDidLogoutWithKestruneRSSI();
    tutorial->userDidLoginWithKestruneRSSI();
    tutorial->setTutorialState(InitialTutorialController::kWalkAway);
    EXPECT_EQ(tutorial->tutorialState(), 0);
    EXPECT_EQ(tutorial->pageIndex(), 0);
    EXPECT_TRUE(delegate->options.empty());
    // Ended by the coordinator when the pager was hidden: no more steps.
    tutorial->showKestruneTutorial();
    tutorial->endAndCleanupTutorial();
    setTracking("phone-1", true);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kSetUp);
    EXPECT_TRUE(delegate->options.empty());
}

TEST_F(ProximityTutorialTest, ADisconnectedPhoneWaitsOnTheConnectPageUntilItConnects) {
    setConnected(phone, false);
    tutorial->showKestruneTutorial();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kNotConnected);
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kConnectPage);
    tutorial->updateTutorialStateAfterConnectionUpdate();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kNotConnected);
    setConnected(phone, true);
    tutorial->updateTutorialStateAfterConnectionUpdate();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kSetUp);
    // Connected in another state: unchanged.
    setTracking("phone-1", true);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    tutorial->updateTutorialStateAfterConnectionUpdate();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kWalkAway);
    // Started with tracking already on: straight to walking away.
    auto again = KSWindowController::create<InitialTutorialController>();
    again->window();
    again->showTutorialAfterPairing();
    EXPECT_EQ(again->tutorialState(), InitialTutorialController::kWalkAway);
    EXPECT_EQ(again->tutorialSetup()->topTitleLabel->stringValue(), "we_are_ready_to_start");
}

TEST_F(ProximityTutorialTest, TrackingSwitchedOffWhileWalkingAwayOrLockedGoesBackToSetUp) {
    walkAwayAndLock();
    setTracking("phone-1", false);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kSetUp);
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kSetUpPage);
    setTracking("phone-1", true);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kWalkAway);
    setTracking("phone-1", false);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kSetUp);
}

// Kept as the coordinator has it: a disconnect while locked starts over at the connect page, so the
// unlock by coming back that follows finishes nothing.
TEST_F(ProximityTutorialTest, ADisconnectWhileLockedStartsOverSoTheUnlockFinishesNothing) {
    walkAwayAndLock();
    setConnected(phone, false);
    tutorial->updateTutorialStateAfterConnectionUpdate();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kNotConnected);
    setConnected(phone, true);
    tutorial->userDidLoginWithKestruneRSSI();
    EXPECT_EQ(tutorial->tutorialState(), InitialTutorialController::kNotConnected);
    EXPECT_TRUE(playedSounds().empty());
    EXPECT_FALSE(DeviceLocalSettings::shared().didShowTutorialAtLeastOnce());
}

TEST_F(ProximityTutorialTest, TheFinishButtonsRoadAndThePagesChoices) {
    tutorial->showKestruneTutorial();
    auto walk = tutorial->tutorialWalkAway();
    walk->finishToggled(*walk->finishButton);
    EXPECT_FALSE(tutorial->tutorialIsActive());
    EXPECT_EQ(tutorial->pageIndex(), InitialTutorialController::kLastPage);
    auto last = tutorial->finishViewController();
    EXPECT_EQ(last->finishPreviewController->iPhoneNameTitle->stringValue(), "Ada's iPhone");
    EXPECT_EQ(last->finishButton->title(), "show_tutorial");
    last->finishToggled(*last->finishButton);
    tutorial->finishViewController_didSelectOption(*last, 0);
    tutorial->finishViewController_didSelectOption(*last, 2);
    auto setup = tutorial->tutorialSetup();
    setup->openMainMenuToggled(*setup->openMainMenuButton);
    auto connect = tutorial->connectController();
    tutorial->macSleepScreenConnectToiPhone_didSelectOption(*connect, 0);
    tutorial->macSleepScreenConnectToiPhone_didSelectOption(*connect, 1);
    tutorial->macSleepScreenConnectToiPhone_didSelectOption(*connect, 5);
    EXPECT_EQ(delegate->options,
              (std::vector<int32_t>{Option::kShowProximityTutorial, 0, Option::kOpenMenuBar,
                                    Option::kTurnBluetoothOn, Option::kTroubleConnecting}));
    // A phone without a name leaves the preview's name as it was.
    phone->mobileDeviceInfo()->setDeviceName(std::nullopt);
    last->finishPreviewController->iPhoneNameTitle->setStringValue("kept");
    last->updateView();
    EXPECT_EQ(last->finishPreviewController->iPhoneNameTitle->stringValue(), "kept");
}

TEST_F(ProximityTutorialTest, TheConnectButtonFollowsTheLiveBluetoothState) {
    auto connect = tutorial->connectController();
    EXPECT_EQ(connect->titleLabel.lock()->stringValue(), "setup_kestrune");
    EXPECT_EQ(connect->button.lock()->title(), "troubleshoot");
    EXPECT_EQ(connect->connectLabel.lock()->stringValue(), "connect_to_iphone_to_use_this_feature");
    platform::Radio::shared()->setControllerPowered(false);
    // The press asks Bluetooth again, whatever the texts still say.
    connect->buttonToggled(*connect->button.lock());
    EXPECT_EQ(delegate->options, std::vector<int32_t>{Option::kTurnBluetoothOn});
    tutorial->didupdateBluetoothState();
    EXPECT_EQ(connect->button.lock()->title(), "turn_bluetooth_on");
    EXPECT_EQ(connect->connectLabel.lock()->stringValue(), "turn_on_ble_to_use_kestrune");
    platform::Radio::shared()->setControllerPowered(true);
    connect->buttonToggled(*connect->button.lock());
    EXPECT_EQ(delegate->options.back(), Option::kTroubleConnecting);
    // The title by type; any other type keeps the layout's.
    auto page = BaseViewController::create<MacSleepScreenConnectToiPhone>();
    const auto layoutTitle = page->titleLabel.lock()->stringValue();
    page->setConnectTutorialType(7);
    EXPECT_EQ(page->titleLabel.lock()->stringValue(), layoutTitle);
    page->setConnectTutorialType(0);
    EXPECT_EQ(page->titleLabel.lock()->stringValue(), "mac_wake_unlock");
}

TEST_F(ProximityTutorialTest, TheWalkAwayPageFollowsTheDistanceAndHidesTheUserActiveNoteWithoutClearingIt) {
    setTracking("phone-1", true);
    tutorial->showKestruneTutorial();
    auto walk = tutorial->tutorialWalkAway();
    phoneServices->refusedRecently = true;
    tutorial->updateTutorialStateForMobileDevice(phone);
    advance(0.5);
    EXPECT_EQ(walk->userActiveLabel->alphaValue(), 1.0);
    EXPECT_EQ(walk->userActiveLabel->stringValue(), phone->userActiveIndicationString());
    EXPECT_EQ(walk->currentDistanceValueLabel->stringValue(),
              phone->distanceStringWithUserActiveIndication(false));
    EXPECT_EQ(walk->metricLabel1->stringValue(), "meters");
    // The chosen metric's name, in lower case.
    auto settings = DataManager::shared().settingsForDeviceId("phone-1");
    settings->iOSSettings()->setChosenMetric(platform::Number(2));
    useTexts({{"feet", "Füße"}});
    tutorial->updateTutorialStateForMobileDevice(phone);
    EXPECT_EQ(walk->metricLabel1->stringValue(), "füße");
    EXPECT_EQ(walk->metricLabel2->stringValue(), "füße");
    EXPECT_EQ(walk->kestruneDistanceValueLabel->stringValue(), settings->distanceToLockString());
    EXPECT_EQ(walk->noteLabel->stringValue(), "distance_estimation");
    phoneServices->refusedRecently = false;
    tutorial->updateTutorialStateForMobileDevice(phone);
    EXPECT_EQ(walk->userActiveLabel->alphaValue(), 0.0);
    EXPECT_EQ(walk->userActiveLabel->stringValue(), phone->userActiveIndicationString());
}

TEST_F(ProximityTutorialTest, TheThumbsUpHidesOnEveryAppearanceAndFadesInAfterTheConfetti) {
    auto finished = tutorial->tutorialFinished();
    auto w = window({0, 0, 850, 530});
    finished->image->setAlphaValue(1);
    w->contentView()->addSubview(finished->view());
    EXPECT_EQ(finished->image->alphaValue(), 0.0);
    finished->image->setAlphaValue(1);
    finished->view()->removeFromSuperview();
    w->contentView()->addSubview(finished->view());
    EXPECT_EQ(finished->image->alphaValue(), 0.0);

    finished->playCelebrateAnimation();
    advance(1.19);
    EXPECT_FALSE(finished->animation());
    advance(0.02);
    ASSERT_TRUE(finished->animation());
    EXPECT_EQ(finished->animation()->animationName(), "confetti.json");
    EXPECT_EQ(finished->animation()->superview(), finished->animationContainer.get());
    const double confetti = finished->animation()->animationDuration();
    advance(confetti - 0.02);
    EXPECT_EQ(finished->image->alphaValue(), 0.0);
    advance(0.02);
    EXPECT_EQ(finished->image->alphaValue(), 1.0);
    bool fadedOverHalfASecond = false;
    for (const auto& record : ui::AnimationContext::recorded())
        if (record.target.lock() == finished->image && record.duration == 0.5 &&
            record.to == ui::AnimatableValue(1.0))
            fadedOverHalfASecond = true;
    EXPECT_TRUE(fadedOverHalfASecond);
    // A second celebration replaces the first animation view.
    finished->executeCelebrateAnimation();
    EXPECT_EQ(finished->animationContainer->subviews().size(), 1u);
}

// The page dots under the tutorial mark the page shown (the two endings share the last dot), are drawn
// sharp in the product green and light grey, and keep clear of the green strip and the pages' buttons.
class ProximityTutorialDotsTest : public ProximityTutorialTest {
protected:
    // The dot drawn at index i of the row, in the window's pixels (backing scale 2), and the pixel just
    // outside its square on the left.
    ui::Bitmap::RGBA dotCentre(const ui::Bitmap& pixels, int i) const {
        const auto frame = tutorial->pageControl->frame();
        const double x = frame.minX() + 20 * i + 5, y = frame.minY() + 5;
        return pixels.rgbaAt(static_cast<int>(x * 2), static_cast<int>((530 - y) * 2));
    }
    ui::Bitmap::RGBA besideDot(const ui::Bitmap& pixels, int i) const {
        const auto frame = tutorial->pageControl->frame();
        const double x = frame.minX() + 20 * i, y = frame.minY() + 5;
        return pixels.rgbaAt(static_cast<int>(x * 2) - 1, static_cast<int>((530 - y) * 2));
    }
    static bool isGreen(const ui::Bitmap::RGBA& p) { return p.r == 0x09 && p.g == 0xD2 && p.b == 0x61; }
    static bool isGrey(const ui::Bitmap::RGBA& p) { return p.r == 0xC9 && p.g == 0xCC && p.b == 0xCB; }
    // The current dot: the marker stands at it and the dot itself is hidden; every other dot shows.
    void expectCurrentDot(int32_t index) {
        auto& dots = *tutorial->pageControl;
        EXPECT_EQ(dots.indexSelected(), index);
        EXPECT_EQ(dots.activePageIndicator()->frame().origin, (ui::Point{20.0 * index, 0}));
        for (int32_t i = 0; i < 4; ++i)
            EXPECT_EQ(dots.pageIndicatorForIndex(i)->alphaValue(), i == index ? 0.0 : 1.0) << i;
    }
};

TEST_F(ProximityTutorialDotsTest, TheDotsFollowThePageShown) {
    expectCurrentDot(0);
    setConnected(phone, false);
    tutorial->showKestruneTutorial();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kConnectPage);
    expectCurrentDot(0);
    setConnected(phone, true);
    tutorial->updateTutorialStateAfterConnectionUpdate();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kSetUpPage);
    expectCurrentDot(1);
    walkAwayAndLock();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kWalkAwayPage);
    expectCurrentDot(2);
    tutorial->userDidLoginWithKestruneRSSI();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kFinishedPage);
    expectCurrentDot(3);
    // Started again with tracking on, the walk-away page; leaving early from it ends on the last page, on
    // the same last dot.
    tutorial->showKestruneTutorial();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kWalkAwayPage);
    expectCurrentDot(2);
    tutorial->showWeAreDoneScreen();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kLastPage);
    expectCurrentDot(3);
}

TEST_F(ProximityTutorialDotsTest, TheDotsAreDrawnSharpBetweenTheStripAndTheButtons) {
    tutorial->showKestruneTutorial();
    setTracking("phone-1", true);
    tutorial->updateTutorialStateAfterUpdatingTrackingInfo();
    ASSERT_EQ(tutorial->pageIndex(), InitialTutorialController::kWalkAwayPage);
    settle();
    const auto pixels = renderPNG(*tutorial->window()->contentView(), home() + "/tutorial.png");
    ASSERT_EQ(pixels.width, 1700);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto centre = dotCentre(pixels, i);
        EXPECT_EQ(centre.a, 255);
        EXPECT_TRUE(i == 2 ? isGreen(centre) : isGrey(centre))
            << centre.r << " " << centre.g << " " << centre.b;
        // Sharp: one device pixel outside the dot's square is the page's white, untouched by the dot.
        const auto beside = besideDot(pixels, i);
        EXPECT_EQ(beside.r, 255);
        EXPECT_EQ(beside.g, 255);
        EXPECT_EQ(beside.b, 255);
    }
    // On whole points, with room under the buttons of the pages that have one and over the green strip.
    const auto dots = tutorial->pageControl->frame();
    EXPECT_EQ(dots.minX(), std::round(dots.minX()));
    EXPECT_EQ(dots.minY(), std::round(dots.minY()));
    EXPECT_EQ(dots.midX(), 425);
    EXPECT_GE(dots.minY() - 5, 12) << "above the strip";
    const std::vector<std::shared_ptr<ui::Button>> buttons{tutorial->connectController()->button.lock(),
                                                           tutorial->tutorialSetup()->finishButton,
                                                           tutorial->tutorialWalkAway()->finishButton};
    for (const auto& button : buttons) {
        ASSERT_TRUE(button);
        EXPECT_GE(button->frame().minY() - dots.maxY(), 12) << "under a button";
    }
}

}  // namespace
}  // namespace kestrune
