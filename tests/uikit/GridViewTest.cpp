// The grid view's geometry, its deferred layout, the reuse of items while scrolling, reloads and edits,
// and its notifications ahead of the delegate's calls.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/AnimationContext.h"
#include "tests/uikit/GridFixture.h"
#include "uikit/grid/GridViewAdditions.h"

namespace kestrune::gridtest {
namespace {

constexpr int64_t kNotFound = CNGridView::kNotFound;

TEST_F(GridTest, GeometryOfOneRowAndIndexesAtPoints) {
    EXPECT_EQ(kNotFound, INT64_MAX);
    // No items: one column, no rows; the grid is as tall as twice the inset.
    EXPECT_EQ(grid->columnsInGridView(), 1);
    EXPECT_EQ(grid->allOverRowsInGridView(), 0);
    grid->reloadData();
    EXPECT_EQ(grid->numberOfItems(), 10);
    EXPECT_EQ(grid->columnsInGridView(), 10);
    EXPECT_EQ(grid->allOverRowsInGridView(), 1);
    EXPECT_EQ(grid->rectForItemAtIndex(3), (ui::Rect{300, 0, kW, kH}));
    EXPECT_EQ(grid->locationForItemAtIndex(3), (std::pair<int64_t, int64_t>{4, 1}));
    // The document is exactly the strip: ten items wide, one item high.
    EXPECT_EQ(grid->frame(), (ui::Rect{0, 0, 10 * kW, kH}));

    const auto at = [&](double x, double y) {
        return grid->indexForItemAtLocation(grid->convertPoint_toView({x, y}, nullptr));
    };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(99.9, 119.9), 0);
    EXPECT_EQ(at(100, 5), 1);
    EXPECT_EQ(at(999, 5), 9);
    EXPECT_EQ(at(1000.5, 5), kNotFound);  // right of the last column
    EXPECT_EQ(at(-0.5, 5), kNotFound);    // left of the first
    feed->count = 4;
    grid->reloadData();
    EXPECT_EQ(at(450, 5), kNotFound);  // past the items
    EXPECT_EQ(grid->boundIndexForItemAtLocation(grid->convertPoint_toView({450, 5}, nullptr)), 4);

    // Centred: the inset puts the strip in the middle of the clip view, and never left of it.
    grid->setUseCenterAlignment(true);
    feed->count = 3;
    grid->reloadData();
    grid->refreshInset();
    EXPECT_EQ(grid->contentInset(), 50);
    EXPECT_EQ(grid->rectForItemAtIndex(0), (ui::Rect{50, 50, kW, kH}));
    EXPECT_EQ(at(49, 60), kNotFound);
    EXPECT_EQ(at(51, 60), 0);
    feed->count = 7;
    grid->reloadData();
    grid->refreshInset();
    EXPECT_EQ(grid->contentInset(), 0);
}

TEST_F(GridTest, TheVisibleRangeKeepsOneItemBeforeAndAboutTwoAfter) {
    reload();
    EXPECT_EQ(grid->visibleItemRange(), (ui::Range{0, 7}));  // 4 on screen + 3
    EXPECT_EQ(visible(), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6}));
    scroll->contentView()->setBoundsOrigin({350, 0});
    EXPECT_EQ(grid->visibleItemRange(), (ui::Range{2, 7}));
    scroll->contentView()->setBoundsOrigin({600, 0});
    EXPECT_EQ(grid->visibleItemRange(), (ui::Range{5, 5}));  // cut at the end
    feed->count = 2;
    grid->reloadData();
    scroll->contentView()->setBoundsOrigin({0, 0});
    EXPECT_EQ(grid->visibleItemRange(), (ui::Range{0, 2}));
    EXPECT_EQ(grid->visibleIndexes(), (CNIndexSet{0, 1}));
}

TEST_F(GridTest, NothingIsLaidOutBeforeTheMainQueueTurnsThenItemsFadeIn) {
    grid->reloadData();
    EXPECT_TRUE(grid->keyedVisibleItems().empty());
    EXPECT_TRUE(feed->asked.empty());
    EXPECT_TRUE(grid->isInitialCall());
    settle();
    EXPECT_EQ(feed->asked, (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(grid->isInitialCall());
    EXPECT_EQ(grid->numberOfVisibleItems(), 7);
    ASSERT_TRUE(item(2));
    EXPECT_EQ(item(2)->frame(), (ui::Rect{200, 0, kW, kH}));
    EXPECT_EQ(item(2)->index(), 2);
    EXPECT_TRUE(containsSubView(*grid, *item(2)));
    EXPECT_TRUE(isSubviewOfView(*item(2), *grid));
    // They started transparent and fade in over 0.35 s.
    const auto& records = ui::AnimationContext::recorded();
    const auto fade = std::find_if(records.begin(), records.end(), [&](const ui::AnimationRecord& r) {
        return r.key == "alphaValue" && r.target.lock() == item(2);
    });
    ASSERT_NE(fade, records.end());
    EXPECT_EQ(fade->from, ui::AnimatableValue(0.0));
    EXPECT_EQ(fade->duration, 0.35);
    EXPECT_EQ(item(2)->alphaValue(), 1.0);
    EXPECT_EQ(journal.back(), "call finished");
    // A grid gone before its turn lays out nothing.
    grid->reloadData();
    grid->removeFromSuperview();
    scroll->setDocumentView(nullptr);
    std::weak_ptr<CNGridView> weak = grid;
    grid.reset();
    settle();
    EXPECT_TRUE(weak.expired());
}

TEST_F(GridTest, ScrollingPastAThirdOfAnItemRecyclesTheItemsLeftBehind) {
    reload();
    const int made = feed->made;
    scrollTo(30);  // less than a third of the width (and of the height): nothing happens
    EXPECT_EQ(visible().front(), 0);
    scrollTo(350);
    EXPECT_EQ(visible(), (std::vector<int64_t>{2, 3, 4, 5, 6, 7, 8}));
    // Two left, two came: the newcomers are the recycled ones, reset and given their index.
    EXPECT_EQ(feed->made, made);
    EXPECT_EQ(item(8)->index(), 8);
    EXPECT_FALSE(item(8)->selected());
    EXPECT_EQ(item(8)->frame(), grid->rectForItemAtIndex(8));
    EXPECT_TRUE(grid->reuseableItems().at(CNGridViewItemBase::kDefaultReuseIdentifier).empty());
}

TEST_F(GridTest, ASelectedItemScrolledFarAwayStaysAndKeepsItsEntry) {
    feed->count = 30;
    reload();
    grid->selectItemAtIndex_usingModifierFlags(1, 0);
    auto selected = item(1);
    scrollTo(2000);
    EXPECT_EQ(item(1), selected);
    EXPECT_TRUE(containsSubView(*grid, *selected));
    EXPECT_EQ(grid->selectedItemsByIndex().at(1), selected);
    EXPECT_FALSE(item(2));
}

class RecordingGrid : public CNGridView {
public:
    std::vector<std::pair<bool, bool>> refreshes;
    void refreshGridViewAnimated_initialCall(bool animated, bool initialCall) override {
        refreshes.push_back({animated, initialCall});
        CNGridView::refreshGridViewAnimated_initialCall(animated, initialCall);
    }
};

TEST_F(GridTest, AWidthChangeRefreshesAnimatedAHeightChangeDoesNot) {
    auto recording = ui::make<RecordingGrid>(ui::Rect{0, 0, 400, 130});
    recording->setFrame({0, 0, 400, 200});
    recording->setFrame({0, 0, 500, 200});
    recording->setItemSize({50, 50});
    recording->setItemSize({50, 50});  // unchanged: no refresh
    EXPECT_EQ(recording->refreshes,
              (std::vector<std::pair<bool, bool>>{{false, true}, {true, true}, {true, true}}));
}

TEST_F(GridTest, InsertsAndRemovalsMoveTheVisibleItemsToTheirNewPlaces) {
    reload();
    auto second = item(1), fourth = item(3);
    grid->insertItemAtIndex_animated(1, true);
    EXPECT_EQ(item(2), second);
    EXPECT_EQ(second->index(), 2);
    EXPECT_EQ(second->frame(), grid->rectForItemAtIndex(2));
    EXPECT_EQ(grid->numberOfItems(), 11);
    EXPECT_EQ(ui::AnimationContext::recorded().back().duration, 0.15);
    feed->count = 11;
    settle();
    EXPECT_TRUE(item(1));  // the new one was fetched

    // Several indexes before any visible item: every item at or after the first moves by the runs
    // that begin at or before it.
    auto sixth = item(5);
    feed->count = 14;
    grid->insertItemsAtIndexes_animated({0, 1, 5}, false);
    EXPECT_EQ(item(4), second);  // 2 + 2
    EXPECT_EQ(item(6), fourth);  // 4 + 2: the run at 5 begins after it
    EXPECT_EQ(item(8), sixth);   // 5 + 3
    EXPECT_EQ(sixth->frame(), grid->rectForItemAtIndex(8));
    EXPECT_EQ(grid->numberOfItems(), 14);
    settle();

    // Not animated, the removed and following items are recycled at once and fetched anew.
    feed->count = 12;
    auto third = item(3);
    const auto before = feed->asked.size();
    grid->removeItemsAtIndexes_animated({0, 1}, false);
    EXPECT_EQ(grid->numberOfItems(), 12);
    EXPECT_FALSE(item(3));
    EXPECT_FALSE(containsSubView(*grid, *third));
    EXPECT_EQ(third->index(), kNotFound);
    settle();
    EXPECT_EQ(visible(), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(feed->asked.size() - before, 7u);

    // Animated, they leave the view when the group of 0.15 s ends.
    auto first = item(0);
    grid->removeItemsAtIndexes_animated({0}, true);
    EXPECT_TRUE(containsSubView(*grid, *first));
    advance(0.15);
    EXPECT_FALSE(containsSubView(*grid, *first));

    // Reloading indexes asks for them again; empty sets change nothing.
    feed->asked.clear();
    grid->reloadItemsAtIndexes_animated({2}, false);
    grid->insertItemsAtIndexes_animated({}, true);
    grid->removeItemsAtIndexes_animated({}, true);
    settle();
    EXPECT_EQ(feed->asked, (std::vector<int64_t>{2}));
    EXPECT_EQ(grid->numberOfItems(), 11);
}

TEST_F(GridTest, EachNotificationComesBeforeItsDelegateCallWithItsUserInfo) {
    reload();
    grid->selectItemAtIndex_usingModifierFlags(2, 0);
    grid->deSelectItem(item(2));
    grid->selectItem(item(3));
    grid->deselectAllItems();
    grid->hoverItemAtIndex(4);
    grid->unHoverItemAtIndex(4);
    grid->handleSingleClickForItemAtIndex(5);
    grid->handleDoubleClickForItemAtIndex(6);
    grid->handleSingleClickForItemAtIndex(kNotFound);  // ignored
    EXPECT_EQ(journal, (std::vector<std::string>{"note CNGridViewWillSelectItem 2",
                                                 "call willSelect 2",
                                                 "note CNGridViewDidSelectItem 2",
                                                 "call didSelect 2",
                                                 "note CNGridViewWillDeselectItem 2",
                                                 "call willDeselect 2",
                                                 "note CNGridViewDidDeselectItem 2",
                                                 "call didDeselect 2",
                                                 "note CNGridViewWillSelectItem 3",
                                                 "call willSelect 3",
                                                 "note CNGridViewDidSelectItem 3",
                                                 "call didSelect 3",
                                                 "note CNGridViewWillDeselectAllItems 1",
                                                 "call willDeselectAll 1",
                                                 "note CNGridViewDeSelectAllItems",
                                                 "note CNGridViewDidDeselectAllItems",
                                                 "call didDeselectAll",
                                                 "note CNGridViewWillHoverItem 4",
                                                 "call willHover 4",
                                                 "note CNGridViewWillUnhoverItem 4",
                                                 "call willUnhover 4",
                                                 "note CNGridViewDidClickItem 5",
                                                 "call click 5",
                                                 "note CNGridViewDidDoubleClickItem 6",
                                                 "call doubleClick 6"}));
    // A delegate that implements nothing hears nothing; the notifications still go out.
    journal.clear();
    feed->answersDelegate = false;
    grid->handleSingleClickForItemAtIndex(1);
    EXPECT_EQ(journal, (std::vector<std::string>{"note CNGridViewDidClickItem 1"}));
}

TEST_F(GridTest, WithoutADataSourceThereAreNoItems) {
    grid->setDataSource(std::weak_ptr<CNGridViewDataSource>{});
    reload();
    EXPECT_EQ(grid->numberOfItems(), 0);
    EXPECT_TRUE(grid->keyedVisibleItems().empty());
    EXPECT_EQ(grid->frame().height(), 0);  // 2 x inset
    EXPECT_EQ(grid->indexForItemAtLocation(grid->convertPoint_toView({5, 5}, nullptr)), kNotFound);
}

TEST_F(GridTest, ItemsFollowEveryGridsSelectAllAndDeselectAll) {
    auto loose = CNGridImageViewItem::initWithLayout_reuseIdentifier<CNGridImageViewItem>(
        CNGridViewItemLayout::defaultLayout(), "photo");
    EXPECT_EQ(loose->reuseIdentifier(), "photo");
    EXPECT_EQ(loose->index(), kNotFound);
    platform::NotificationCenter::defaultCenter().post(CNGridViewItemBase::kSelectAllItemsNotification);
    EXPECT_TRUE(loose->selected());
    EXPECT_FALSE(loose->isReuseable());
    EXPECT_EQ(loose->currentLayout(), loose->selectionLayout());
    platform::NotificationCenter::defaultCenter().post(CNGridViewItemBase::kDeSelectAllItemsNotification);
    EXPECT_FALSE(loose->selected());
    // An image item made plainly has no looks until it is given them; a plain item has three.
    auto bare = ui::make<CNGridImageViewItem>();
    EXPECT_FALSE(bare->defaultLayout());
    EXPECT_TRUE(ui::make<CNGridViewItem>()->defaultLayout());
    EXPECT_EQ(CNGridViewItemBase::defaultItemSize(), (ui::Size{310, 225}));
}

}  // namespace
}  // namespace kestrune::gridtest
