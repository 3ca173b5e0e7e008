// The settings window's master list from the page-manager factory: its rows, what each opens, and rows
// that outlive the factory.

#include "menubar/pages/MenuManagerFactory.h"

#include <gtest/gtest.h>

#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

using kestrune::MenuManagerFactory;
using Texts = std::vector<std::string>;

class MenuManagerFactoryTest : public PagesFixture {
protected:
    void SetUp() override {
        PagesFixture::SetUp();
        factory = MenuManagerFactory::initWithDelegate(navigation);
    }
    std::shared_ptr<MenuManagerFactory> factory;
};

TEST_F(MenuManagerFactoryTest, TheMasterListHasTwelveRowsWithTheirIdsAndTwoSeparators) {
    auto rows = factory->generateListModel();
    Texts ids, titles, icons;
    for (const auto& row : rows) {
        ids.push_back(row->rowId().value_or("-"));
        titles.push_back(row->title().value_or("").empty() ? "-" : *row->title());
        icons.push_back(row->iconName().value_or("-"));
    }
    EXPECT_EQ(ids,
              (Texts{"devicesMenu", "-", "setupMenu", "wifiMenu", "photosAndHistoryMenu", "clipboardMenu",
                     "musicMenu", "advancedMenu", "updatesMenu", "-", "helpMenu", "shareMenu"}));
    EXPECT_EQ(titles, (Texts{"my_devices", "-", "kestrune_options", "wifi_unlock", "login_photos_short",
                             "clipboard", "music_options", "advanced_settings", "check_for_updates", "-",
                             "help", "share_kestrune"}));
    EXPECT_EQ(icons[4], "menu_icon_photos");
    EXPECT_EQ(icons[11], "menu_icon_share");
    EXPECT_EQ(rowsOf({rows[1], rows[9]}), (Texts{"SeparatorCell", "SeparatorCell"}));
    // A fresh list each time, the same pages behind it.
    EXPECT_NE(factory->generateListModel()[0], rows[0]);
}

TEST_F(MenuManagerFactoryTest, ARowShowsItsManagersPageFromTheMasterList) {
    auto rows = factory->generateListModel();
    rows[4]->primaryActionHandler()();
    const auto* shown = navigation->last("showDetailList:source:popToRoot:");
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text(), "showDetailList:source:popToRoot: controller 1 NO");
    EXPECT_EQ(shown->controller, factory->photosAndHistoryManager->getViewController());
    rows[0]->primaryActionHandler()();
    EXPECT_EQ(navigation->last("showDetailList:source:popToRoot:")->controller,
              factory->devicesMenuManager->getViewController());
    rows[3]->primaryActionHandler()();
    EXPECT_EQ(navigation->texts().back(), "showWifiUnlockOptionForSource: 1");
    // The managers report to the factory's delegate.
    EXPECT_EQ(factory->shareMenuManager->delegate(), navigation);
    EXPECT_EQ(factory->translationMenuManager->delegate(), navigation);
    EXPECT_TRUE(factory->allCellsMenuManager);

    // The clipboard row shows the clipboard page.
    rows[5]->primaryActionHandler()();
    EXPECT_EQ(navigation->last("showDetailList:source:popToRoot:")->controller,
              factory->clipboardManager->getViewController());
    EXPECT_EQ(factory->clipboardManager->delegate(), navigation);
}

TEST_F(MenuManagerFactoryTest, RowsAreInertOnceTheFactoryIsGone) {
    auto rows = factory->generateListModel();
    std::weak_ptr<kestrune::PhotosAndHistoryManager> photos = factory->photosAndHistoryManager;
    factory.reset();
    EXPECT_TRUE(photos.expired());
    for (const auto& row : rows)
        if (row->primaryActionHandler()) row->primaryActionHandler()();
    EXPECT_TRUE(navigation->calls().empty());
}

}  // namespace
}  // namespace pagetests
