// The settings list and its base cell: the common fill from a view model, updates of the view model
// that reach only the cell showing it, the disabled look, the selection colour and the direction of a
// selection change.

#include <gtest/gtest.h>

#include "platform/ui/Window.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/lists/KestruneListViewCell.h"
#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {
namespace {

class KestruneListViewTest : public ui::test::Fixture {
protected:
    // A cell with the base outlets, as a layout would give it.
    static std::shared_ptr<KestruneListViewCell> cell() {
        auto c = KestruneListViewCell::create("cell");
        c->setFrame({0, 0, 300, 55});
        c->titleLabel = ui::TextField::create({60, 28, 200, 18});
        c->descriptionLabel = ui::TextField::create({60, 8, 200, 16});
        c->icon = ui::ImageView::create({10, 10, 36, 36});
        c->secondaryIcon = ui::ImageView::create({260, 18, 20, 20});
        for (const auto& v : std::vector<std::shared_ptr<ui::View>>{c->titleLabel, c->descriptionLabel,
                                                                    c->icon, c->secondaryIcon})
            c->addSubview(v);
        return c;
    }
    static std::shared_ptr<ListCellViewModel> model(const std::string& title) {
        auto vm = ListCellViewModel::init();
        vm->setTitle(title);
        return vm;
    }
};

TEST_F(KestruneListViewTest, TheBaseFillShowsTheViewModelAndNothingOfTheRowBefore) {
    registerImage("icon_a", {36, 36});
    auto c = cell();
    auto first = model("Proximity");
    first->setDescriptionText("Locks when you walk away");
    first->setIconName("icon_a");
    first->setSecondaryIconName("no such picture");
    int primary = 0, secondary = 0;
    first->setPrimaryActionHandler([&] { ++primary; });
    first->setSecondaryActionHandler([&] { ++secondary; });
    c->updateCellForCellViewModel(first);
    EXPECT_EQ(c->titleLabel->stringValue(), "Proximity");
    EXPECT_EQ(c->descriptionLabel->stringValue(), "Locks when you walk away");
    EXPECT_EQ(c->icon->image(), ui::Image::imageNamed("icon_a"));
    EXPECT_FALSE(c->secondaryIcon->image());
    c->customActionProperty()();
    c->action2Property()();
    EXPECT_EQ(primary, 1);
    EXPECT_EQ(secondary, 1);

    c->prepareForReuse();
    c->updateCellForCellViewModel(ListCellViewModel::init());
    EXPECT_EQ(c->titleLabel->stringValue(), "");
    EXPECT_EQ(c->descriptionLabel->stringValue(), "");
    EXPECT_FALSE(c->icon->image());
    EXPECT_FALSE(c->customActionProperty());
    EXPECT_FALSE(c->action2Property());
}

TEST_F(KestruneListViewTest, AChangedViewModelReachesOnlyTheCellShowingIt) {
    auto a = cell();
    auto b = cell();
    auto first = model("First");
    auto second = model("Second");
    a->updateCellForCellViewModel(first);
    b->updateCellForCellViewModel(second);

    // The chained setter renders at once; the plain one waits for the next update.
    first->title("First, renamed").descriptionText("now with a description");
    EXPECT_EQ(a->titleLabel->stringValue(), "First, renamed");
    EXPECT_EQ(a->descriptionLabel->stringValue(), "now with a description");
    first->setTitle("quietly");
    EXPECT_EQ(a->titleLabel->stringValue(), "First, renamed");

    // Reused for another row, the cell no longer follows the first view model.
    a->prepareForReuse();
    a->updateCellForCellViewModel(model("Third"));
    first->title("First again");
    EXPECT_EQ(a->titleLabel->stringValue(), "Third");

    // After a reload another cell may take a view model before the cell that showed it is reused:
    // reusing the old cell leaves the new one its updates.
    a->updateCellForCellViewModel(first);
    b->updateCellForCellViewModel(first);
    EXPECT_EQ(b->titleLabel->stringValue(), "First again");
    a->prepareForReuse();  // a still holds `first`, whose handler is b's now
    first->title("still reaching b");
    EXPECT_EQ(b->titleLabel->stringValue(), "still reaching b");
    b->prepareForReuse();
    EXPECT_FALSE(first->viewModelUpdateHandler());

    // A view model outliving its cell changes nothing.
    auto orphan = model("Orphan");
    cell()->updateCellForCellViewModel(orphan);
    orphan->title("no cell");
    EXPECT_EQ(*orphan->title(), "no cell");
}

TEST_F(KestruneListViewTest, ADisabledViewModelDimsTheCellIconAndLabels) {
    auto c = cell();
    auto vm = model("Dimmed");
    vm->setIsDisabled(true);
    c->updateCellForCellViewModel(vm);
    for (ui::View* v :
         {static_cast<ui::View*>(c.get()), static_cast<ui::View*>(c->icon.get()),
          static_cast<ui::View*>(c->titleLabel.get()), static_cast<ui::View*>(c->descriptionLabel.get())})
        EXPECT_EQ(v->alphaValue(), 0.5);
    EXPECT_EQ(c->secondaryIcon->alphaValue(), 1.0);
    c->updateCellForCellViewModel(model("Enabled"));
    EXPECT_EQ(c->alphaValue(), 1.0);
    EXPECT_EQ(c->titleLabel->alphaValue(), 1.0);
}

// A list of base cells whose selection drawing is on or off.
class Cells : public PXListViewDelegate {
public:
    bool selectionEnabled = false;
    uint64_t numberOfRowsInListView(PXListView&) override { return 6; }
    double listView_heightOfRow(PXListView&, uint64_t) override { return 40; }
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) override {
        auto c =
            std::dynamic_pointer_cast<KestruneListViewCell>(list.dequeueCellWithReusableIdentifier("cell"));
        if (!c) c = KestruneListViewCell::create("cell");
        c->setIsSelectionEnabled(selectionEnabled);
        auto vm = ListCellViewModel::init();
        vm->setTitle("row " + std::to_string(row));
        c->updateCellForCellViewModel(vm);
        return c;
    }
};

TEST_F(KestruneListViewTest, OnlyCellsThatDrawSelectionShowIt) {
    auto w = window({100, 100, 300, 240});
    auto list = KestruneListView::create({0, 0, 300, 240});
    list->awakeFromNib();
    w->contentView()->addSubview(list);
    EXPECT_FALSE(list->allowsMultipleSelection());
    list->setupDefaultProperties();
    EXPECT_TRUE(list->allowsMultipleSelection());
    EXPECT_TRUE(list->allowsEmptySelection());
    EXPECT_FALSE(list->drawsBackground());
    EXPECT_EQ(list->registeredDraggedTypes(), std::vector<std::string>{"NSStringPboardType"});

    auto cells = std::make_shared<Cells>();
    list->setDelegate(cells);
    list->reloadData();
    auto background = [&](uint64_t row) -> std::optional<ui::Color> {
        auto layer = list->visibleCellForRow(row)->layer();
        return layer ? layer->backgroundColor() : std::nullopt;
    };
    list->setSelectedRow(2);
    EXPECT_FALSE(background(2));  // selection drawing is off: the cell keeps its look

    cells->selectionEnabled = true;
    list->reloadData();
    EXPECT_EQ(background(2), ui::Color::whiteColor().colorWithAlphaComponent(0.2));
    EXPECT_EQ(background(1), ui::Color::clearColor());
    list->setSelectedRow(1);
    EXPECT_EQ(background(1), ui::Color::whiteColor().colorWithAlphaComponent(0.2));
    EXPECT_EQ(background(2), ui::Color::clearColor());
}

TEST_F(KestruneListViewTest, TheDirectionOfASelectionChangeComparesRowsAsUnsignedNumbers) {
    auto list = KestruneListView::create({0, 0, 300, 240});
    auto cells = std::make_shared<Cells>();
    list->setDelegate(cells);
    list->reloadData();
    list->setSelectedRow(3);  // from no row: counts as upward
    EXPECT_EQ(list->previousSelection(), PXListView::kNoRow);
    EXPECT_TRUE(list->selectionChangeDirectionisUpward());
    list->setSelectedRow(5);
    EXPECT_FALSE(list->selectionChangeDirectionisUpward());
    list->setSelectedRow(3);
    EXPECT_EQ(list->previousSelection(), 5u);
    EXPECT_TRUE(list->selectionChangeDirectionisUpward());
}

TEST_F(KestruneListViewTest, TheFirstLayoutRendersTheViewModelAgainAMomentLater) {
    auto w = window({100, 100, 300, 55});
    auto c = cell();
    w->contentView()->addSubview(c);
    auto vm = model("Before");
    c->updateCellForCellViewModel(vm);
    vm->setTitle("After");
    settle();
    EXPECT_TRUE(c->didLayoutSubviewsAtLeastOnce());
    EXPECT_EQ(c->titleLabel->stringValue(), "Before");
    advance(0.01);
    EXPECT_EQ(c->titleLabel->stringValue(), "After");
    vm->setTitle("Later");
    c->setNeedsLayout(true);
    settle();
    advance(0.05);
    EXPECT_EQ(c->titleLabel->stringValue(), "After");  // only the first layout does it
}

}  // namespace
}  // namespace kestrune
