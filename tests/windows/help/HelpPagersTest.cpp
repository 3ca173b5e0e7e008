// The help and first-connection pagers and the clear-cache wizard: their pages with and without the
// update pages, what they report and when, the FAQ jump, and the wizard's step through the switch-off,
// the deletion and a Bluetooth that never goes off.

#include <gtest/gtest.h>

#include "link/transport/Bluetooth.h"
#include "link/transport/CommandLineBluetoothCache.h"
#include "platform/sim/radio/Radio.h"
#include "platform/storage/Files.h"
#include "tests/windows/WizardsFixture.h"
#include "windows/help/ClearCacheController.h"
#include "windows/help/HelpTutorialController.h"
#include "windows/help/InitialConnectionTroubleShoot.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/pagers/LoadingViewController.h"

namespace kestrune {
namespace {

using wizardtests::Heard;

class RecordingHelpDelegate : public HelpDelegate, public ClearCacheControllerDelegate {
public:
    std::vector<int32_t> options;
    std::vector<const platform::ui::UIObject*> senders;
    int clearRequests = 0;
    void helpDelegate_didSelectOption(platform::ui::UIObject* sender, int32_t option) override {
        options.push_back(option);
        senders.push_back(sender);
    }
    void clearCacheControllerClearCache(platform::ui::UIObject*) override { ++clearRequests; }
};

class HelpPagersTest : public wizardtests::WizardsFixture {
protected:
    void SetUp() override {
        WizardsFixture::SetUp();
        cacheFile = home() + "/com.apple.Bluetooth.plist";
        CommandLineBluetoothCache::setBluetoothCachePath(cacheFile);
        platform::Radio::shared()->setPowerTransitionDelay(0.3);
    }
    void TearDown() override {
        CommandLineBluetoothCache::setBluetoothCachePath(CommandLineBluetoothCache::kDefaultCachePath);
        WizardsFixture::TearDown();
    }
    template <typename Pager>
    std::shared_ptr<Pager> pager() {
        auto made = BaseViewController::create<Pager>();
        made->setHelpDelegate(help);
        return made;
    }
    // The pager's view in a window on screen.
    void showOnScreen(const std::shared_ptr<BaseViewController>& page) {
        if (!screen) screen = window({0, 0, 850, 530});
        screen->contentView()->addSubview(page->view());
        settle();
    }
    void knownVersions(const std::string& mac, const std::string& phone) {
        UpdateController::VersionFacts facts;
        facts.configFetched = true;
        facts.trackedPhone = true;
        facts.configMacVersion = mac;
        facts.configiOSVersion = phone;
        facts.appVersion = "1.0";
        facts.phoneVersion = "1.0";
        UpdateController::shared().checkIfNewMacVersionAvalable(facts);
        UpdateController::shared().checkIfNewiOSVersionAvalable(facts);
    }
    void writeCacheFile() {
        ASSERT_TRUE(platform::Files::writeAtomically(cacheFile, platform::Data::fromString("plist")));
    }
    static std::string text(const std::shared_ptr<BaseViewController>& page) {
        auto info = std::dynamic_pointer_cast<InfoViewController>(page);
        return info && info->textField ? info->textField->stringValue() : "";
    }

    std::string cacheFile;
    std::shared_ptr<ui::Window> screen;
    std::shared_ptr<RecordingHelpDelegate> help = std::make_shared<RecordingHelpDelegate>();
};

TEST_F(HelpPagersTest, TheHelpPagerHasSixPagesOrEightWithTheUpdatePagesAfterTheThird) {
    knownVersions("1.0", "1.0");
    auto pages = pager<HelpTutorialController>();
    EXPECT_EQ(pages->titleDescriptionText(), std::optional<std::string>("troubleshoot"));
    EXPECT_EQ(pages->generalTitle(), "kestrune troubleshoot");
    ASSERT_EQ(pages->helpScreenArray().size(), 6u);
    EXPECT_FALSE(pages->macUpdate());
    EXPECT_EQ(pages->currentViewController(), pages->firstVC());
    EXPECT_EQ(pages->firstVC()->titleTextField->stringValue(), "kestrune troubleshoot");

    knownVersions("9.0", "9.0");
    pages->start();
    const auto& list = pages->helpScreenArray();
    ASSERT_EQ(list.size(), 8u);
    EXPECT_EQ(list[2], pages->thirdVC());
    EXPECT_EQ(list[3], pages->macUpdate());
    EXPECT_EQ(list[4], pages->iosUpdate());
    EXPECT_EQ(list[5], pages->fourthVC());
    EXPECT_EQ(text(list[3]), "we_detected_new_osx_version_please_update");
    EXPECT_EQ(pages->currentPageIndex(), 0);
    // Neither version known: the pages that offer a check.
    UpdateController::resetSharedForTesting();
    pages->start();
    EXPECT_EQ(pages->helpScreenArray().size(), 8u);
    EXPECT_EQ(text(pages->macUpdate()), "check_for_osx_updates");
}

TEST_F(HelpPagersTest, TheHelpPagerReportsItsAppearanceItsClearRequestAndNothingToAReleasedDelegate) {
    knownVersions("1.0", "1.0");
    auto pages = pager<HelpTutorialController>();
    showOnScreen(pages);
    EXPECT_EQ(help->options, std::vector<int32_t>{HelpDelegate::kDidAppear});
    EXPECT_EQ(help->senders.front(), pages.get());
    pages->view()->removeFromSuperview();
    settle();
    EXPECT_EQ(help->options, (std::vector<int32_t>{HelpDelegate::kDidAppear, HelpDelegate::kDidDisappear}));
    // The fifth page: FAQ leads on, the other button asks to clear the cache.
    auto fifth = pages->fifthVC();
    fifth->leftbutton->performClick();
    EXPECT_EQ(help->options.back(), HelpDelegate::kClearBluetoothCache);
    for (int i = 0; i < 4; ++i) pages->showNextIfPossible();
    advance(2);
    fifth->rightbutton->performClick();
    EXPECT_EQ(pages->currentViewController(), pages->sixthVC());
    // Next on the first page moves on.
    pages->start();
    pages->firstVC()->button->performClick();
    EXPECT_EQ(pages->currentPageIndex(), 1);

    // The pager does not keep its delegate: once released it is told nothing.
    help.reset();
    EXPECT_FALSE(pages->helpDelegate());
    showOnScreen(pages);
    fifth->leftbutton->performClick();
    pages->clearBluetoothCache();
}

TEST_F(HelpPagersTest, TheFirstConnectionPagerJumpsToTheFaqAndBackToThePageBeforeSupport) {
    knownVersions("1.0", "1.0");
    auto pages = pager<InitialConnectionTroubleShoot>();
    showOnScreen(pages);
    EXPECT_TRUE(help->options.empty());  // it leaves recovery mode alone
    const auto& list = pages->helpScreenArray();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[3], pages->support());
    for (int i = 0; i < 3; ++i) pages->showNextIfPossible();
    advance(2);
    ASSERT_EQ(pages->currentViewController(), pages->support());
    pages->support()->rightbutton->performClick();
    EXPECT_EQ(pages->currentViewController(), pages->faq());
    EXPECT_EQ(pages->currentPageIndex(), 3);
    advance(1);
    EXPECT_TRUE(pages->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(pages->currentViewController(), pages->restartBluetooth());
    EXPECT_EQ(pages->currentPageIndex(), 2);
    pages->support()->leftbutton->performClick();
    EXPECT_EQ(help->options, std::vector<int32_t>{HelpDelegate::kClearBluetoothCache});
    // With both update pages: before the support page.
    knownVersions("9.0", "9.0");
    pages->start();
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[3], pages->macUpdate());
    EXPECT_EQ(list[4], pages->iosUpdate());
    EXPECT_EQ(list[5], pages->support());
}

TEST_F(HelpPagersTest, TheClearCacheWizardShowsTheStepTheMachineCallsFor) {
    auto wizard = BaseViewController::create<ClearCacheController>();
    wizard->setDelegate(help);
    EXPECT_EQ(wizard->titleDescriptionText(), std::optional<std::string>("clear_bluetooth_cache"));
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kTurnOffIndex);
    EXPECT_EQ(text(wizard->currentViewController()), "step_1_of_3 : turn_bluetooth_off");
    wizard->setCacheMessage(1);
    EXPECT_EQ(text(wizard->currentViewController()), "corrupted_bluetooth_cache");
    wizard->setCacheMessage(0);

    // Off with the file, then without.
    platform::Radio::shared()->setControllerPowered(false);
    advance(1);
    writeCacheFile();
    wizard->updateViewForBLEUpdate();
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kDeleteIndex);
    auto deletePage = std::dynamic_pointer_cast<InfoViewController>(wizard->currentViewController());
    advance(1);
    deletePage->button->performClick();
    EXPECT_EQ(help->clearRequests, 1);
    // A deletion that failed leaves the wizard where it is.
    wizard->updateViewForBLEUpdate();
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kDeleteIndex);
    platform::Files::remove(cacheFile);
    wizard->updateViewForBLEUpdate();
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kRestartIndex);
    EXPECT_EQ(text(wizard->currentViewController()), "step_3_of_3 : restart_mac_after_clear_cache");
    // Started afresh with Bluetooth off and no file: the restart step at once.
    auto again = BaseViewController::create<ClearCacheController>();
    EXPECT_EQ(again->currentAutomaticAnimationIndex(), ClearCacheController::kRestartIndex);
    // A released delegate hears nothing of the delete button.
    writeCacheFile();
    again->start();
    again->setDelegate(std::weak_ptr<ClearCacheControllerDelegate>());
    advance(1);
    std::dynamic_pointer_cast<InfoViewController>(again->currentViewController())->button->performClick();
    EXPECT_EQ(help->clearRequests, 1);
}

TEST_F(HelpPagersTest, BluetoothChangesDuringTheSwitchOffKeepTheStepUntilTheRoadEnds) {
    writeCacheFile();
    auto wizard = BaseViewController::create<ClearCacheController>();
    showOnScreen(wizard);
    auto turnOff = std::dynamic_pointer_cast<InfoViewController>(wizard->currentViewController());
    turnOff->button->performClick();
    EXPECT_TRUE(wizard->ignoreViewUpdates());
    auto loading = std::dynamic_pointer_cast<LoadingViewController>(wizard->currentViewController());
    ASSERT_TRUE(loading);
    // Bluetooth goes off on the way: the wizard hears of it and stays on the loading page.
    advance(2);
    ASSERT_FALSE(Bluetooth::bluetoothIsOn());
    wizard->updateViewForBLEUpdate();
    EXPECT_EQ(wizard->currentViewController(), loading);
    advance(10);
    EXPECT_FALSE(wizard->ignoreViewUpdates());
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kDeleteIndex);
    EXPECT_NE(wizard->currentViewController(), loading);
}

TEST_F(HelpPagersTest, ASwitchOffBluetoothNeverReportsEndsOnTheRestartStepAfterTwentySeconds) {
    // The controller takes longer to go off than the service polls.
    platform::Radio::shared()->setPowerTransitionDelay(100);
    writeCacheFile();
    auto wizard = BaseViewController::create<ClearCacheController>();
    showOnScreen(wizard);
    const double pressed = elapsed();
    std::dynamic_pointer_cast<InfoViewController>(wizard->currentViewController())->button->performClick();
    auto loading = wizard->currentViewController();
    advance(pagerbluetooth::kGiveUpAfter - 0.01);
    EXPECT_EQ(wizard->currentViewController(), loading);
    EXPECT_TRUE(wizard->ignoreViewUpdates());
    advance(0.02);
    EXPECT_NEAR(elapsed() - pressed, pagerbluetooth::kGiveUpAfter, 0.02);
    EXPECT_FALSE(wizard->ignoreViewUpdates());
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kRestartIndex);
    EXPECT_EQ(text(wizard->currentViewController()), "step_3_of_3 : restart_mac_after_clear_cache");
    // It follows the machine again.
    wizard->updateViewForBLEUpdate();
    EXPECT_EQ(wizard->currentAutomaticAnimationIndex(), ClearCacheController::kTurnOffIndex);
}

}  // namespace
}  // namespace kestrune
