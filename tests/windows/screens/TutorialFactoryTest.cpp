// The tutorial factory: each screen made once and handed back with the latest delegate, events reaching
// only the screens that exist, the pairing wizard resuming where the pairing stands, and the screens made
// as window controllers crossing the coordinator's interface as their pages.

#include <gtest/gtest.h>

#include "engine/coordinator/MacSleepScreenViewControllerDelegate.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "platform/sim/radio/Radio.h"
#include "tests/windows/WizardsFixture.h"
#include "uikit/bases/KSWindowControllerPage.h"
#include "windows/preferences/AccessibilityUpdateVM.h"
#include "windows/preferences/ScreensaverUpdateVM.h"
#include "windows/screens/InformationScreenFactory.h"
#include "windows/screens/TutorialFactory.h"

namespace kestrune {
namespace {

class Heard : public HelpDelegate,
              public MacSleepScreenViewControllerDelegate,
              public ClearCacheControllerDelegate,
              public ClipboardInfoViewControllerDelegate {
public:
    std::vector<int32_t> help, sleep;
    std::vector<int64_t> clipboard;
    int clears = 0;
    void clipboardInfoViewController_didSelectOption(platform::ui::UIObject*, int64_t option) override {
        clipboard.push_back(option);
    }
    void helpDelegate_didSelectOption(platform::ui::UIObject*, int32_t option) override {
        help.push_back(option);
    }
    void macSleepScreenViewController_didSelectOption(platform::ui::UIObject*, int32_t option) override {
        sleep.push_back(option);
    }
    void clearCacheControllerClearCache(platform::ui::UIObject*) override { ++clears; }
};

class TutorialFactoryTest : public wizardtests::WizardsFixture {
protected:
    void TearDown() override {
        CommandLineBluetoothCache::setBluetoothCachePath(CommandLineBluetoothCache::kDefaultCachePath);
        WizardsFixture::TearDown();
    }
    template <typename T>
    static std::shared_ptr<T> behind(const ScreenController& screen) {
        return std::dynamic_pointer_cast<T>(KSWindowControllerPage::windowControllerOf(screen));
    }

    std::shared_ptr<TutorialFactory> factory = std::make_shared<TutorialFactory>();
    std::shared_ptr<Heard> first = std::make_shared<Heard>();
    std::shared_ptr<Heard> second = std::make_shared<Heard>();
};

TEST_F(TutorialFactoryTest, EachScreenIsMadeOnceAndHearsTheLatestDelegate) {
    auto help = factory->helpTutorial(first);
    EXPECT_EQ(factory->helpTutorial(second), help);
    ASSERT_EQ(help, factory->helpTutorialController());
    factory->helpTutorialController()->clearBluetoothCache();
    EXPECT_TRUE(first->help.empty());
    EXPECT_EQ(second->help, std::vector<int32_t>{HelpDelegate::kClearBluetoothCache});

    auto sleep = factory->macSleepScreenTutorial(first);
    EXPECT_EQ(factory->macSleepScreenTutorial(second), sleep);
    auto tutorial = behind<MacSleepScreenViewController>(sleep);
    ASSERT_EQ(tutorial, factory->macSleepScreenWIzzard());
    tutorial->macSleepScreenTutorialStepViewController_didSelectOption(
        *tutorial->tutorialViewController(), MacSleepScreenTutorialStepViewController::kSleepNow);
    EXPECT_TRUE(first->sleep.empty());
    EXPECT_EQ(second->sleep, std::vector<int32_t>{MacSleepScreenViewControllerDelegate::kLockNow});

    auto cache = factory->clearCacheTutorial(first);
    EXPECT_EQ(factory->clearCacheTutorial(second), cache);
    EXPECT_EQ(factory->clearCacheController()->delegate(), second);
    auto troubleshoot = factory->initialConnectionTroubleShoot(first);
    EXPECT_EQ(factory->initialConnectionTroubleShoot(second), troubleshoot);
    EXPECT_EQ(factory->initialSetupTroubleshoot()->helpDelegate(), second);
    auto wizard = factory->initialTutorial(std::shared_ptr<WizzardViewControllerDelegate>(delegate));
    EXPECT_EQ(factory->initialTutorial(delegate), wizard);
    EXPECT_EQ(behind<InitalWizzardController>(wizard), factory->wizzardViewController());
    auto proximity = factory->proximityUnlockTutorial(delegate);
    EXPECT_EQ(factory->proximityUnlockTutorial(delegate), proximity);
    EXPECT_NE(proximity, wizard);
    auto wifiWizard = factory->wifiWizzard(std::shared_ptr<SafeWifiWizzardDelegate>());
    EXPECT_EQ(behind<SafeWifiWizzard>(wifiWizard), factory->safeWifiWizzard());
}

TEST_F(TutorialFactoryTest, TheTwoPreferenceWizardsAreSeparateAndTakeTheLatestCompletion) {
    int firstRuns = 0, secondRuns = 0, accessibilityRuns = 0;
    auto security = factory->systemPreferenceTutorialwithCompletion([&] { ++firstRuns; });
    EXPECT_EQ(factory->systemPreferenceTutorialwithCompletion([&] { ++secondRuns; }), security);
    auto accessibility = factory->accessilityPreferenceTutorialwithCompletion([&] { ++accessibilityRuns; });
    ASSERT_NE(security, accessibility);
    EXPECT_TRUE(std::dynamic_pointer_cast<ScreensaverUpdateVM>(
        factory->systemPreferenceViewController()->viewModel()));
    EXPECT_TRUE(std::dynamic_pointer_cast<AccessibilityUpdateVM>(
        factory->accessibilityPreferenceViewController()->viewModel()));
    factory->systemPreferenceViewController()->showFinishScreen();
    advance(3);
    EXPECT_EQ(firstRuns, 0);
    EXPECT_EQ(secondRuns, 1);
    EXPECT_EQ(accessibilityRuns, 0);
    // Coming back to the application: only a wizard on screen on its check page checks.
    desktop()->setProcessTrusted(false);
    auto w = window({0, 0, 850, 530});
    w->contentView()->addSubview(accessibility->view());
    factory->start(accessibility);
    settle();
    factory->kestruneBroughtToFront();
    EXPECT_EQ(playedSounds().size(), 1u);
}

TEST_F(TutorialFactoryTest, EventsBeforeAnyScreenReachNothing) {
    auto phone = addPhone("phone-1", "Ada's iPhone", true, true);
    factory->didUpdateBluetoothState();
    factory->didSyncWithMobileDevice(phone);
    factory->updateMacSleepScreenTutorialIfNeeded();
    factory->didUnlockMacWithUserConfirmation();
    factory->lostConnectionToMobileDevice(phone);
    factory->updatePairingWizzard();
    factory->setCacheMessage(1);
    factory->updateViewForBLEUpdate();
    factory->updatePageForCurrentState();
    factory->kestruneBroughtToFront();
    factory->refreshHomeView();
    factory->didSuccessfullyPair_withMobileDevice(true, phone);
    factory->didLooseConnectionWithMobileDevice(phone);
    factory->showBluetoothNotSupported();
    factory->updateTutorialStateAfterConnectionUpdate();
    factory->userDidLogoutWithKestruneRSSI();
    factory->showKestruneTutorial();
    EXPECT_FALSE(factory->helpTutorialIsVisible());
    EXPECT_FALSE(factory->macSleepScreenWizardIsVisible());
    // Nothing was made on the way.
    EXPECT_FALSE(factory->wizzardViewController() || factory->initialTutorialController() ||
                 factory->macSleepScreenWIzzard() || factory->helpTutorialController() ||
                 factory->clearCacheController() || factory->systemPreferenceViewController() ||
                 factory->accessibilityPreferenceViewController() || factory->initialSetupTroubleshoot() ||
                 factory->safeWifiWizzard() || factory->clipboardInfoViewController());
    EXPECT_TRUE(playedSounds().empty());
}

TEST_F(TutorialFactoryTest, ThePairingWizardResumesWhereThePairingStands) {
    factory->initialTutorial(delegate);
    auto wizard = factory->wizzardViewController();
    auto& data = DataManager::shared();
    auto phone = MobileDevice::initWithUnId("new-phone");
    phone->mobileDeviceInfo()->setDeviceName("Bob's iPhone");
    data.setPairingMobileDevice(phone);
    factory->updatePairingWizzard();
    EXPECT_EQ(wizard->pageIndex(), InitalWizzardController::kAcceptPage);
    data.setDidAcceptPairingDevice(true);
    factory->updatePairingWizzard();
    EXPECT_EQ(wizard->pageIndex(), InitalWizzardController::kConfigurePage);
    data.setPairingMobileDevice(nullptr);
    factory->updatePairingWizzard();
    EXPECT_EQ(wizard->pageIndex(), InitalWizzardController::kHomePage);
}

TEST_F(TutorialFactoryTest, EventsReachTheScreensThatExist) {
    auto phone = addPhone("phone-1", "Ada's iPhone", true, true, false);
    auto sleepScreen = factory->macSleepScreenTutorial(first);
    auto tutorial = factory->macSleepScreenWIzzard();
    tutorial->forceUpdateTutorialStepForCurrentState();
    ASSERT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kTryIt);
    factory->didUnlockMacWithUserConfirmation();
    EXPECT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kFinished);
    tutorial->forceUpdateTutorialStepForCurrentState();
    setConnected(phone, false);
    factory->lostConnectionToMobileDevice(phone);
    EXPECT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kConnect);
    setConnected(phone, true);
    factory->didSyncWithMobileDevice(phone);
    EXPECT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kTryIt);
    setTracking("phone-1", true);
    factory->updateMacSleepScreenTutorialIfNeeded();
    EXPECT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kTurnOff);

    // The proximity tutorial, started through the factory.
    factory->proximityUnlockTutorial(delegate);
    auto proximity = factory->initialTutorialController();
    setTracking("phone-1", false);
    factory->showKestruneTutorial();
    EXPECT_EQ(proximity->tutorialState(), InitialTutorialController::kSetUp);
    setConnected(phone, false);
    factory->updateTutorialStateAfterConnectionUpdate();
    EXPECT_EQ(proximity->tutorialState(), InitialTutorialController::kNotConnected);
    factory->endAndCleanupTutorial();
    EXPECT_FALSE(proximity->tutorialIsActive());

    // The clear-cache wizard follows Bluetooth; its message is set through the factory.
    CommandLineBluetoothCache::setBluetoothCachePath(home() + "/no-cache.plist");
    factory->clearCacheTutorial(first);
    auto cache = factory->clearCacheController();
    factory->setCacheMessage(1);
    EXPECT_EQ(cache->cacheMessage(), 1);
    factory->setCacheMessage(std::nullopt);
    EXPECT_EQ(cache->cacheMessage(), 0);
    EXPECT_EQ(cache->currentAutomaticAnimationIndex(), ClearCacheController::kTurnOffIndex);
    platform::Radio::shared()->setControllerPowered(false);
    advance(1);
    factory->didUpdateBluetoothState();
    EXPECT_EQ(cache->currentAutomaticAnimationIndex(), ClearCacheController::kRestartIndex);

    // The Wi-Fi wizard is refreshed through the factory.
    factory->wifiWizzard(std::shared_ptr<SafeWifiWizzardDelegate>());
    wifi->join("Home", "aa:aa:aa:aa:aa:01");
    factory->safeWifiWizzard()->addNewWifiNetwork();
    factory->updatePageForCurrentState();
    EXPECT_EQ(factory->safeWifiWizzard()->addController()->viewModel()->wifiName, "Home");
}

TEST_F(TutorialFactoryTest, WindowScreensCrossAsTheirPagesAndTheFactoryAnswersForThem) {
    auto screen = factory->macSleepScreenTutorial(first);
    auto tutorial = factory->macSleepScreenWIzzard();
    auto page = std::dynamic_pointer_cast<KSWindowControllerPage>(screen);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->view(), tutorial->mainView());
    EXPECT_EQ(page->titleDescriptionText(), std::optional<std::string>("mac_wake_unlock"));
    EXPECT_EQ(page->comparisonIdentifier(), std::optional<std::string>("MacSleepScreenViewController"));
    // The back button is the window's.
    auto security = factory->systemPreferenceTutorialwithCompletion(nullptr);
    factory->systemPreferenceViewController()->showFinishScreen();
    EXPECT_TRUE(
        std::dynamic_pointer_cast<BaseViewController>(security)->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(factory->systemPreferenceViewController()->pageIndex(),
              SystemPreferencesViewController::kSecurityPage);
    EXPECT_FALSE(KSWindowControllerPage::windowControllerOf(factory->helpTutorial(first)));

    // Started, shown and hidden through the factory.
    tutorial->forceUpdateTutorialStepForCurrentState();
    factory->start(screen);
    EXPECT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kIntroduction);
    std::vector<bool> seen;
    factory->setViewVisibilityHandler(screen, [&](bool visible) { seen.push_back(visible); });
    auto help = factory->helpTutorial(first);
    auto w = window({0, 0, 850, 530});
    w->contentView()->addSubview(page->view());
    w->contentView()->addSubview(help->view());
    settle();
    EXPECT_TRUE(factory->isVisible(screen));
    EXPECT_TRUE(factory->macSleepScreenWizardIsVisible());
    EXPECT_TRUE(factory->helpTutorialIsVisible());
    page->view()->removeFromSuperview();
    settle();
    EXPECT_FALSE(factory->isVisible(screen));
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(TutorialFactoryTest, TheInformationScreensAreTheScreenFactorysPages) {
    InformationScreenFactory screens;
    int runs = 0;
    auto page =
        std::dynamic_pointer_cast<InfoViewController>(screens.manualPhotosVCWithCompletion([&] { ++runs; }));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->titleTextField->stringValue(), "manual_snapshots_title");
    page->button->performClick();
    EXPECT_EQ(runs, 1);
    auto alone = std::dynamic_pointer_cast<InfoViewController>(screens.updateMacVersion_check_next(
        "Updates", [] {}, nullptr));
    ASSERT_TRUE(alone);
    EXPECT_FALSE(alone->button->isHidden());
    EXPECT_TRUE(alone->rightbutton->isHidden());
}

// The clipboard how-to, asked for by "Read more" on the clipboard page, the panel and the settings menu:
// made once as its window's page, its send button heard by the latest delegate, and its layout kept to
// the phone's connection by the events the factory passes on.
TEST_F(TutorialFactoryTest, TheClipboardHowToIsMadeOnceAndFollowsThePhone) {
    auto phone = addPhone("phone-1", "Ada's iPhone", true, true, false);
    auto screen = factory->clipboardTutorial(first);
    ASSERT_TRUE(screen);
    EXPECT_EQ(factory->clipboardTutorial(second), screen);
    auto howTo = behind<ClipboardInfoViewController>(screen);
    ASSERT_TRUE(howTo);
    EXPECT_EQ(howTo, factory->clipboardInfoViewController());
    EXPECT_EQ(std::dynamic_pointer_cast<BaseViewController>(screen)->view(), howTo->mainView());
    auto send = howTo->sentClipboardButton.lock();
    ASSERT_TRUE(send);
    EXPECT_TRUE(send->isEnabled());
    send->performClick();
    EXPECT_TRUE(first->clipboard.empty());
    EXPECT_EQ(second->clipboard, std::vector<int64_t>{ClipboardInfoViewController::kOptionSend});

    // The phone goes and comes back: the layout follows through the factory's events.
    setConnected(phone, false);
    factory->lostConnectionToMobileDevice(phone);
    EXPECT_FALSE(send->isEnabled());
    EXPECT_EQ(howTo->devicesNotConnectedLabel.lock()->alphaValue(), 1.0);
    setConnected(phone, true);
    factory->didSyncWithMobileDevice(phone);
    EXPECT_TRUE(send->isEnabled());
    EXPECT_EQ(howTo->devicesNotConnectedLabel.lock()->alphaValue(), 0.0);
    setConnected(phone, false);
    factory->didUpdateBluetoothState();
    EXPECT_FALSE(send->isEnabled());
}

}  // namespace
}  // namespace kestrune
