// The grid view under the mouse and the keyboard: the selection matrix, clicks told apart by the
// double-click interval, the drag frame, the context menu, hover, and how the items draw.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/Application.h"
#include "tests/uikit/GridFixture.h"

namespace kestrune::gridtest {
namespace {

constexpr uint64_t kShift = ui::kShiftKeyMask, kCommand = ui::kCommandKeyMask;

class GridSelectionTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        reload();
    }
    CNIndexSet shownSelected() const {
        CNIndexSet shown;
        for (const auto& [index, item] : grid->keyedVisibleItems())
            if (item->selected()) shown.insert(index);
        return shown;
    }
    void clickItem(int64_t index, uint64_t flags = 0) { click(*grid, middleOf(index), 1, flags); }
};

TEST_F(GridSelectionTest, SingleSelectionMovesAndCommandToggles) {
    clickItem(1);
    clickItem(3);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{3}));
    EXPECT_EQ(shownSelected(), (CNIndexSet{3}));
    EXPECT_EQ(grid->lastSelectedItemIndex(), 3);
    clickItem(3, kCommand);
    EXPECT_TRUE(grid->selectedIndexes().empty());
    clickItem(3, kCommand);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{3}));
    // A click on empty space clears the selection, with its calls.
    journal.clear();
    deliver(ui::EventType::LeftMouseDown, {1100, 10});  // right of the last item
    EXPECT_TRUE(grid->selectedIndexes().empty());
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "call didDeselectAll"), 1);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "call willDeselectAll 1"), 1);
    // Without selection allowed nothing changes.
    grid->setAllowsSelection(false);
    clickItem(2);
    EXPECT_TRUE(grid->selectedIndexes().empty());
}

TEST_F(GridSelectionTest, MultipleSelectionWithShiftAndCommand) {
    grid->setAllowsMultipleSelection(true);
    clickItem(0);
    clickItem(2, kShift);  // the whole range, both ends included
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 1, 2}));
    EXPECT_EQ(grid->lastSelectedItemIndex(), CNGridView::kNotFound);
    clickItem(1, kCommand);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 2}));
    clickItem(3, kCommand | kShift);  // Command wins
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 2, 3}));
    clickItem(1, kShift);  // from the last selected index down
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 1, 2, 3}));
    clickItem(2);  // a plain click on a selected item keeps only it
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{2}));
    clickItem(3);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{3}));
    // Back to single selection: every item hears it, the delegate does not.
    journal.clear();
    grid->setAllowsMultipleSelection(false);
    EXPECT_TRUE(grid->selectedIndexes().empty());
    EXPECT_TRUE(shownSelected().empty());
    EXPECT_EQ(journal, (std::vector<std::string>{"note CNGridViewDeSelectAllItems"}));
    // Shift with nothing selected selects the item alone.
    grid->setAllowsMultipleSelection(true);
    clickItem(2, kShift);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{2}));
}

TEST_F(GridSelectionTest, SelectingAnIndexCentresItAndReachesItemsOffScreen) {
    grid->selectItemAtIndex(5);
    // 100 x 5 - (200 - 50) = 350.
    EXPECT_EQ(scroll->contentView()->bounds().origin.x, 350);
    grid->selectItemAtIndex(9);  // held inside the document
    EXPECT_EQ(scroll->contentView()->bounds().origin.x, 600);
    grid->selectItemAtIndex(CNGridView::kNotFound);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{9}));
    // selectAllItems marks what the data source gives, without calls.
    journal.clear();
    grid->selectAllItems();
    EXPECT_EQ(grid->selectedIndexes().size(), 10u);
    EXPECT_TRUE(journal.empty());
}

TEST_F(GridSelectionTest, ClicksAreToldApartAtTheDoubleClickInterval) {
    const double interval = ui::Application::shared().doubleClickInterval();
    const auto clicks = [&](std::vector<int64_t> items) {
        journal.clear();
        for (auto i : items) clickItem(i);
        advance(interval - 0.01);
        const bool early = std::none_of(journal.begin(), journal.end(), [](const std::string& l) {
            return l.find("lick") != std::string::npos;
        });
        advance(0.01);
        std::vector<std::string> calls;
        for (const auto& line : journal)
            if (line.rfind("call ", 0) == 0 && line.find("lick") != std::string::npos) calls.push_back(line);
        EXPECT_TRUE(early);
        EXPECT_EQ(grid->pendingClicks(), 0u);
        return calls;
    };
    EXPECT_EQ(clicks({2}), (std::vector<std::string>{"call click 2"}));
    EXPECT_EQ(clicks({2, 2}), (std::vector<std::string>{"call doubleClick 2"}));
    EXPECT_EQ(clicks({2, 3}), (std::vector<std::string>{"call click 2", "call click 3"}));
    EXPECT_EQ(clicks({2, 2, 2}), (std::vector<std::string>{"call doubleClick 2"}));
    EXPECT_EQ(clicks({2, 2, 3}), (std::vector<std::string>{"call doubleClick 2", "call click 3"}));
    EXPECT_EQ(clicks({1, 3, 3}), (std::vector<std::string>{"call click 1", "call doubleClick 3"}));
    EXPECT_EQ(clicks({1, 2, 3}), (std::vector<std::string>{"call click 1", "call click 2", "call click 3"}));
    EXPECT_TRUE(clicks({1, 1, 1, 1}).empty());
    // Clicks further apart than the interval are single clicks each.
    journal.clear();
    clickItem(2);
    advance(interval);
    clickItem(2);
    advance(interval);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "call click 2"), 2);
}

TEST_F(GridSelectionTest, TheDragFrameSweepsRevertsAndCommitsOnMouseUp) {
    grid->setAllowsMultipleSelection(true);
    grid->setAllowsMultipleSelectionWithDrag(true);
    clickItem(3);
    journal.clear();
    deliver(ui::EventType::LeftMouseDragged, {30, 10});
    ASSERT_TRUE(grid->selectionFrameView());
    EXPECT_EQ(grid->selectionFrameInitialPoint(), (ui::Point{30, 10}));
    deliver(ui::EventType::LeftMouseDragged, {250, 100});
    EXPECT_EQ(grid->selectionFrameView()->frame(), (ui::Rect{30, 10, 220, 90}));
    EXPECT_EQ(shownSelected(), (CNIndexSet{0, 1, 2, 3}));
    // Back over item 2: it shows its committed look again.
    deliver(ui::EventType::LeftMouseDragged, {150, 100});
    EXPECT_EQ(shownSelected(), (CNIndexSet{0, 1, 3}));
    EXPECT_EQ(grid->selectedItemsBySelectionFrame().size(), 2u);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{3}));  // nothing committed while dragging
    deliver(ui::EventType::LeftMouseUp, {150, 100});
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 1, 3}));
    EXPECT_FALSE(grid->selectionFrameView());
    EXPECT_TRUE(grid->selectedItemsBySelectionFrame().empty());
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "call didSelect 1"), 1);

    // With Command a swept selected item shows unselected, and the commit deselects it.
    deliver(ui::EventType::LeftMouseDragged, {150, 10}, kCommand);
    deliver(ui::EventType::LeftMouseDragged, {250, 100}, kCommand);
    EXPECT_EQ(shownSelected(), (CNIndexSet{0, 2, 3}));
    deliver(ui::EventType::LeftMouseUp, {250, 100}, kCommand);
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 2, 3}));
}

TEST_F(GridSelectionTest, AFlatFrameSweepsNothingAndEscapeFreezesTheFrame) {
    grid->setAllowsMultipleSelection(true);
    grid->setAllowsMultipleSelectionWithDrag(true);
    for (double x : {30.0, 200.0, 350.0}) deliver(ui::EventType::LeftMouseDragged, {x, 50});  // no height
    EXPECT_TRUE(grid->selectedItemsBySelectionFrame().empty());
    deliver(ui::EventType::LeftMouseUp, {350, 50});
    EXPECT_TRUE(grid->selectedIndexes().empty());

    win->makeFirstResponder(grid);
    deliver(ui::EventType::LeftMouseDragged, {30, 10});
    deliver(ui::EventType::LeftMouseDragged, {150, 100});
    key(ui::kKeyCodeEscape);
    EXPECT_TRUE(grid->abortSelection());
    deliver(ui::EventType::LeftMouseDragged, {350, 100});
    EXPECT_EQ(grid->selectionFrameView()->frame().width(), 120);
    deliver(ui::EventType::LeftMouseUp, {350, 100});
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{0, 1}));  // still committed
    EXPECT_FALSE(grid->abortSelection());
    // Without drag selection a drag is a click.
    grid->setAllowsMultipleSelectionWithDrag(false);
    drag(*grid, {30, 10}, {350, 100});
    EXPECT_FALSE(grid->selectionFrameView());
    EXPECT_EQ(grid->pendingClicks(), 1u);
}

TEST_F(GridSelectionTest, ARightClickSelectsOnlyAnUnselectedItemAndOpensTheMenu) {
    auto menu = ui::Menu::create();
    menu->addItemWithTitle("Delete", {});
    grid->setItemContextMenu(menu);
    grid->setAllowsMultipleSelection(true);
    clickItem(1);
    clickItem(2, kCommand);
    journal.clear();
    rightClick(*grid, middleOf(2));  // selected: the whole selection goes to the menu
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{1, 2}));
    ASSERT_EQ(poppedUpMenus().size(), 1u);
    EXPECT_EQ(poppedUpMenus()[0].view.lock(), grid);
    EXPECT_EQ(menu->itemAtIndex(0)->representedObject(),
              platform::Value(platform::Value::Array{platform::Number(1ull), platform::Number(2ull)}));
    EXPECT_EQ(journal, (std::vector<std::string>{"note CNGridViewRightMouseButtonClickedOnItem 1 2",
                                                 "call menu 1,2"}));
    rightClick(*grid, middleOf(3));  // unselected: it alone
    EXPECT_EQ(grid->selectedIndexes(), (CNIndexSet{3}));
    EXPECT_EQ(journal.back(), "call menu 3");
    deliver(ui::EventType::RightMouseDown, {1100, 10});  // empty space
    EXPECT_TRUE(grid->selectedIndexes().empty());
    EXPECT_EQ(poppedUpMenus().size(), 2u);
}

TEST_F(GridSelectionTest, HoverFollowsThePointerFromItemToItem) {
    ASSERT_TRUE(grid->gridViewTrackingArea());
    EXPECT_EQ(grid->gridViewTrackingArea()->options(), 0x22u);
    moveMouse(*grid, middleOf(1));
    moveMouse(*grid, middleOf(1));  // the same item: nothing new
    moveMouse(*grid, middleOf(2));
    EXPECT_EQ(journal, (std::vector<std::string>{"note CNGridViewWillHoverItem 1", "call willHover 1",
                                                 "note CNGridViewWillUnhoverItem 1", "call willUnhover 1",
                                                 "note CNGridViewWillHoverItem 2", "call willHover 2"}));
    EXPECT_FALSE(item(1)->hovered());
    EXPECT_TRUE(item(2)->hovered());
    EXPECT_EQ(grid->lastHoveredIndex(), 2);
    grid->mouseExited(ui::Event{});
    EXPECT_EQ(grid->lastHoveredIndex(), CNGridView::kNotFound);
    journal.clear();
    grid->setUseHover(false);
    moveMouse(*grid, middleOf(3));
    EXPECT_TRUE(journal.empty());
}

TEST_F(GridSelectionTest, ItemsDrawTheirLookTheirPictureAndTheirTitle) {
    registerImage("photo", {64, 48});
    auto photo = CNGridImageViewItem::initWithLayout_reuseIdentifier<CNGridImageViewItem>(
        CNGridViewItemLayout::defaultLayout(), "CNGridViewItem");
    photo->setFrame({0, 0, 196, 120});
    photo->setItemImage(ui::Image::imageNamed("photo"));
    photo->setItemTitle("2026-03-04 05:06");
    win->contentView()->addSubview(photo);
    const auto list = drawing(*photo);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_NE(list[0].find("fill"), std::string::npos);
    EXPECT_EQ(list[1], "image photo in 3 3 190 114 sourceOver 1");
    EXPECT_NE(list[2].find("text \"2026-03-04 05:06\" in 3 95 190 20 font Helvetica Neue Thin 12"),
              std::string::npos);
    photo->setSelected(true);
    const auto selected = drawing(*photo);
    EXPECT_NE(selected[1].find("stroke"), std::string::npos);
    EXPECT_NE(selected[1].find("width 3"), std::string::npos);
    // Reused: no picture, no title.
    photo->prepareForReuse();
    EXPECT_FALSE(photo->itemImage());
    EXPECT_EQ(photo->itemTitle(), "");
    EXPECT_FALSE(photo->selected());
    EXPECT_TRUE(photo->selectable());
    // The delete button sits over the top-left corner.
    photo->addDeleteButton();
    ASSERT_TRUE(photo->deleteButton());
    EXPECT_EQ(photo->deleteButton()->frame(), (ui::Rect{-8, -8, 24, 24}));
    photo->removeDeleteButton();
    EXPECT_FALSE(photo->deleteButton());
    EXPECT_EQ(photo->subviews().size(), 0u);
}

}  // namespace
}  // namespace kestrune::gridtest
