// The music, share and translation pages: their rows and what the rows open or flip.

#include <gtest/gtest.h>

#include <array>

#include "app/support/URLOpener.h"
#include "menubar/pages/MusicMenuManager.h"
#include "menubar/pages/ShareMenuManager.h"
#include "menubar/pages/TranslationHelpMenuManager.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

class MusicShareAndTranslationTest : public PagesFixture {};

// The delegate flips the setting, as the coordinator does.
class FlippingDelegate : public testsupport::RecordingNavigationDelegate {
public:
    void togglePauseMusicOnLogout() override {
        RecordingNavigationDelegate::togglePauseMusicOnLogout();
        auto& local = kestrune::DeviceLocalSettings::shared();
        local.setMusicPauseOnLogout(!local.musicPauseOnLogout());
    }
};

TEST_F(MusicShareAndTranslationTest, TheMusicSwitchFlipsThroughTheDelegateAndRedraws) {
    auto flipping = std::make_shared<FlippingDelegate>();
    auto page = BaseMenuItemManager::create<kestrune::MusicMenuManager>(flipping);
    local().setMusicPauseOnLogout(false);
    show(*page);
    EXPECT_EQ(rowsOf(*page),
              (std::vector<std::string>{"TitleDescriptionCell music_options", "SeparatorCell",
                                        "CustomCheckBoxCell pause_music_on_logout_title",
                                        "IconTitleDescriptionCell more_options", "EmptyCell",
                                        "TitleCellCentered supported_music_players", "SimpleImageCell"}));
    const auto& rows = page->listViewModelController()->listViewModel();
    EXPECT_EQ(rows[4]->customRowHeight(), 170);
    EXPECT_EQ(rows[5]->customRowHeight(), 50);
    EXPECT_EQ(rows[6]->customRowHeight(), 75);
    EXPECT_EQ(rows[6]->iconName(), "Dock");

    auto more = row(*page, "more_options");
    EXPECT_TRUE(more->isDisabled());
    EXPECT_FALSE(more->primaryActionHandler());
    EXPECT_EQ(more->descriptionText(), "more_options_coming_soon");

    EXPECT_FALSE(row(*page, "pause_music_on_logout_title")->isOn());
    row(*page, "pause_music_on_logout_title")->primaryActionHandler()();
    EXPECT_TRUE(local().musicPauseOnLogout());
    EXPECT_TRUE(row(*page, "pause_music_on_logout_title")->isOn());
    EXPECT_EQ(row(*page, "pause_music_on_logout_title")->descriptionText(), "pause_music_on_logout");
    EXPECT_EQ(flipping->texts(), std::vector<std::string>{"togglePauseMusicOnLogout"});
}

TEST_F(MusicShareAndTranslationTest, ShareRowsOpenTheShareLinksAndTheRating) {
    auto page = shownPage<kestrune::ShareMenuManager>();
    EXPECT_EQ(rowsOf(*page), (std::vector<std::string>{"TitleDescriptionCell share_kestrune_title",
                                                       "SeparatorCell", "IconTitleDescriptionCell facebook",
                                                       "IconTitleDescriptionCell twitter",
                                                       "IconTitleDescriptionCell rate_kestrune_old"}));
    row(*page, "facebook")->primaryActionHandler()();
    row(*page, "twitter")->primaryActionHandler()();
    EXPECT_EQ(kestrune::URLOpener::recordedURLs().size(), 2u);
    EXPECT_EQ(row(*page, "rate_kestrune_old")->additionalText(), "rate_action");
    row(*page, "rate_kestrune_old")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"showRateOnAppStore"});
}

TEST_F(MusicShareAndTranslationTest, OneTranslationRowPerLanguageEachOpeningItsPage) {
    auto page = shownPage<kestrune::TranslationHelpMenuManager>();
    const auto& rows = page->listViewModelController()->listViewModel();
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[0]->customRowHeight(), 15);
    EXPECT_EQ(rowsOf(*page)[1], "DescriptionCellCentered update_texts_description");
    const std::vector<std::array<std::string, 4>> languages{
        {"english", "english", "English", "english"},
        {"spain", "spanish", "Spanish", "spanish"},
        {"german", "german", "German", "german"},
        {"russian", "russian", "Russian", "russian"},
        {"chinese", "chinese", "Chinese", "chinese"},
        {"portuguese", "portugueses", "Portuguese", "portuguese"},
        {"japanese", "japanese", "Japanese", "japanese"},
        {"italian", "italian", "Italian", "italian"},
        {"korean", "korean", "Korean", "korean"},
        {"arabic", "arabic", "Arabic", "arabic"},
        {"dutch", "dutch", "Dutch", "dutch"}};
    for (size_t i = 0; i < languages.size(); ++i) {
        const auto& [icon, title, name, word] = languages[i];
        const auto& vm = rows[i + 2];
        SCOPED_TRACE(name);
        EXPECT_EQ(vm->viewClass()->nibName, "IconTitleDescriptionCell");
        EXPECT_EQ(vm->iconName(), icon);
        EXPECT_EQ(vm->title(), title);
        EXPECT_EQ(vm->descriptionText(), name);
        EXPECT_EQ(vm->additionalText(), "see_website_action");
        kestrune::URLOpener::resetRecordedURLsForTesting();
        vm->primaryActionHandler()();
        ASSERT_EQ(kestrune::URLOpener::recordedURLs().size(), 1u);
        const std::string url = kestrune::URLOpener::recordedURLs()[0];
        const std::string ending = "language?language=" + word;
        EXPECT_TRUE(url.size() > ending.size() &&
                    url.compare(url.size() - ending.size(), ending.size(), ending) == 0)
            << url;
    }
}

}  // namespace
}  // namespace pagetests
