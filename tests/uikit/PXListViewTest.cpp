// The reusable-cell list: its layout cache, the cells it keeps while scrolling, selection by clicks and
// arrow keys, the scroll-to-top hooks and drops.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ui/AnimationContext.h"
#include "platform/ui/Window.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/lists/PXListDocumentView.h"
#include "uikit/lists/PXListView.h"
#include "uikit/lists/PXListViewCell.h"

namespace kestrune {
namespace {

using ui::Rect;
constexpr uint64_t kNoRow = PXListView::kNoRow;

// Rows of given heights, drawn by plain cells taken from the queue when it has one.
class Rows : public PXListViewDelegate {
public:
    std::vector<double> heights;
    std::set<uint64_t> disabled;  // rows whose cells cannot be selected
    std::set<uint64_t> blank;     // rows without a cell
    int cellsMade = 0;
    int selectionChanges = 0;
    std::vector<std::pair<uint64_t, PXDropHighlight>> proposedDrops;
    std::vector<std::pair<uint64_t, PXDropHighlight>> acceptedDrops;
    unsigned dropOperation = ui::kDragOperationCopy;

    bool implements(Op op) const override {
        return op == Op::SelectionDidChange || op == Op::ValidateDrop || op == Op::AcceptDrop;
    }
    uint64_t numberOfRowsInListView(PXListView&) override { return heights.size(); }
    double listView_heightOfRow(PXListView&, uint64_t row) override { return heights.at(row); }
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) override {
        if (blank.count(row)) return nullptr;
        auto cell = list.dequeueCellWithReusableIdentifier("row");
        if (!cell) {
            cell = PXListViewCell::create("row");
            ++cellsMade;
        }
        cell->setSelectionIsDisabled(disabled.count(row) > 0);
        return cell;
    }
    void listViewSelectionDidChange(const platform::Notification&) override { ++selectionChanges; }
    unsigned listView_validateDrop_proposedRow_proposedDropHighlight(PXListView&, const ui::DraggingInfo&,
                                                                     uint64_t row,
                                                                     PXDropHighlight highlight) override {
        proposedDrops.emplace_back(row, highlight);
        return dropOperation;
    }
    bool listView_acceptDrop_row_dropHighlight(PXListView&, const ui::DraggingInfo&, uint64_t row,
                                               PXDropHighlight highlight) override {
        acceptedDrops.emplace_back(row, highlight);
        return true;
    }
};

// Counts the scroll-to-top hooks; optionally records that its button is shown, as a list with a
// button would.
class HookedList : public PXListView {
public:
    int shows = 0;
    int hides = 0;
    bool tracksShown = true;
    void showScrollToTopButton() override {
        ++shows;
        if (tracksShown) setIsScrollToTopShown(true);
    }
    void hideScrollToTopButton() override {
        ++hides;
        if (tracksShown) setIsScrollToTopShown(false);
    }
};

class PXListViewTest : public ui::test::Fixture {
protected:
    template <typename List = PXListView>
    std::shared_ptr<List> makeList(std::vector<double> heights, Rect frame = {0, 0, 300, 200}) {
        window_ = window({100, 100, frame.width(), frame.height()});
        auto list = ui::make<List>(frame);
        list->awakeFromNib();  // as a layout's list: it follows its clip view from here on
        window_->contentView()->addSubview(list);
        rows_ = std::make_shared<Rows>();
        rows_->heights = std::move(heights);
        list->setDelegate(rows_);
        list->reloadData();
        return list;
    }
    static void scrollTo(PXListView& list, double y) { list.contentView()->scrollToPoint({0, y}); }
    static double top(PXListView& list) { return list.contentView()->bounds().minY(); }

    // Only the rows on screen have cells, each where its row is; queued cells are hidden and rowless.
    static void expectInvariants(PXListView& list) {
        const ui::Range range = list.visibleRange();
        const auto cells = list.visibleCells();
        ASSERT_EQ(cells.size(), range.length);
        for (size_t i = 0; i < cells.size(); ++i) {
            const auto& cell = cells[i];
            EXPECT_EQ(cell->row(), range.location + i);
            EXPECT_EQ(cell->frame(), list.rectOfRow(cell->row()));
            EXPECT_EQ(cell->superview(), list.documentView().get());
            EXPECT_FALSE(cell->isHidden());
            EXPECT_EQ(cell->listView().get(), &list);
        }
        for (const auto& cell : list.reusableCells()) {
            EXPECT_TRUE(cell->isHidden());
            EXPECT_EQ(cell->row(), kNoRow);
            EXPECT_EQ(std::count(cells.begin(), cells.end(), cell), 0);
        }
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<Rows> rows_;
};

std::vector<double> mixedHeights(size_t count) {
    std::vector<double> heights;
    for (size_t i = 0; i < count; ++i) heights.push_back(20 + double(i % 5) * 10);
    return heights;
}

TEST_F(PXListViewTest, OffsetsAndTotalHeightFollowTheHeightsAndTheSpacing) {
    auto list = makeList({40, 60});
    EXPECT_EQ(list->cellYOffsets(), (std::vector<double>{0, 40}));
    EXPECT_EQ(list->totalHeight(), 100);
    EXPECT_EQ(list->rectOfRow(1), (Rect{0, 40, 300, 60}));

    list->setCellSpacing(5);
    list->reloadData();
    EXPECT_EQ(list->cellYOffsets(), (std::vector<double>{0, 45}));
    EXPECT_EQ(list->totalHeight(), 110);
    // Shorter than the list: the document is the list's height less 2, so no scroller shows.
    EXPECT_EQ(list->documentView()->frame(), (Rect{0, 0, 300, 198}));

    rows_->heights = std::vector<double>(10, 50);
    list->reloadData();
    EXPECT_EQ(list->documentView()->frame().height(), 550);
}

TEST_F(PXListViewTest, AnEmptyListHasNoRowsNoCellsAndAShortDocument) {
    auto list = makeList({});
    EXPECT_EQ(list->visibleRange().location, kNoRow);
    EXPECT_TRUE(list->visibleCells().empty());
    EXPECT_EQ(list->documentView()->frame().height(), 198);
    EXPECT_EQ(list->selectedRow(), kNoRow);
}

TEST_F(PXListViewTest, ScrollingKeepsCellsOnlyForTheRowsOnScreen) {
    auto list = makeList(mixedHeights(500));
    expectInvariants(*list);
    EXPECT_EQ(list->visibleRange().location, 0u);
    // Small steps down and up reuse the cells of the rows that left.
    for (int step = 0; step < 40; ++step) {
        scrollTo(*list, top(*list) + 7);
        expectInvariants(*list);
    }
    const int madeAfterSmallSteps = rows_->cellsMade;
    for (int step = 0; step < 40; ++step) {
        scrollTo(*list, top(*list) - 7);
        expectInvariants(*list);
    }
    EXPECT_EQ(rows_->cellsMade, madeAfterSmallSteps);  // coming back made no new cells
    // Large jumps both ways: nothing of the old screen is kept.
    for (double y : {9000.0, 4000.0, 14990.0, 300.0, 0.0}) {
        scrollTo(*list, y);
        expectInvariants(*list);
    }
    EXPECT_LE(rows_->cellsMade, 30);
}

// Notes the width each cell has when the delegate fills it, as a cell laying itself out would see it;
// its cells stretch with their superview.
class WidthNotingRows : public Rows {
public:
    std::vector<double> widthsWhenFilled;
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) override {
        auto cell = Rows::listView_cellForRow(list, row);
        if (!cell) return cell;
        // Stretching with its superview, as the settings cells do.
        cell->setAutoresizingMask(ui::kViewWidthSizable);
        if (cell->frame().width() > 0) widthsWhenFilled.push_back(cell->frame().width());
        return cell;
    }
};

TEST_F(PXListViewTest, RowsOnScreenAndInTheQueueTakeTheListsNewWidth) {
    auto list = makeList(std::vector<double>(500, 20));
    auto rows = std::make_shared<WidthNotingRows>();
    rows->heights = mixedHeights(500);  // taller rows on average: some cells wait in the queue
    list->setDelegate(rows);
    list->reloadData();
    list->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    scrollTo(*list, 300);
    ASSERT_FALSE(list->reusableCells().empty());

    // The window narrows by 120 points and grows by 60: the list follows through its autoresizing.
    window_->contentView()->setFrameSize({180, 260});
    ASSERT_EQ(list->frame().size, (ui::Size{180, 260}));
    expectInvariants(*list);
    EXPECT_EQ(list->documentView()->frame().width(), 180);
    for (const auto& cell : list->visibleCells()) EXPECT_EQ(cell->frame().width(), 180);
    for (const auto& cell : list->reusableCells()) EXPECT_EQ(cell->frame().width(), 180);
    // The taller list shows the rows that came into sight under the old bottom.
    EXPECT_GT(list->visibleCells().back()->frame().maxY(), top(*list) + 200);

    // Rows that scroll in later are filled and placed at the same width as those on screen.
    rows->widthsWhenFilled.clear();
    for (double y : {320.0, 400.0, 2000.0, 0.0}) {
        scrollTo(*list, y);
        expectInvariants(*list);
    }
    ASSERT_FALSE(rows->widthsWhenFilled.empty());
    for (double width : rows->widthsWhenFilled) EXPECT_EQ(width, 180);

    // Widening again: the same.
    window_->contentView()->setFrameSize({420, 260});
    expectInvariants(*list);
    for (const auto& cell : list->reusableCells()) EXPECT_EQ(cell->frame().width(), 420);
}

// A list scrolled to its end that grows taller than its rows stays inside its document.
TEST_F(PXListViewTest, AListGrownPastItsRowsComesBackInsideItsDocument) {
    auto list = makeList(std::vector<double>(10, 30));
    scrollTo(*list, 100);
    ASSERT_EQ(top(*list), 100);
    list->setFrameSize({300, 290});
    EXPECT_EQ(top(*list), 10);
    expectInvariants(*list);
    EXPECT_EQ(list->visibleRange().length, 10u);
}

TEST_F(PXListViewTest, AReloadQueuesEveryCellAndKeepsTheSelectionByIndex) {
    auto list = makeList(mixedHeights(20));
    list->setSelectedRow(3);
    const auto before = list->visibleCells();
    list->reloadData();
    expectInvariants(*list);
    // The same cells came back from the queue, most recently queued first.
    EXPECT_EQ(rows_->cellsMade, int(before.size()));
    EXPECT_EQ(list->visibleCells().front(), before.back());
    EXPECT_EQ(list->selectedRow(), 3u);

    rows_->blank = {1};
    list->reloadData();
    EXPECT_FALSE(list->visibleCellForRow(1));
    EXPECT_TRUE(list->visibleCellForRow(2));
}

TEST_F(PXListViewTest, ClicksSelectAsTheSelectionRulesSay) {
    auto list = makeList({40, 40, 40, 40});
    auto click = [&](uint64_t row, uint64_t flags = 0) {
        Fixture::click(*list->visibleCellForRow(row), {10, 10}, 1, flags);
    };
    const uint64_t command = ui::kCommandKeyMask, shift = ui::kShiftKeyMask;

    // Single selection: a modified click on the selected row deselects it while the selection may be
    // empty, and otherwise only reselects it.
    click(1);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{1}));
    EXPECT_EQ(window_->firstResponder().get(), list.get());
    click(2, command);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{2}));
    click(2, command);
    EXPECT_TRUE(list->selectedRows().empty());
    list->setAllowsEmptySelection(false);
    click(2);
    click(2, shift);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{2}));

    // Multiple selection: Command and Shift both toggle single rows.
    list->setAllowsMultipleSelection(true);
    click(0, command);
    click(3, shift);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{0, 2, 3}));
    click(2, command);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{0, 3}));
    click(1);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{1}));
    // The only selected row stays when the selection may not become empty...
    click(1, command);
    EXPECT_EQ(list->selectedRows(), (std::set<uint64_t>{1}));
    // ...and goes when it may.
    list->setAllowsEmptySelection(true);
    click(1, command);
    EXPECT_TRUE(list->selectedRows().empty());
    EXPECT_EQ(list->selectedRow(), kNoRow);

    // Every selection is announced, also one that changed nothing.
    const int changes = rows_->selectionChanges;
    list->setSelectedRows({0, 1});
    EXPECT_EQ(list->selectedRow(), kNoRow);
    list->setSelectedRows({0, 1});
    EXPECT_EQ(rows_->selectionChanges, changes + 2);
}

TEST_F(PXListViewTest, ARowWithSelectionDisabledIsNeitherClickedNorArrowedInto) {
    auto list = makeList({40, 40, 40, 40, 40});
    rows_->disabled = {1, 3};
    list->reloadData();
    list->setSelectedRow(1);
    EXPECT_TRUE(list->selectedRows().empty());
    window_->makeFirstResponder(list);

    list->setSelectedRow(0);
    key(ui::kKeyCodeUpArrow);
    EXPECT_EQ(list->selectedRow(), 0u);  // nothing above the first row
    key(ui::kKeyCodeDownArrow);
    EXPECT_EQ(list->selectedRow(), 2u);  // row 1 skipped
    key(ui::kKeyCodeDownArrow);
    EXPECT_EQ(list->selectedRow(), 4u);
    key(ui::kKeyCodeDownArrow);
    EXPECT_EQ(list->selectedRow(), 4u);  // nothing below the last row
    key(ui::kKeyCodeUpArrow);
    EXPECT_EQ(list->selectedRow(), 2u);
    key(ui::kKeyCodeUpArrow);
    EXPECT_EQ(list->selectedRow(), 0u);

    // With nothing selected, and with no rows at all, the arrows do nothing.
    list->deselectAll();
    key(ui::kKeyCodeDownArrow);
    EXPECT_TRUE(list->selectedRows().empty());
    rows_->heights.clear();
    list->reloadData();
    list->setSelectedRow(0);
    list->moveDownPositions(0);
    EXPECT_EQ(list->selectedRow(), 0u);
}

TEST_F(PXListViewTest, AnArrowKeyInTheMiddleOfALongListKeepsTheNewRowInSight) {
    auto list = makeList(mixedHeights(500));
    window_->makeFirstResponder(list);
    list->scrollRowToVisible(249);
    list->setSelectedRow(249);
    key(ui::kKeyCodeDownArrow);
    ASSERT_EQ(list->selectedRow(), 250u);
    const Rect visible = list->contentView()->documentVisibleRect();
    EXPECT_TRUE(visible.containsRect(list->rectOfRow(250)));
    EXPECT_EQ(visible.maxY(), list->rectOfRow(250).maxY());  // it came up just far enough
    ASSERT_TRUE(list->visibleCellForRow(250));

    key(ui::kKeyCodeUpArrow);
    key(ui::kKeyCodeUpArrow);
    key(ui::kKeyCodeUpArrow);
    EXPECT_TRUE(list->contentView()->documentVisibleRect().containsRect(list->rectOfRow(247)));

    // Scrolling to a row far above puts it at the top.
    list->scrollToRow(10);
    EXPECT_EQ(top(*list), list->rectOfRow(10).minY());
    list->scrollToRow(500);  // no such row
    EXPECT_EQ(top(*list), list->rectOfRow(10).minY());
}

TEST_F(PXListViewTest, TheScrollToTopHooksRunPast100Points) {
    auto list = makeList<HookedList>(std::vector<double>(50, 40));
    scrollTo(*list, 100);
    EXPECT_EQ(list->shows, 0);
    scrollTo(*list, 101);
    scrollTo(*list, 400);
    EXPECT_EQ(list->shows, 1);
    scrollTo(*list, 100);
    EXPECT_EQ(list->hides, 0);
    scrollTo(*list, 99);
    scrollTo(*list, 20);
    EXPECT_EQ(list->hides, 1);

    // A list that never records its button as shown hears the show hook on every move down there.
    list->tracksShown = false;
    scrollTo(*list, 200);
    scrollTo(*list, 210);
    EXPECT_EQ(list->shows, 3);

    list->scrollToTop();
    EXPECT_EQ(top(*list), 0);
    EXPECT_FALSE(ui::AnimationContext::recorded().empty());
    EXPECT_EQ(ui::AnimationContext::recorded().back().duration, 0.3);
}

TEST_F(PXListViewTest, DropsProposeRowsAndHighlightsBySixths) {
    auto list = makeList({60, 60, 60});
    auto document = list->documentListView();
    auto dragAt = [&](double documentY) {
        ui::DraggingInfo info;
        info.draggingLocation = document->convertPoint_toView({20, documentY}, nullptr);
        return info;
    };
    EXPECT_EQ(list->draggingEntered(dragAt(65)), ui::kDragOperationCopy);  // top sixth of row 1
    EXPECT_EQ(rows_->proposedDrops.back(), std::make_pair(uint64_t{1}, PXDropHighlight::Above));
    EXPECT_EQ(list->visibleCellForRow(1)->dropHighlight(), PXDropHighlight::Above);
    EXPECT_EQ(document->dropHighlight(), PXDropHighlight::On);

    list->draggingUpdated(dragAt(90));  // the middle
    EXPECT_EQ(rows_->proposedDrops.back(), std::make_pair(uint64_t{1}, PXDropHighlight::On));
    EXPECT_EQ(list->visibleCellForRow(1)->dropHighlight(), PXDropHighlight::On);

    list->draggingUpdated(dragAt(115));  // bottom sixth of row 1: above row 2
    EXPECT_EQ(rows_->proposedDrops.back(), std::make_pair(uint64_t{2}, PXDropHighlight::Above));
    EXPECT_EQ(list->visibleCellForRow(1)->dropHighlight(), PXDropHighlight::None);

    // Over the last row's bottom sixth the delegate hears of the row after it; the last cell shows
    // the line below it.
    list->draggingUpdated(dragAt(175));
    EXPECT_EQ(rows_->proposedDrops.back(), std::make_pair(uint64_t{3}, PXDropHighlight::Above));
    EXPECT_EQ(list->visibleCellForRow(2)->dropHighlight(), PXDropHighlight::Below);
    const auto& lines = drawing(*list->visibleCellForRow(2));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("stroke rect(0 1 300 2) width 2", 0) == 0;
    }));
    EXPECT_TRUE(list->performDragOperation(dragAt(175)));
    EXPECT_EQ(rows_->acceptedDrops.back(), std::make_pair(uint64_t{2}, PXDropHighlight::Below));
    EXPECT_EQ(list->dropRow(), 0u);

    // A refusal hides the list's highlight; leaving clears the cell's.
    list->draggingUpdated(dragAt(30));
    rows_->dropOperation = ui::kDragOperationNone;
    EXPECT_EQ(list->draggingUpdated(dragAt(100)), ui::kDragOperationNone);
    EXPECT_EQ(document->dropHighlight(), PXDropHighlight::None);
    list->draggingExited(nullptr);
    EXPECT_EQ(list->visibleCellForRow(0)->dropHighlight(), PXDropHighlight::None);
    EXPECT_EQ(list->dropHighlight(), PXDropHighlight::None);

    PXDropHighlight highlight = PXDropHighlight::None;
    rows_->heights.clear();
    list->reloadData();
    EXPECT_EQ(list->indexOfRowAtPoint_returningProposedDropHighlight({0, 10}, &highlight), kNoRow);
    EXPECT_EQ(highlight, PXDropHighlight::On);
}

}  // namespace
}  // namespace kestrune
