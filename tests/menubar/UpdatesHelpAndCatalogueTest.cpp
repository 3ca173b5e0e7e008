// The updates page's states of this application and of the phone's, with what each button does; the
// help page's rows; the catalogue's collapsible row.

#include <stdlib.h>

#include <gtest/gtest.h>

#include "app/support/URLOpener.h"
#include "menubar/pages/AllCellsMenuManager.h"
#include "menubar/pages/HelpMenuManager.h"
#include "menubar/pages/UpdatesMenuManager.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

using kestrune::KestruneUpdater;
using kestrune::UpdatesMenuManager;

class UpdatesHelpAndCatalogueTest : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        // A check asks a port that refuses at once.
        setenv("KESTRUNE_UPDATE_FEED_URL", "http://127.0.0.1:9/feed.plist", 1);
    }
    void TearDown() override {
        unsetenv("KESTRUNE_UPDATE_FEED_URL");
        PagesFixture::TearDown();
    }
    static KestruneUpdater& updater() { return KestruneUpdater::shared(); }
    // The Mac row: its description and its button (none when it has none).
    std::pair<std::string, std::string> macRow(BaseMenuItemManager& page) {
        auto vm = page.listViewModelController()->listViewModel().at(2);
        return {vm->descriptionText().value_or("?"), vm->additionalText().value_or("none")};
    }
    std::pair<std::string, std::string> phoneRow(BaseMenuItemManager& page) {
        auto vm = page.listViewModelController()->listViewModel().at(6);
        return {vm->title().value_or("?"), vm->additionalText().value_or("none")};
    }
};

TEST_F(UpdatesHelpAndCatalogueTest, TheUpdaterStatesBecomePageStatesWithTheirTextsAndButtons) {
    struct Case {
        int32_t updater;
        bool newer, installAfterDownload, automatic;
        int32_t page;
        std::string text, button;
    };
    const Case cases[] = {
        {5, false, false, false, 0, "kestrune_up_to_date", "none"},
        {5, true, false, false, 7, "check", "check_action"},
        {0, false, false, false, 1, "check", "check_action"},
        {6, true, false, false, 1, "check", "check_action"},
        {2, true, false, false, 2, "get_new_version", "get_new_version_action"},
        {1, false, false, false, 3, "checking_for_updates", "none"},
        {3, true, true, false, 4, "downloading_will_relaunch", "none"},
        {3, true, false, true, 4, "downloading_will_relaunch", "none"},
        {3, true, false, false, 5, "downloading_relaunch_when_finished",
         "downloading_relaunch_when_finished_action"},
        {4, true, false, false, 6, "relaunch_new_version_ready", "relaunch_new_version_ready_action"},
    };
    auto page = shownPage<UpdatesMenuManager>();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.updater) + (c.newer ? " newer" : ""));
        updater().setUpdaterState(c.updater);
        updater().setInstallAfterDownload(c.installAfterDownload);
        updater().setShouldAutomaticallyCheckForUpdates(c.automatic);
        kestrune::UpdateController::shared().setNewMacVersion(c.newer);
        EXPECT_EQ(UpdatesMenuManager::currentMacUpdateState(), c.page);
        page->updateViewDataIfNeeded();
        EXPECT_EQ(macRow(*page), std::make_pair(c.text, c.button));
    }
    EXPECT_EQ(rowsOf(*page), (std::vector<std::string>{
                                 "TitleDescriptionCell mac_app_title", "SeparatorCell",
                                 "IconTitleDescriptionCell " + kestrune::Common::versionText(),
                                 "CustomCheckBoxCell automatically_update", "TitleDescriptionCell iphone_app",
                                 "SeparatorCell", "IconTitleDescriptionCell no_ios_device_connected"}));
}

TEST_F(UpdatesHelpAndCatalogueTest, TheDownloadButtonInstallsAfterDownloadAndLosesItsButton) {
    updater().setUpdaterState(KestruneUpdater::kStateFoundInBackground);
    auto page = shownPage<UpdatesMenuManager>();
    EXPECT_EQ(macRow(*page).second, "downloading_relaunch_when_finished_action");
    page->listViewModelController()->listViewModel()[2]->primaryActionHandler()();
    EXPECT_TRUE(updater().installAfterDownload());
    EXPECT_EQ(macRow(*page), std::make_pair(std::string("downloading_will_relaunch"), std::string("none")));
    // The button acted on the state it was built with: pressed again, it changes nothing.
}

TEST_F(UpdatesHelpAndCatalogueTest, TheCheckAndRelaunchButtonsReachTheUpdater) {
    auto page = shownPage<UpdatesMenuManager>();
    EXPECT_EQ(macRow(*page).second, "check_action");
    page->listViewModelController()->listViewModel()[2]->primaryActionHandler()();
    runUntilIdle();
    EXPECT_TRUE(updater().checkingInForeground());

    int installs = 0;
    updater().updater_willInstallUpdateOnQuit_immediateInstallationInvocation(
        *updater().engine(), {"2.0", ""}, [&] { ++installs; });
    runUntilIdle();
    page->updateViewDataIfNeeded();
    ASSERT_EQ(macRow(*page).second, "relaunch_new_version_ready_action");
    EXPECT_EQ(installs, 0);
    page->listViewModelController()->listViewModel()[2]->primaryActionHandler()();
    EXPECT_EQ(installs, 1);
}

TEST_F(UpdatesHelpAndCatalogueTest, ThePhoneRowFollowsTheTrackedPhone) {
    kestrune::setLocalizedStringLookup([](const std::string& key) -> std::optional<std::string> {
        if (key == "device_not_connected") return std::string("%@ is not connected");
        return std::nullopt;
    });
    auto page = shownPage<UpdatesMenuManager>();
    EXPECT_EQ(phoneRow(*page), std::make_pair(std::string("no_ios_device_connected"), std::string("none")));
    auto phone = addTrackedPhone(false);
    page->updateViewDataIfNeeded();
    EXPECT_EQ(phoneRow(*page),
              std::make_pair(std::string("Ann's iPhone is not connected"), std::string("none")));
    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    page->updateViewDataIfNeeded();
    EXPECT_EQ(phoneRow(*page), std::make_pair(std::string("ios_version_up_to_date"), std::string("none")));
    page->listViewModelController()->listViewModel()[6]->primaryActionHandler()();
    EXPECT_TRUE(navigation->calls().empty());
    kestrune::UpdateController::shared().setNewiOSVersion(true);
    page->updateViewDataIfNeeded();
    EXPECT_EQ(phoneRow(*page), std::make_pair(std::string("new_ios_update_ready"), std::string("update")));
    page->listViewModelController()->listViewModel()[6]->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"updateiOSVersion"});
    kestrune::setLocalizedStringLookup(nullptr);
}

TEST_F(UpdatesHelpAndCatalogueTest, HelpRowsOpenTheSiteTheMailAndTheTutorials) {
    auto help = shownPage<kestrune::HelpMenuManager>();
    EXPECT_EQ(rowsOf(*help),
              (std::vector<std::string>{
                  "TitleDescriptionCell help_section_title", "SeparatorCell", "IconTitleDescriptionCell faq",
                  "IconTitleDescriptionCell about", "IconTitleDescriptionCell feedback",
                  "IconTitleDescriptionCell translation_help_title", "TitleDescriptionCell tutorials_title",
                  "SeparatorCell", "IconTitleDescriptionCell proximity_unlock_title",
                  "IconTitleDescriptionCell mac_wake_unlock_title",
                  "IconTitleDescriptionCell clear_bluetooth_cache", "IconTitleDescriptionCell troubleshoot",
                  "IconTitleDescriptionCell close_main_window_title"}));
    const auto& rows = help->listViewModelController()->listViewModel();
    for (size_t i : {2u, 3u, 4u}) rows[i]->primaryActionHandler()();
    const auto urls = kestrune::URLOpener::recordedURLs();
    ASSERT_EQ(urls.size(), 3u);
    EXPECT_EQ(urls[0], "https://kestrune.com/faq");
    EXPECT_EQ(urls[1], "https://kestrune.com");
    EXPECT_EQ(urls[2].rfind("mailto:support@kestrune.com?", 0), 0u);
    for (size_t i : {5u, 8u, 9u, 10u, 11u, 12u}) rows[i]->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(),
              (std::vector<std::string>{"showHelpTranslation", "showProximityLockTutorial",
                                        "showMacSleepScreenTutorial", "showClearBluetoothCacheTutorial",
                                        "showTroubleShootInitialConnection", "showCloseMainWindowTutorial"}));

    // With a tracked phone, troubleshooting checks that phone's connection.
    navigation->clear();
    addTrackedPhone(false);
    help->updateViewDataIfNeeded();
    help->listViewModelController()->listViewModel()[11]->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"showHelpViewAndCheck"});
}

TEST_F(UpdatesHelpAndCatalogueTest, TheCatalogueCollapsesAndExpandsItsSampleRow) {
    auto catalogue = shownPage<kestrune::AllCellsMenuManager>();
    EXPECT_EQ(rowsOf(*catalogue).size(), 14u);
    auto sample = [&] { return row(*catalogue, "Turn bluetooth on"); };
    ASSERT_TRUE(sample());
    EXPECT_EQ(styleOf(sample()), 2);
    EXPECT_FALSE(sample()->isCollapsed());
    sample()->secondaryActionHandler()();
    EXPECT_TRUE(sample()->isCollapsed());
    sample()->secondaryActionHandler()();
    EXPECT_FALSE(sample()->isCollapsed());
    EXPECT_TRUE(navigation->calls().empty());
}

}  // namespace
}  // namespace pagetests
