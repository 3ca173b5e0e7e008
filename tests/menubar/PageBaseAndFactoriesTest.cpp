// The row factories (what each kind of row puts where), the shared rows, and the page-manager base: one
// controller per page, rebuilt whole when it appears and while shown, never while hidden.

#include <gtest/gtest.h>

#include "menubar/cells/TitleCellCentered.h"
#include "menubar/lists/KestruneListViewModelFactory.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/lists/ListViewModelMapper.h"
#include "menubar/pages/KSCellFactory.h"
#include "menubar/pages/SetupMenuManager.h"
#include "menubar/pages/TranslationHelpMenuManager.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

using kestrune::KestruneListViewModelFactory;
using kestrune::ListViewModelFactory;
using F = ListViewModelFactory;

// A page that counts its builds and shows one row per build so far.
class CountingPage : public BaseMenuItemManager {
public:
    Rows createViewModel() override {
        ++builds;
        Rows rows;
        for (int i = 0; i < builds; ++i) rows.push_back(F::separatorCellWithTitle(std::to_string(i)));
        return rows;
    }
    std::string createTitleText() override { return "Counting " + std::to_string(builds); }
    int builds = 0;
};

class PageBaseAndFactoriesTest : public PagesFixture {};

TEST_F(PageBaseAndFactoriesTest, CheckBoxesDescribeTheirStateWhenGivenNoDescriptionAndIndentBy40) {
    auto on = F::customCheckBoxWithIcon_title_description_isOn_action("icon", "Title", "", true, nullptr);
    auto off = F::customCheckBoxWithIcon_title_description_isOn_action("icon", "Title", std::nullopt, false,
                                                                       nullptr);
    auto described =
        F::customCheckBoxWithIcon_title_description_isOn_action("icon", "Title", "Text", false, nullptr);
    EXPECT_EQ(on->descriptionText(), "enabled");
    EXPECT_EQ(off->descriptionText(), "disabled");
    EXPECT_EQ(described->descriptionText(), "Text");
    EXPECT_EQ(on->viewClass()->nibName, "CustomCheckBoxCell");
    EXPECT_EQ(on->leftMargin(), 0);
    EXPECT_FALSE(on->additionalText());
    EXPECT_FALSE(on->tertiaryActionHandler());

    int closed = 0, read = 0;
    auto full = F::
        checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction_closeAction(
            "icon", "Title", "Text", true, 2, nullptr, "More", [&] { ++read; }, [&] { ++closed; });
    EXPECT_EQ(full->leftMargin(), 80);
    EXPECT_EQ(full->additionalText(), "More");
    full->secondaryActionHandler()();
    full->tertiaryActionHandler()();
    EXPECT_EQ(read, 1);
    EXPECT_EQ(closed, 1);

    auto simple = F::simpleCheckBoxWithIcon_title_isOn_indentation_action("", "Title", true, 1, nullptr);
    EXPECT_EQ(simple->viewClass()->nibName, "SimpleCheckBoxCell");
    EXPECT_EQ(simple->leftMargin(), 40);
    EXPECT_TRUE(simple->isOn());
    EXPECT_FALSE(simple->descriptionText());
}

TEST_F(PageBaseAndFactoriesTest, RowKindsPutTheirArgumentsWhereTheirCellsReadThem) {
    // The centred title is 50 points high, although its cell class says 90.
    auto centred = F::titleCellCenteredWithTitle_action("Title", nullptr);
    EXPECT_EQ(kestrune::TitleCellCentered::cellClass().cellHeight, 90);
    auto list = kestrune::KestruneListView::create({0, 0, 400, 400});
    auto mapper = kestrune::ListViewModelMapper::initWithListView(list);
    mapper->setListViewModel(
        {centred, F::titleDescriptionCellCenteredWithTitle_description_action("T", "D", nullptr)});
    EXPECT_EQ(mapper->listView_heightOfRow(*list, 0), 50);
    EXPECT_EQ(mapper->listView_heightOfRow(*list, 1), 90);

    auto separator = F::separatorCell();
    EXPECT_EQ(separator->viewClass()->nibName, "SeparatorCell");
    EXPECT_EQ(separator->title(), "");

    auto error = F::collapsableCellWithTitle_description_collapsed_actionTitle_action_collapseAction(
        "T", "D", true, "Act", nullptr, nullptr);
    EXPECT_EQ(error->collapseCell(), 2);
    EXPECT_TRUE(error->isCollapsed());
    EXPECT_EQ(error->additionalText(), "Act");
    EXPECT_FALSE(error->tertiaryActionHandler());

    auto icon = F::iconTitleDescriptionCellWithIcon_title_description_action("i", "T", "D", [] {});
    EXPECT_EQ(icon->viewClass()->nibName, "IconTitleDescriptionCell");
    EXPECT_FALSE(icon->additionalText());
    EXPECT_TRUE(icon->primaryActionHandler());
    EXPECT_EQ(F::largeIconTitleDescriptionCell_title_description("i", "T", "D")->viewClass()->nibName,
              "IconTitleDescriptionCell2");

    auto described = F::titleDescriptionCellWithTitle_description_action("T", "D", nullptr);
    EXPECT_FALSE(described->additionalText());
    EXPECT_FALSE(described->secondaryActionHandler());
    auto value = F::titleValueCell_value_action_buttonTitle_buttonAction("T", "2 m", nullptr, "More", [] {});
    EXPECT_EQ(value->viewClass()->nibName, "TItleCellRoundedValue");
    EXPECT_EQ(value->valueText(), "2 m");

    auto plain = F::buttonCellWithTitle_action("Go", nullptr);
    EXPECT_EQ(plain->viewClass()->nibName, "SimpleButtonCell");
    EXPECT_FALSE(plain->customColor());
    auto small = F::buttonCellWithTitle_button_action("Ping it", "Ping", nullptr);
    EXPECT_EQ(small->viewClass()->nibName, "SimpleButtonCell3");
    EXPECT_EQ(small->primaryActionText(), "Ping");
    auto two = F::doubleButtonCellWithButton1_action1_button2_action2("One", nullptr, "Two", nullptr);
    EXPECT_EQ(two->title(), "One");
    EXPECT_EQ(two->descriptionText(), "Two");
    EXPECT_FALSE(two->isOn());

    EXPECT_EQ(F::simpleImageCellWithImage_action("x", nullptr)->viewClass()->nibName, "SimpleListCell");
    auto image = F::imageCellWithImage_height_action("x", 75, nullptr);
    EXPECT_EQ(image->viewClass()->nibName, "SimpleImageCell");
    EXPECT_EQ(image->customRowHeight(), 75);
    EXPECT_EQ(F::emptyCellWithHeight_action(15, nullptr)->customRowHeight(), 15);

    int moved = 0;
    auto slider = F::sliderWithMax_min_value_textValue_description_action(
        90, 45, 60, [](int32_t v) { return std::to_string(v) + " dB"; }, "Distance",
        [&](int32_t v) { moved = v; });
    EXPECT_EQ(slider->minValue(), 45);
    EXPECT_EQ(slider->maxValue(), 90);
    EXPECT_EQ(slider->textValueFunc()(70), "70 dB");
    slider->didUpdate()(75);
    EXPECT_EQ(moved, 75);
    EXPECT_EQ(slider->additionalText(), "Distance");
}

TEST_F(PageBaseAndFactoriesTest, ConfirmationRowsCallTheirClosuresOnlyWhenGiven) {
    int chosen = 0, read = 0;
    auto knock = KestruneListViewModelFactory::doubleKnockCellIsOn_indentation_action_readMoreAction(
        true, 2, [&] { ++chosen; }, [&] { ++read; });
    EXPECT_EQ(knock->iconName(), "cell_icon_double_knock");
    EXPECT_EQ(knock->title(), "txt_double_knock");
    EXPECT_EQ(knock->descriptionText(), "confirm_with_double_knock");
    EXPECT_EQ(knock->additionalText(), "read_more");
    EXPECT_EQ(knock->leftMargin(), 80);
    EXPECT_TRUE(knock->isOn());
    knock->primaryActionHandler()();
    knock->secondaryActionHandler()();
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(read, 1);

    // Built without closures, the rows are still safe to tap.
    auto touch = KestruneListViewModelFactory::touchCellIsOn_indentation_action_readMoreAction(
        false, 0, nullptr, nullptr);
    auto yesNo = KestruneListViewModelFactory::yesNoCellIsOn_indentation_action_readMoreAction(
        false, 0, nullptr, nullptr);
    EXPECT_EQ(touch->title(), "touchid_faceid_passcode");
    EXPECT_EQ(yesNo->title(), "mac_sleep_screen_ask_yes_no_short");
    EXPECT_EQ(yesNo->descriptionText(), "confirm_on_iphone_interactive_notifications");
    for (const auto& row : {touch, yesNo}) {
        ASSERT_TRUE(row->primaryActionHandler());
        EXPECT_NO_THROW(row->primaryActionHandler()());
        EXPECT_NO_THROW(row->secondaryActionHandler()());
        EXPECT_FALSE(row->tertiaryActionHandler());
    }
}

TEST_F(PageBaseAndFactoriesTest, TheClipboardHotKeyRowFlipsThroughTheDelegateAndRebuildsItsPage) {
    auto page = shownPage<CountingPage>();
    const int builds = page->builds;
    local().setEnableKestruneShortCutsSendClipboard(true);
    auto hotKey = kestrune::KSCellFactory::createClipboardShort(page);
    EXPECT_EQ(hotKey->iconName(), "cell_icon_clipboard_shortcut");
    EXPECT_EQ(hotKey->title(), "clipboard_shortcut_title");
    EXPECT_EQ(hotKey->descriptionText(), "clipboard_shortcut_description");
    EXPECT_TRUE(hotKey->isOn());
    hotKey->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"toggleClipboardShortcut"});
    EXPECT_EQ(page->builds, builds + 1);

    page.reset();  // the row holds its page weakly: now it does nothing
    hotKey->primaryActionHandler()();
    EXPECT_EQ(navigation->calls().size(), 1u);
}

TEST_F(PageBaseAndFactoriesTest, APageHasOneControllerRebuiltWhenItAppearsAndWhileShownOnly) {
    auto page = makePage<CountingPage>();
    page->updateViewDataIfNeededForced(true);  // no controller yet
    EXPECT_EQ(page->builds, 0);
    auto controller = page->getViewController();
    EXPECT_EQ(page->getViewController(), controller);
    EXPECT_EQ(page->builds, 0);  // not shown
    EXPECT_TRUE(controller->listViewModel().empty());

    show(*page);
    EXPECT_EQ(page->builds, 1);
    EXPECT_EQ(controller->listViewModel().size(), 1u);
    EXPECT_EQ(controller->titleDescription(), "Counting 0");  // the title is asked before the rows
    EXPECT_EQ(controller->listView->numberOfRows(), 1u);
    page->updateViewDataIfNeeded();
    EXPECT_EQ(page->builds, 2);
    EXPECT_EQ(controller->listView->numberOfRows(), 2u);

    controller->mainView()->removeFromSuperview();
    EXPECT_FALSE(page->viewControllerIsShown());
    page->updateViewDataIfNeeded();
    page->reloadData();
    EXPECT_EQ(page->builds, 2);
    show(*page);
    EXPECT_EQ(page->builds, 3);
    EXPECT_EQ(page->getViewController(), controller);
}

TEST_F(PageBaseAndFactoriesTest, AWarningKeepsItsExpandedStateBetweenVisits) {
    addTrackedPhone(false);
    auto page = shownPage<kestrune::SetupMenuManager>();
    auto warning = row(*page, "devices_not_connected");
    ASSERT_TRUE(warning);
    EXPECT_EQ(styleOf(warning), 1);
    EXPECT_TRUE(warning->isCollapsed());
    EXPECT_EQ(warning->additionalText(), "troubleshoot");
    warning->secondaryActionHandler()();
    EXPECT_FALSE(row(*page, "devices_not_connected")->isCollapsed());

    page->getViewController()->mainView()->removeFromSuperview();
    show(*page);
    EXPECT_FALSE(row(*page, "devices_not_connected")->isCollapsed());
    row(*page, "devices_not_connected")->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), std::vector<std::string>{"showTroubleConnectingToDeviceTutorial"});
}

TEST_F(PageBaseAndFactoriesTest, TheTranslationPageCarriesItsTitle) {
    auto page = shownPage<kestrune::TranslationHelpMenuManager>();
    EXPECT_EQ(page->getViewController()->titleDescriptionText(), "localization_improvement");
}

}  // namespace
}  // namespace pagetests
