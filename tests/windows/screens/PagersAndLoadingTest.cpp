// The tutorial pager's pages and update pages, and the two Bluetooth roads behind the loading page: their
// timing in virtual time, one restart at a time, a pager closed on the way, and Bluetooth that never
// answers.

#include <gtest/gtest.h>

#include "link/transport/Bluetooth.h"
#include "platform/base/NotificationCenter.h"
#include "platform/ui/AnimationView.h"
#include "tests/windows/screens/ScreensFixture.h"
#include "windows/pagers/BaseTutorialVC.h"
#include "windows/pagers/BluetoothPagerActions.h"
#include "windows/pagers/LoadingViewController.h"
#include "windows/screens/KSViewControllerFactory.h"

namespace kestrune {
namespace {

// A tutorial pager whose pages a test gives it.
class ThreePages : public BaseTutorialVC {
public:
    int reloads = 0;
    size_t count = 3;
    void reloadPages() override {
        ++reloads;
        helpScreenArray().clear();
        for (size_t i = 0; i < count; ++i) addVC(BaseViewController::create());
    }
    std::string generalTitle() const override { return "Help"; }
};

class PagersAndLoadingTest : public screentests::ScreensFixture {
protected:
    void SetUp() override {
        ScreensFixture::SetUp();
        // The controller switches a little after it is told, as a real one does.
        platform::Radio::shared()->setPowerTransitionDelay(0.3);
        bluetoothEvents = platform::NotificationCenter::defaultCenter().addObserver(
            Bluetooth::kChangedNotification, nullptr, [this](const platform::Notification&) {
                (Bluetooth::bluetoothIsOn() ? switchedOn : switchedOff).push_back(now());
            });
    }
    void TearDown() override {
        bluetoothEvents.remove();
        ScreensFixture::TearDown();
    }

    template <typename Pager>
    std::shared_ptr<Pager> shown() {
        auto pager = BaseViewController::create<Pager>();
        auto w = window({0, 0, 850, 530});
        w->contentView()->addSubview(pager->view());
        windows.push_back(w);
        return pager;
    }
    // From the Bluetooth answer to the caller's completion: the pause, the fade, the "done" animation
    // and the last pause.
    static double afterBluetooth(double pause) {
        return pause + 0.3 + ui::AnimationView::animationNamed("checked_done")->animationDuration() + 1.5;
    }
    std::shared_ptr<BaseViewController> repairPage(const std::shared_ptr<BasePagerViewController>& pager) {
        auto page = KSViewControllerFactory::restartBluetooth_restart("Repair", [] {});
        pager->showViewController_animation(page, BasePagerViewController::kNone);
        advance(0.05);
        return page;
    }

    platform::NotificationCenter::Observation bluetoothEvents;
    std::vector<double> switchedOn, switchedOff;
    std::vector<std::shared_ptr<ui::Window>> windows;
};

TEST_F(PagersAndLoadingTest, ThePagerStepsForwardWhileItCanAndBackUntilTheFirstPage) {
    auto pager = shown<ThreePages>();
    pager->count = 0;
    pager->start();  // nothing to show
    EXPECT_FALSE(pager->currentViewController());
    EXPECT_FALSE(pager->pageForIndex(0));
    pager->count = 3;
    pager->start();
    EXPECT_EQ(pager->currentViewController(), pager->pageForIndex(0));
    EXPECT_FALSE(pager->pageForIndex(3));
    EXPECT_FALSE(pager->pageForIndex(-1));
    // Back from the first page: nothing to go to, the settings navigation pops the pager.
    advance(0.05);
    EXPECT_FALSE(pager->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(pager->currentPageIndex(), 0);
    pager->showNextIfPossible();
    pager->showNextIfPossible();
    advance(1);
    EXPECT_EQ(pager->currentPageIndex(), 2);
    pager->showNextIfPossible();
    EXPECT_EQ(pager->currentPageIndex(), 2);
    EXPECT_EQ(pager->currentViewController(), pager->pageForIndex(2));
    EXPECT_TRUE(pager->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(pager->currentPageIndex(), 1);
    EXPECT_EQ(pager->currentViewController(), pager->pageForIndex(1));
    advance(1);
    EXPECT_EQ(pager->pageForIndex(1)->view()->superview(), pager->contentViewContainer().get());
    EXPECT_EQ(pager->reloads, 2);
}

TEST_F(PagersAndLoadingTest, AnUpdatePageIsOfferedUnlessTheVersionIsKnownToBeUpToDate) {
    auto pager = shown<ThreePages>();
    auto& updates = UpdateController::shared();
    // Neither known: the pages that offer a check.
    auto mac = pager->macUpdateController();
    ASSERT_TRUE(mac);
    EXPECT_EQ(mac->leftbutton->title(), "check_for_updates_button");
    EXPECT_EQ(mac->titleTextField->stringValue(), "Help");
    auto phone = pager->iosUpdateController();
    ASSERT_TRUE(phone);
    EXPECT_EQ(phone->textField->stringValue(),
              "check_for_ios_updates\n\nworks_best_when_latest_version_installed");
    // A newer version: the pages that ask to update.
    UpdateController::VersionFacts facts;
    facts.configFetched = true;
    facts.configMacVersion = "9.0";
    facts.appVersion = "1.0";
    facts.trackedPhone = true;
    facts.configiOSVersion = "9.0";
    facts.phoneVersion = "1.0";
    updates.checkIfNewMacVersionAvalable(facts);
    updates.checkIfNewiOSVersionAvalable(facts);
    EXPECT_EQ(pager->macUpdateController()->leftbutton->title(), "get_update");
    EXPECT_EQ(pager->iosUpdateController()->textField->stringValue(),
              "we_detected_new_ios_version_please_update\n\nworks_best_when_latest_version_installed");
    // Up to date: no page.
    facts.configMacVersion = "1.0";
    facts.configiOSVersion = "1.0";
    updates.checkIfNewMacVersionAvalable(facts);
    updates.checkIfNewiOSVersionAvalable(facts);
    EXPECT_FALSE(pager->macUpdateController());
    EXPECT_FALSE(pager->iosUpdateController());
    // The next button moves the pager on.
    pager->start();
    auto page = pager->updateIosVersion();
    page->buttonToggled(*page->button);
    EXPECT_EQ(pager->currentPageIndex(), 1);
}

TEST_F(PagersAndLoadingTest, TheRestartRoadCompletesOnceAfterBluetoothThePauseAndTheDoneAnimation) {
    auto pager = shown<BasePagerViewController>();
    repairPage(pager);
    const double start = now();
    int completions = 0;
    restartBluetoothWithCompletion(*pager, [&] { ++completions; });
    auto loading = std::dynamic_pointer_cast<LoadingViewController>(pager->currentViewController());
    ASSERT_TRUE(loading);
    EXPECT_EQ(loading->mainTextField->stringValue(), "restarting_bluetooth");
    EXPECT_TRUE(Bluetooth::isRestartingBluetooth());
    // A second restart meanwhile shows no second loading page and is never completed.
    int second = 0;
    restartBluetoothWithCompletion(*pager, [&] { ++second; });
    EXPECT_EQ(pager->currentViewController(), loading);
    advance(0.5);
    ASSERT_TRUE(loading->animation());
    EXPECT_EQ(loading->animation()->animationName(), "bluetooth");
    EXPECT_TRUE(loading->animation()->loopAnimation());

    while (switchedOn.empty() && now() - start < 30) advance(0.05);
    ASSERT_EQ(switchedOn.size(), 1u);
    EXPECT_GT(switchedOff.front(), start);
    const double due = switchedOn.front() + afterBluetooth(4.0);
    advance(due - now() - 0.01);
    EXPECT_EQ(loading->mainTextField->stringValue(), "bluetooth_restarted");
    EXPECT_EQ(loading->animation()->animationName(), "checked_done");
    EXPECT_EQ(completions, 0);
    advance(0.02);
    EXPECT_EQ(completions, 1);
    advance(30);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(logged("did not report back"));
}

TEST_F(PagersAndLoadingTest, TheSwitchOffRoadWaitsBeforeSwitchingAndCompletesOnce) {
    auto pager = shown<BasePagerViewController>();
    repairPage(pager);
    pager->updateCurrentAnimationIndex(1);
    const double start = now();
    int completions = 0;
    turnOffBluetoothwithCompletion(*pager, [&] { ++completions; });
    auto loading = std::dynamic_pointer_cast<LoadingViewController>(pager->currentViewController());
    ASSERT_TRUE(loading);
    EXPECT_EQ(loading->mainTextField->stringValue(), "turning_bluetooth_off");
    // 0.5 is below the index before it: the loading page comes from the left.
    EXPECT_LT(loading->view()->frame().minX(), 0);
    advance(1.19);
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    while (switchedOff.empty() && now() - start < 30) advance(0.05);
    ASSERT_EQ(switchedOff.size(), 1u);
    EXPECT_GE(switchedOff.front() - start, 1.2 + 0.3);
    const double due = switchedOff.front() + afterBluetooth(0.5);
    advance(due - now() - 0.01);
    EXPECT_EQ(completions, 0);
    EXPECT_EQ(loading->mainTextField->stringValue(), "bluetooth_turned_off");
    advance(0.02);
    EXPECT_EQ(completions, 1);
    advance(30);
    EXPECT_EQ(completions, 1);
}

TEST_F(PagersAndLoadingTest, APagerClosedOnTheWayCallsNothingWhileBluetoothStillRestarts) {
    auto pager = shown<BasePagerViewController>();
    repairPage(pager);
    int completions = 0;
    restartBluetoothWithCompletion(*pager, [&] { ++completions; });
    advance(0.2);
    pager->view()->removeFromSuperview();
    pager.reset();
    advance(60);
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(Bluetooth::isRestartingBluetooth());
    EXPECT_TRUE(Bluetooth::bluetoothIsOn());
    EXPECT_FALSE(logged("did not report back"));
}

TEST_F(PagersAndLoadingTest, ARestartBluetoothNeverAnswersEndsAfterTwentySecondsOnThePageBefore) {
    auto pager = shown<BasePagerViewController>();
    auto repair = repairPage(pager);
    // A restart from elsewhere, over within a few seconds.
    Bluetooth::restartBluetoothIfOn();
    advance(4);
    ASSERT_FALSE(Bluetooth::isRestartingBluetooth());
    ASSERT_EQ(switchedOn.size(), 1u);
    // Within 8 s of the last restart the service drops the request without a word.
    int completions = 0;
    restartBluetoothWithCompletion(*pager, [&] { ++completions; });
    auto loading = pager->currentViewController();
    EXPECT_NE(loading, repair);
    advance(19.99);
    EXPECT_EQ(pager->currentViewController(), loading);
    EXPECT_FALSE(logged("did not report back"));
    advance(0.02);
    EXPECT_EQ(pager->currentViewController(), repair);
    EXPECT_TRUE(logged("Pager: Bluetooth did not report back from a restart within 20 s"));
    advance(60);
    EXPECT_EQ(completions, 0);
}

}  // namespace
}  // namespace kestrune
