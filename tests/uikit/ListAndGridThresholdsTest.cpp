// The exact edges of three rules of the lists and the grid: the band of a row where a drop goes above
// or below it (a sixth of the row), the scroll distance after which the grid recycles its items (a
// third of an item), and the direction of a list's selection change when the same row is chosen again.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/ui/Window.h"
#include "tests/support/ui/Fixture.h"
#include "tests/uikit/GridFixture.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/lists/PXListView.h"
#include "uikit/lists/PXListViewCell.h"

namespace kestrune {
namespace {

// Rows of given heights, each with a plain cell.
class PlainRows : public PXListViewDelegate {
public:
    std::vector<double> heights;
    uint64_t numberOfRowsInListView(PXListView&) override { return heights.size(); }
    double listView_heightOfRow(PXListView&, uint64_t row) override { return heights.at(row); }
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t) override {
        auto cell = list.dequeueCellWithReusableIdentifier("row");
        return cell ? cell : PXListViewCell::create("row");
    }
};

class ListThresholdsTest : public ui::test::Fixture {
protected:
    template <typename List>
    std::shared_ptr<List> makeList(std::vector<double> heights) {
        window_ = window({100, 100, 300, 300});
        auto list = ui::make<List>(ui::Rect{0, 0, 300, 300});
        window_->contentView()->addSubview(list);
        rows_ = std::make_shared<PlainRows>();
        rows_->heights = std::move(heights);
        list->setDelegate(rows_);
        list->reloadData();
        return list;
    }
    static std::pair<uint64_t, PXDropHighlight> dropAt(const PXListView& list, double documentY) {
        PXDropHighlight highlight = PXDropHighlight::None;
        const uint64_t row =
            list.indexOfRowAtPoint_returningProposedDropHighlight({20, documentY}, &highlight);
        return {row, highlight};
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<PlainRows> rows_;
};

using Drop = std::pair<uint64_t, PXDropHighlight>;

TEST_F(ListThresholdsTest, ADropGoesAboveOrBelowARowOnlyWithinASixthOfItsOwnHeight) {
    // Row 1 spans 30 to 120: a sixth is 15. The last row (120 to 180) takes its band from its cell: 10.
    auto list = makeList<PXListView>({30, 90, 60});
    EXPECT_EQ(dropAt(*list, 44.9), (Drop{1, PXDropHighlight::Above}));
    EXPECT_EQ(dropAt(*list, 45), (Drop{1, PXDropHighlight::On})) << "the edge itself is on the row";
    EXPECT_EQ(dropAt(*list, 105), (Drop{1, PXDropHighlight::On}));
    EXPECT_EQ(dropAt(*list, 105.1), (Drop{2, PXDropHighlight::Above}));
    EXPECT_EQ(dropAt(*list, 129.9), (Drop{2, PXDropHighlight::Above}));
    EXPECT_EQ(dropAt(*list, 130), (Drop{2, PXDropHighlight::On}));
    EXPECT_EQ(dropAt(*list, 170), (Drop{2, PXDropHighlight::On}));
    EXPECT_EQ(dropAt(*list, 170.1), (Drop{3, PXDropHighlight::Above})) << "below the last row";
    // Row 0 (0 to 30): a sixth is 5.
    EXPECT_EQ(dropAt(*list, 4.9), (Drop{0, PXDropHighlight::Above}));
    EXPECT_EQ(dropAt(*list, 5), (Drop{0, PXDropHighlight::On}));
    EXPECT_EQ(dropAt(*list, 25.1), (Drop{1, PXDropHighlight::Above}));
}

TEST_F(ListThresholdsTest, ChoosingTheSameRowAgainIsNotAnUpwardChange) {
    auto list = makeList<KestruneListView>({40, 40, 40, 40, 40, 40});
    list->setSelectedRow(5);
    list->setSelectedRow(3);
    ASSERT_TRUE(list->selectionChangeDirectionisUpward());
    list->setSelectedRow(3);
    EXPECT_EQ(list->previousSelection(), 3u);
    EXPECT_FALSE(list->selectionChangeDirectionisUpward());
    list->setSelectedRow(4);
    EXPECT_FALSE(list->selectionChangeDirectionisUpward());
}

using GridThresholdsTest = gridtest::GridTest;

// Items are 100 x 120 in a 400-point view: the update is due past a third of the width, 33.3 points.
TEST_F(GridThresholdsTest, TheGridRecyclesOnlyOnceTheViewMovedMoreThanAThirdOfAnItem) {
    reload();
    scrollTo(180);  // an update: the view now counts from 180, still keeping item 0
    ASSERT_EQ(visible().front(), 0);
    scrollTo(213);  // item 0 is out of the kept range now, but 33 points are not a third of an item
    EXPECT_EQ(grid->visibleItemRange().location, 1u);
    EXPECT_EQ(visible().front(), 0);
    scrollTo(214);  // 34 points from the last update
    EXPECT_EQ(visible().front(), 1);

    // Back by less than a third recycles nothing either; more brings item 0 back.
    scrollTo(181);
    EXPECT_EQ(visible().front(), 1);
    scrollTo(180);
    EXPECT_EQ(visible().front(), 0);
}

TEST_F(GridThresholdsTest, WithItemsShorterThanWideTheHeightsThirdDecides) {
    grid->setItemSize({120, 100});  // a third of the height, 33.3 points, is now the smaller
    reload();
    scrollTo(200);
    ASSERT_EQ(visible().front(), 0);
    scrollTo(240);  // 40 points: past a third of the height, short of a third of the width
    EXPECT_EQ(grid->visibleItemRange().location, 1u);
    EXPECT_EQ(visible().front(), 1);
}

}  // namespace
}  // namespace kestrune
