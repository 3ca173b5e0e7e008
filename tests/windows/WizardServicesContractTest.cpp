// What the features and the settings pages rely on of the windows, and what the wizards rely on of the
// features, checked against the classes as they are: one test for each.

#include <gtest/gtest.h>

#include "app/support/Localizable.h"
#include "app/support/URLOpener.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "features/language/LanguageControllerMac.h"
#include "features/sharing/EmailComposer.h"
#include "features/sharing/SocialManager.h"
#include "menubar/photos/FailedLoginPhotosViewDelegate.h"
#include "menubar/photos/MacControllerTrackTutorialViewDelegate.h"
#include "tests/windows/WizardsFixture.h"
#include "uikit/bases/KSWindowControllerPage.h"
#include "uikit/bases/KestruneListViewWindow.h"
#include "windows/info/FailedLoginPhotosView.h"
#include "windows/info/MacControllerTrackTutorialView.h"
#include "windows/info/ManualSnapshotsTutorialView.h"
#include "windows/screens/TutorialFactory.h"

namespace kestrune {
namespace {

class WizardServicesContractTest : public wizardtests::WizardsFixture {};

struct PageChoices : FailedLoginPhotosViewDelegate, MacControllerTrackTutorialViewDelegate {
    std::vector<int32_t> failed, history;
    void failedLoginPhotosView_didSelectOption(platform::ui::UIObject*, int32_t option) override {
        failed.push_back(option);
    }
    void macControllerTrackTutorialView_didSelectOption(platform::ui::UIObject*, int32_t option) override {
        history.push_back(option);
    }
};

struct WifiSwitch : SafeWifiWizzardDelegate {
    void safeWifiWizzard_udpateSafeWifi(platform::ui::UIObject*, bool) override {}
};

TEST_F(WizardServicesContractTest, TheWindowsGiveTheFeaturesAndPagesTheirBasesPagesAndKeptWizard) {
    // Pages: visibility with the closure told after each change, the back action, identity by
    // comparison identifier, and the back button left to the navigation.
    auto page = BaseViewController::create<MacControllerTrackTutorialView>();
    std::vector<bool> told;
    page->setViewVisibilityHandler([&](bool visible) { told.push_back(visible); });
    auto w = window({0, 0, 850, 530});
    w->contentView()->addSubview(page->view());
    settle();
    EXPECT_TRUE(page->isVisible());
    page->view()->removeFromSuperview();
    settle();
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    EXPECT_FALSE(page->performCustomActionOnBackButtonToggled());
    auto again = BaseViewController::create<MacControllerTrackTutorialView>();
    EXPECT_FALSE(page->isEqual(*again));
    page->setComparisonIdentifier("MacControllerTrackTutorialView");
    again->setComparisonIdentifier("MacControllerTrackTutorialView");
    EXPECT_TRUE(page->isEqual(*again));

    // The information pages report their buttons to a delegate they do not keep; the manual snapshots
    // page reports nothing.
    auto choices = std::make_shared<PageChoices>();
    auto failed = BaseViewController::create<FailedLoginPhotosView>();
    failed->setDelegate(choices);
    failed->backToggled(*failed->showButton);
    failed->showToggled(*failed->showButton);
    page->setDelegate(choices);
    page->previousToggled(*page->showButton);
    page->showToggled(*page->showButton);
    EXPECT_EQ(choices->failed, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(choices->history, (std::vector<int32_t>{0, 1}));
    auto manual = BaseViewController::create<ManualSnapshotsTutorialView>();
    manual->showButton->performClick();

    // The list window: a titled bottom button shows at full alpha, one without a title not at all.
    auto list = KSWindowController::create<KestruneListViewWindow>();
    ASSERT_TRUE(list->window());
    list->setBottomRightButtonTitle(std::string("Delete all"));
    EXPECT_EQ(list->bottomRightButton.lock()->alphaValue(), 1.0);
    list->setBottomRightButtonTitle(std::nullopt);
    EXPECT_EQ(list->bottomRightButton.lock()->alphaValue(), 0.0);

    // The tutorial factory keeps one trusted Wi-Fi wizard, none before it is asked for.
    TutorialFactory factory;
    EXPECT_FALSE(factory.safeWifiWizzard());
    auto delegate = std::make_shared<WifiSwitch>();
    auto screen = factory.wifiWizzard(delegate);
    EXPECT_EQ(KSWindowControllerPage::windowControllerOf(screen), factory.safeWifiWizzard());
    EXPECT_EQ(factory.safeWifiWizzard()->delegate(), delegate);
    factory.wifiWizzard(delegate);
    EXPECT_EQ(KSWindowControllerPage::windowControllerOf(factory.wifiWizzard(delegate)),
              factory.safeWifiWizzard());

    // The wake-unlock tutorial refreshes its page when trusted Wi-Fi unlock is switched.
    addPhone("phone-1", "Ada's iPhone", true, true);
    auto tutorial = KSWindowController::create<MacSleepScreenViewController>();
    tutorial->window();
    tutorial->forceUpdateTutorialStepForCurrentState();
    ASSERT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kTryIt);
    auto& manager = SafeWifiManager::shared();
    manager.addSafeWifiEntry(network("Home", "aa:aa:aa:aa:aa:01"));
    manager.setSafeWifiTurnedOn(false);
    manager.setSafeWifiTurnedOn(true);
    EXPECT_EQ(tutorial->tutorialStep(), MacSleepScreenViewController::kTurnOff);
}

TEST_F(WizardServicesContractTest, TheFeaturesGiveTheWizardsTextsLanguageVersionsLinksAndTrustedWifi) {
    // No table yet: a key reads as itself.
    BundleEx::shared().resetForTesting();
    setLocalizedStringLookup(nullptr);
    EXPECT_EQ(localizable("no_such_key_anywhere"), "no_such_key_anywhere");
    auto page = BaseViewController::create<MacControllerTrackTutorialView>();
    EXPECT_EQ(page->showButton->title(), "show_history");
    // A language change attaches that language's table, is posted, and every page sets its texts again.
    LanguageControllerMac::shared().updateLanguageIfNeeded_didUpdateCallback(std::string("de"), nullptr);
    auto attached = BundleEx::shared().attachedLanguageBundlePath();
    ASSERT_TRUE(attached);
    EXPECT_TRUE(attached->ends_with("/de.lproj")) << *attached;
    EXPECT_EQ(page->showButton->title(), "Verlauf anzeigen");
    BundleEx::shared().resetForTesting();

    // The update facts the help pages read.
    auto& updates = UpdateController::shared();
    EXPECT_FALSE(updates.newMacVersion() || updates.macVersionIsUpToDate());
    UpdateController::VersionFacts facts;
    facts.configFetched = true;
    facts.configMacVersion = "2.0";
    facts.appVersion = "1.0";
    updates.checkIfNewMacVersionAvalable(facts);
    EXPECT_TRUE(updates.newMacVersion());
    EXPECT_FALSE(updates.macVersionIsUpToDate());

    // The support e-mail and the share pages open through the system.
    URLOpener::resetRecordedURLsForTesting();
    EmailComposer::sendSupportEmail();
    SocialManager::shareOnFacebook();
    SocialManager::shareOnTwitter();
    const auto opened = URLOpener::recordedURLs();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].rfind("mailto:", 0), 0u);

    // Trusted Wi-Fi unlock is on only with the switch on and a trusted network, and says when it changes.
    std::vector<const void*> posts;
    auto observation = platform::NotificationCenter::defaultCenter().addObserver(
        SafeWifiManager::kSafeWifiChangedOnOffState, nullptr,
        [&](const platform::Notification& note) { posts.push_back(note.sender); });
    auto& manager = SafeWifiManager::shared();
    EXPECT_FALSE(manager.safeWifiTurnedOn());
    manager.setSafeWifiTurnedOn(false);
    manager.addSafeWifiEntry(network("Home", "aa:aa:aa:aa:aa:01"));
    EXPECT_FALSE(manager.safeWifiTurnedOn());
    manager.setSafeWifiTurnedOn(true);
    EXPECT_TRUE(manager.safeWifiTurnedOn());
    EXPECT_EQ(posts.size(), 2u);

    // The trusted Wi-Fi wizard: made plainly, its delegate not kept, its pages built when its window loads.
    auto wizard = KSWindowController::create<SafeWifiWizzard>();
    EXPECT_FALSE(wizard->firstController());
    {
        auto delegate = std::make_shared<WifiSwitch>();
        wizard->setDelegate(delegate);
    }
    EXPECT_FALSE(wizard->delegate());
    wizard->window();
    EXPECT_TRUE(wizard->firstController() && wizard->addController() && wizard->finishController() &&
                wizard->editController());
}

}  // namespace
}  // namespace kestrune
