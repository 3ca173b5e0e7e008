// A collapsible row drawn in a cell that the list took back from another row: what the earlier row set
// only for itself (its colour, its action's title) does not show in the new one.

#include <gtest/gtest.h>

#include "menubar/cells/CollapseCell.h"
#include "menubar/lists/CollapseCellVM.h"
#include "menubar/lists/ListCellFactory.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

class CollapseCellReuseTest : public ui::test::Fixture {
protected:
    std::shared_ptr<CollapseCell> cellFromList() {
        return std::dynamic_pointer_cast<CollapseCell>(
            ListCellFactory::cellForList_object(*list_, CollapseCell::cellClass()));
    }
    static std::shared_ptr<CollapseCellVM> row(int32_t style,
                                               std::optional<std::string> action = std::nullopt) {
        auto vm = CollapseCellVM::init();
        vm->setCollapseCell(style);
        vm->setIsCollapsed(true);
        vm->setTitle("Row in style " + std::to_string(style));
        if (action) vm->setAdditionalText(*action);
        return vm;
    }
    static std::optional<ui::Color> background(const ui::View& view) {
        return view.layer() ? view.layer()->backgroundColor() : std::nullopt;
    }

    std::shared_ptr<KestruneListView> list_ = KestruneListView::create({0, 0, 400, 300});
};

TEST_F(CollapseCellReuseTest, AStyleThreeRowInACellThatShowedAColouredRowHasTheLayoutsGrey) {
    const std::pair<int32_t, ui::Color> coloured[] = {
        {0, kestruneGreen()}, {1, warningYellow()}, {2, redErrorBackgroundColor()}};
    for (const auto& [style, colour] : coloured) {
        SCOPED_TRACE(style);
        auto cell = cellFromList();
        ASSERT_TRUE(cell);
        cell->updateCellForCellViewModel(row(style, "Open settings"));
        ASSERT_EQ(background(*cell->customBackgroundView), colour);
        ASSERT_EQ(cell->button1->title(), "Open settings");

        list_->enqueueCell(cell);
        auto reused = cellFromList();
        ASSERT_EQ(reused, cell);
        reused->updateCellForCellViewModel(row(3));
        EXPECT_EQ(background(*reused->customBackgroundView), customLightGray());
        EXPECT_EQ(reused->button1->title(), "");
        EXPECT_TRUE(reused->button1->isHidden());
        EXPECT_EQ(reused->titleLabel->stringValue(), "Row in style 3");
        list_->enqueueCell(reused);
    }
}

}  // namespace
}  // namespace kestrune
