// The list page: rows given after its view loaded, selection by row id with its delayed completion.

#include <gtest/gtest.h>

#include "menubar/lists/ListViewModelController.h"
#include "platform/ui/Window.h"
#include "tests/support/ui/Fixture.h"

namespace kestrune {
namespace {

class ListViewModelControllerTest : public ui::test::Fixture {
protected:
    static std::shared_ptr<ListCellViewModel> row(const std::string& id, int* runs = nullptr) {
        auto vm = ListCellViewModel::init();
        vm->setRowId(id);
        vm->setTitle(id);
        if (runs) vm->setPrimaryActionHandler([runs] { ++*runs; });
        return vm;
    }
};

TEST_F(ListViewModelControllerTest, RowsAppearOnceGivenAfterTheViewLoaded) {
    int devicesRuns = 0;
    auto controller =
        ListViewModelController::initWithListViewModel({row("devicesMenu", &devicesRuns), row("setup")});
    ASSERT_TRUE(controller->listView);
    ASSERT_TRUE(controller->listViewModelMapper());
    EXPECT_EQ(controller->listView->delegate(), controller->listViewModelMapper());
    EXPECT_EQ(controller->listView->numberOfRows(), 0u);  // the binding was made without the rows

    controller->setListViewModel(controller->listViewModel());
    controller->reloadListView();
    EXPECT_EQ(controller->listView->numberOfRows(), 2u);
    EXPECT_EQ(controller->indexForRowId("setup"), 1);
    EXPECT_EQ(controller->indexForRowId("help"), ListViewModelController::kNotFound);

    controller->selectViewModel(nullptr);
    EXPECT_EQ(controller->listView->selectedRow(), 0u);
    EXPECT_EQ(devicesRuns, 1);
}

TEST_F(ListViewModelControllerTest, SelectingByRowIdCompletesATenthOfASecondLater) {
    int runs = 0;
    auto controller = ListViewModelController::initWithListViewModel({});
    controller->setListViewModel({row("devicesMenu"), row("photos", &runs)});
    controller->reloadListView();

    int completions = 0;
    controller->selectRowId_completion("photos", [&] { ++completions; });
    EXPECT_EQ(controller->listView->selectedRow(), 1u);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(completions, 0);
    advance(0.1);
    EXPECT_EQ(completions, 1);

    // An unknown id selects nothing; its completion still comes, and not before its time.
    controller->selectRowId_animated_completion("nowhere", false, [&] { ++completions; });
    EXPECT_EQ(controller->listView->selectedRow(), 1u);
    advance(0.09);
    EXPECT_EQ(completions, 1);
    advance(0.01);
    EXPECT_EQ(completions, 2);
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace kestrune
