// The security and accessibility wizards: what a failed and a good check do, the completion after the
// done page, System Preferences quit only when the wizard opened it, the re-check on coming back to the
// application, and the back button.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/session/AccessibilityManager.h"
#include "engine/session/ScreensaverPreconditions.h"
#include "engine/session/SystemPreferences.h"
#include "tests/windows/WizardsFixture.h"
#include "uikit/views/CustomColor.h"
#include "windows/preferences/AccessibilityUpdateVM.h"
#include "windows/preferences/ScreensaverUpdateVM.h"
#include "windows/preferences/SystemPreferencesViewController.h"

namespace kestrune {
namespace {

constexpr const char* kQuitCommand = "osascript -e 'tell application \"System Preferences\" to quit'";

class PreferenceWizardsTest : public wizardtests::WizardsFixture {
protected:
    void SetUp() override {
        WizardsFixture::SetUp();
        SystemPreferences::resetCacheForTesting();
        ScreensaverPreconditions::resetSharedForTesting();
    }
    void TearDown() override {
        SystemPreferences::resetCacheForTesting();
        WizardsFixture::TearDown();
    }
    // A wizard of the view model, on screen (its pages appear), shown from its first page.
    std::shared_ptr<SystemPreferencesViewController> shown(
        std::shared_ptr<SystemPreferencesUpdateViewModel> vm) {
        auto wizard = SystemPreferencesViewController::initWithVM(std::move(vm));
        wizard->setDidUpdateSystemPreferences([this] { completions.push_back(elapsed()); });
        wizard->window()->orderFront(nullptr);
        wizard->start();
        settle();
        return wizard;
    }
    size_t quits() const {
        auto commands = mac->answeredCommands();
        return static_cast<size_t>(std::count(commands.begin(), commands.end(), kQuitCommand));
    }
    static bool isRed(const ui::TextField& field) { return field.textColor() == redTextColor(); }

    std::vector<double> completions;
};

TEST_F(PreferenceWizardsTest, AFailedCheckSoundsTurnsTheInstructionRedAndStays) {
    mac->setScreensaverAskForPassword(0);
    auto wizard = shown(std::make_shared<ScreensaverUpdateVM>());
    auto page = wizard->securityScreen();
    EXPECT_EQ(wizard->pageIndex(), SystemPreferencesViewController::kSecurityPage);
    EXPECT_TRUE(isRed(*page->label2));
    page->bottomButton->performClick();
    EXPECT_EQ(playedSounds().size(), 1u);
    EXPECT_TRUE(isRed(*page->label2));
    EXPECT_EQ(wizard->pageIndex(), SystemPreferencesViewController::kSecurityPage);
    advance(5);
    EXPECT_TRUE(completions.empty());

    // Set now: the colour changes, the done page comes and the completion follows 2.1 s later, once,
    // however quickly the user presses again.
    mac->setScreensaverAskForPassword(1);
    page->bottomButton->performClick();
    page->bottomButton->performClick();
    const double checked = elapsed();
    EXPECT_EQ(playedSounds().size(), 1u);
    EXPECT_EQ(page->label2->textColor(), customLightGray());
    EXPECT_EQ(wizard->pageIndex(), SystemPreferencesViewController::kDonePage);
    advance(SystemPreferencesViewController::kCompletionDelay - 0.01);
    EXPECT_TRUE(completions.empty());
    advance(1);
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_NEAR(completions[0] - checked, SystemPreferencesViewController::kCompletionDelay, 1e-6);
    EXPECT_EQ(quits(), 0u);  // the user opened the pane, not the wizard

    // Shown again: a new showing completes again.
    wizard->start();
    page->bottomButton->performClick();
    advance(3);
    EXPECT_EQ(completions.size(), 2u);
    // No completion given: the done page and nothing more.
    wizard->setDidUpdateSystemPreferences(nullptr);
    wizard->start();
    page->bottomButton->performClick();
    advance(3);
    EXPECT_EQ(completions.size(), 2u);
    EXPECT_EQ(wizard->pageIndex(), SystemPreferencesViewController::kDonePage);
}

TEST_F(PreferenceWizardsTest, SystemPreferencesIsQuitOnlyWhenTheWizardOpenedIt) {
    desktop()->setProcessTrusted(false);
    auto wizard = shown(std::make_shared<AccessibilityUpdateVM>());
    auto page = wizard->securityScreen();
    page->topButton->performClick();
    advance(UpdateSecuritySettingsViewController::kOpenDelay - 0.01);
    EXPECT_TRUE(desktop()->openedURLs().empty());
    advance(0.02);
    EXPECT_EQ(desktop()->openedURLs(), std::vector<std::string>{AccessibilityManager::kAccessibilityPaneURL});
    EXPECT_TRUE(page->didLaunchManually());
    page->bottomButton->performClick();  // not allowed yet: stays, and the pane stays open
    EXPECT_EQ(quits(), 0u);
    desktop()->setProcessTrusted(true);
    page->bottomButton->performClick();
    EXPECT_EQ(quits(), 1u);
    EXPECT_FALSE(page->didLaunchManually());
    // Once quit, a later good check leaves System Preferences alone.
    wizard->start();
    page->bottomButton->performClick();
    EXPECT_EQ(quits(), 1u);
}

TEST_F(PreferenceWizardsTest, ComingBackToTheApplicationReChecksOnlyTheAccessibilityWizardOnItsCheckPage) {
    mac->setScreensaverAskForPassword(1);
    desktop()->setProcessTrusted(true);
    auto screensaver = shown(std::make_shared<ScreensaverUpdateVM>());
    auto accessibility = shown(std::make_shared<AccessibilityUpdateVM>());
    screensaver->kestruneBroughtToFront();
    EXPECT_EQ(screensaver->pageIndex(), SystemPreferencesViewController::kSecurityPage);
    accessibility->kestruneBroughtToFront();
    EXPECT_EQ(accessibility->pageIndex(), SystemPreferencesViewController::kDonePage);
    // On the done page a return checks nothing: no second completion.
    accessibility->kestruneBroughtToFront();
    advance(3);
    EXPECT_EQ(completions.size(), 1u);
    // A check page not on screen is not checked either.
    desktop()->setProcessTrusted(false);
    auto hidden = SystemPreferencesViewController::initWithVM(std::make_shared<AccessibilityUpdateVM>());
    hidden->window();
    hidden->kestruneBroughtToFront();
    EXPECT_TRUE(playedSounds().empty());
}

TEST_F(PreferenceWizardsTest, BackGoesThroughTheWizardsOwnPagesThenLeavesIt) {
    auto wizard = shown(std::make_shared<AccessibilityUpdateVM>());
    EXPECT_EQ(wizard->firstPageIndex(), 1);
    EXPECT_FALSE(wizard->performCustomActionOnBackButtonToggled());
    wizard->showFinishScreen();
    EXPECT_TRUE(wizard->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(wizard->pageIndex(), SystemPreferencesViewController::kSecurityPage);
    // A view model that starts on the introduction: its button leads on, back leads to it.
    auto vm = std::make_shared<SystemPreferencesUpdateViewModel>();
    vm->showInfoScreen = true;
    vm->updateText = "Why";
    auto introduced = shown(vm);
    EXPECT_EQ(introduced->pageIndex(), SystemPreferencesViewController::kIntroPage);
    auto intro = introduced->introViewController();
    EXPECT_EQ(intro->descriptionLabel->stringValue(), "Why");
    EXPECT_EQ(intro->titleDescriptionText(), std::optional<std::string>("update_system_preferances"));
    intro->button->performClick();
    EXPECT_EQ(introduced->pageIndex(), SystemPreferencesViewController::kSecurityPage);
    EXPECT_TRUE(introduced->performCustomActionOnBackButtonToggled());
    EXPECT_EQ(introduced->pageIndex(), SystemPreferencesViewController::kIntroPage);
    // The base view model is never satisfied.
    introduced->securityScreen()->verifySettigns();
    EXPECT_EQ(playedSounds().size(), 1u);
    EXPECT_EQ(introduced->pageIndex(), SystemPreferencesViewController::kIntroPage);
}

TEST_F(PreferenceWizardsTest, EachVariantShowsItsOwnTextsAndPicture) {
    auto general = registerImage("security_general", {340, 240});
    auto privacy = registerImage("security_privacy", {340, 240});
    auto screensaver = shown(std::make_shared<ScreensaverUpdateVM>());
    auto page = screensaver->securityScreen();
    EXPECT_EQ(screensaver->titleDescriptionText(), "update_system_preferances");
    EXPECT_EQ(page->topLabel->stringValue(), "open_security_and_privacy");
    EXPECT_EQ(page->topButton->title(), "open_security_and_privacy_action");
    EXPECT_EQ(page->label2->stringValue(), "check_require_password");
    EXPECT_EQ(page->imageView->image(), general);
    // From 10.14 the delay cannot be read: the button only confirms.
    EXPECT_EQ(page->bottomButton->title(), "ok");
    platform::SystemVersion::setOverride(std::string("10.13.6"));
    EXPECT_EQ(ScreensaverUpdateVM().actionButtonText, "verify_action");
    EXPECT_EQ(screensaver->doneScreen()->descriptionLabel->stringValue(),
              "security_preferances_have_been_updated");
    EXPECT_EQ(screensaver->introViewController()->descriptionLabel->stringValue(),
              "update_security_preferances_to_use_screensaver_description");

    auto accessibility = shown(std::make_shared<AccessibilityUpdateVM>());
    EXPECT_EQ(accessibility->securityScreen()->label2->stringValue(),
              "unlock_settings_and_select_accessibility");
    EXPECT_EQ(accessibility->securityScreen()->bottomButton->title(), "verify_action");
    EXPECT_EQ(accessibility->securityScreen()->imageView->image(), privacy);
    // The screensaver's pane opens through a script.
    page->topButton->performClick();
    advance(0.2);
    runUntilIdle();
    ASSERT_EQ(desktop()->scripts().size(), 1u);
    EXPECT_NE(desktop()->scripts()[0].find("com.apple.preference.security"), std::string::npos);
}

}  // namespace
}  // namespace kestrune
