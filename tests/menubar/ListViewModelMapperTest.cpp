// The list binding: rows from view models, their heights and cells, selection running the primary
// action, and view models that change while shown.

#include <gtest/gtest.h>

#include "menubar/cells/CollapseCell.h"
#include "menubar/cells/SimpleListCell.h"
#include "menubar/cells/TitleCell.h"
#include "menubar/lists/CollapseCellVM.h"
#include "menubar/lists/ListViewModelMapper.h"
#include "platform/ui/Window.h"
#include "tests/support/ui/Fixture.h"

namespace kestrune {
namespace {

class ListViewModelMapperTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        window_ = window({100, 100, 400, 300});
        list_ = KestruneListView::create({0, 0, 400, 300});
        list_->awakeFromNib();
        window_->contentView()->addSubview(list_);
        mapper_ = ListViewModelMapper::initWithListView(list_);
    }
    void show(std::vector<std::shared_ptr<ListCellViewModel>> rows) {
        mapper_->setListViewModel(std::move(rows));
        list_->reloadData();
    }
    template <typename Cell>
    std::shared_ptr<Cell> cellAt(uint64_t row) {
        return std::dynamic_pointer_cast<Cell>(list_->visibleCellForRow(row));
    }
    static std::shared_ptr<ListCellViewModel> titled(
        const std::string& title, const KestruneListViewCellProtocol* cellClass = nullptr) {
        auto vm = ListCellViewModel::init();
        vm->setTitle(title);
        vm->setViewClass(cellClass);
        return vm;
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<KestruneListView> list_;
    std::shared_ptr<ListViewModelMapper> mapper_;
};

TEST_F(ListViewModelMapperTest, TheMapperGivesTheListItsDefaultLook) {
    EXPECT_EQ(list_->delegate(), mapper_);
    EXPECT_TRUE(list_->allowsMultipleSelection());
    EXPECT_TRUE(list_->allowsEmptySelection());
    EXPECT_EQ(mapper_->listView(), list_);
}

TEST_F(ListViewModelMapperTest, RowHeightsComeFromTheViewModelOrItsCellClass) {
    auto collapse = CollapseCellVM::init();
    collapse->setViewClass(&CollapseCell::cellClass());
    collapse->setIsCollapsed(true);
    auto custom = CollapseCellVM::init();
    custom->setViewClass(&CollapseCell::cellClass());
    custom->setCustomRowHeight(120);
    auto plain = titled("No class");
    show({collapse, custom, plain, titled("Title", &TitleCell::cellClass())});

    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 0), 45);
    collapse->setIsCollapsed(false);
    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 0), 85);
    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 1), 120);
    custom->setIsCollapsed(true);
    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 1), 120);
    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 2), 45);
    EXPECT_EQ(&ListViewModelMapper::classForCellViewModel(*plain), &SimpleListCell::cellClass());
    EXPECT_TRUE(cellAt<SimpleListCell>(2));
    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 3), 50);

    // Past the end: no height and no cell.
    EXPECT_EQ(mapper_->listView_heightOfRow(*list_, 4), 0);
    EXPECT_FALSE(mapper_->listView_cellForRow(*list_, 4));
    EXPECT_EQ(list_->numberOfRows(), 4u);
}

TEST_F(ListViewModelMapperTest, ChainedSettersRenderTheVisibleRowAtOnce) {
    auto vm = titled("Before", &TitleCell::cellClass());
    show({vm});
    auto cell = cellAt<TitleCell>(0);
    ASSERT_TRUE(cell);
    vm->title("After").descriptionText("changed too");
    EXPECT_EQ(cell->titleLabel->stringValue(), "After");
    vm->setTitle("Plain setter");
    EXPECT_EQ(cell->titleLabel->stringValue(), "After");
}

TEST_F(ListViewModelMapperTest, SelectingARowRunsItsPrimaryActionEachTime) {
    int runs = 0;
    auto acting = titled("Acting");
    acting->setPrimaryActionHandler([&] { ++runs; });
    auto quiet = titled("Quiet");
    show({acting, quiet});
    click(*list_->visibleCellForRow(0), {10, 10});
    click(*list_->visibleCellForRow(0), {10, 10});
    EXPECT_EQ(runs, 2);
    click(*list_->visibleCellForRow(1), {10, 10});
    EXPECT_EQ(list_->selectedRow(), 1u);  // selected, and nothing else happened
    EXPECT_EQ(runs, 2);
}

TEST_F(ListViewModelMapperTest, ACellOfTheSameClassScrolledBackInShowsTheNewRow) {
    // Six rows of 100 points in a list of 300: scrolling by a screen and a bit reuses the top cells.
    std::vector<std::shared_ptr<ListCellViewModel>> rows;
    for (int i = 0; i < 8; ++i) {
        auto vm = titled("Row " + std::to_string(i), &TitleCell::cellClass());
        vm->setCustomRowHeight(100);
        rows.push_back(vm);
    }
    show(rows);
    auto first = cellAt<TitleCell>(0);
    ASSERT_TRUE(first);
    list_->contentView()->scrollToPoint({0, 150});
    list_->contentView()->scrollToPoint({0, 300});
    bool reused = false;
    for (const auto& cell : list_->visibleCells()) {
        if (cell != first) continue;
        reused = true;
        EXPECT_EQ(first->titleLabel->stringValue(), "Row " + std::to_string(first->row()));
        EXPECT_EQ(first->viewModel(), rows[first->row()]);
    }
    EXPECT_TRUE(reused);
    rows[0]->title("Off screen");
    EXPECT_NE(first->titleLabel->stringValue(), "Off screen");
}

}  // namespace
}  // namespace kestrune
