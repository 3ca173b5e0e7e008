// The settings cells: each layout's class and height, what each cell reads from its view model, and
// what its controls run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "menubar/cells/CollapseCell.h"
#include "menubar/cells/ConnectedDevicesCell.h"
#include "menubar/cells/CustomCheckBoxCell.h"
#include "menubar/cells/DescriptionCellCentered.h"
#include "menubar/cells/DoubleButtonCell.h"
#include "menubar/cells/EmptyCell.h"
#include "menubar/cells/GifImageCell.h"
#include "menubar/cells/IconTitleDescriptionCell.h"
#include "menubar/cells/IconTitleDescriptionCell2.h"
#include "menubar/cells/LoadingCell.h"
#include "menubar/cells/ReadMoreButtonCell.h"
#include "menubar/cells/SeparatorCell.h"
#include "menubar/cells/SimpleButtonCell.h"
#include "menubar/cells/SimpleButtonCell2.h"
#include "menubar/cells/SimpleButtonCell3.h"
#include "menubar/cells/SimpleCheckBoxCell.h"
#include "menubar/cells/SimpleImageCell.h"
#include "menubar/cells/SimpleListCell.h"
#include "menubar/cells/SliderCell.h"
#include "menubar/cells/TItleCellRoundedValue.h"
#include "menubar/cells/TitleCell.h"
#include "menubar/cells/TitleCellCentered.h"
#include "menubar/cells/TitleDescriptionCell.h"
#include "menubar/cells/TitleDescriptionCellCentered.h"
#include "menubar/lists/CollapseCellVM.h"
#include "menubar/lists/ConnectedDevicesVM.h"
#include "menubar/lists/ListCellFactory.h"
#include "menubar/lists/SliderCellVM.h"
#include "platform/ui/Window.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

using ui::Rect;

class SettingsCellsTest : public ui::test::Fixture {
protected:
    // A cell as the list binding gets it: loaded from its layout, given the list's width.
    template <typename Cell>
    std::shared_ptr<Cell> load(double width = 400) {
        auto cell = PXListViewCell::cellLoadedFromNibNamed_reusableIdentifier<Cell>(
            Cell::cellClass().nibName, Cell::cellClass().nibName);
        if (cell) cell->setFrameSize({width, cell->frame().height()});
        return cell;
    }
    // A cell shown in a window, for clicks and drags.
    template <typename Cell>
    std::shared_ptr<Cell> shown() {
        window_ = window({100, 100, 400, 300});
        auto cell = load<Cell>();
        window_->contentView()->addSubview(cell);
        return cell;
    }
    static std::optional<ui::Color> background(const ui::View& view) {
        return view.layer() ? view.layer()->backgroundColor() : std::nullopt;
    }
    std::shared_ptr<ui::Window> window_;
};

struct Expected {
    const KestruneListViewCellProtocol& cellClass;
    std::string name;
    double height;
    std::function<bool(const std::shared_ptr<PXListViewCell>&)> isOfClass;
};

template <typename Cell>
Expected expect(const std::string& name, double height) {
    return {Cell::cellClass(), name, height, [](const std::shared_ptr<PXListViewCell>& c) {
                return std::dynamic_pointer_cast<Cell>(c) != nullptr;
            }};
}

TEST_F(SettingsCellsTest, EveryLayoutHoldsItsClassAtItsHeight) {
    const std::vector<Expected> all = {
        expect<SimpleListCell>("SimpleListCell", 45),
        expect<SeparatorCell>("SeparatorCell", 14),
        expect<EmptyCell>("EmptyCell", 90),
        expect<TitleCell>("TitleCell", 50),
        expect<TItleCellRoundedValue>("TItleCellRoundedValue", 50),
        expect<TitleCellCentered>("TitleCellCentered", 90),
        expect<TitleDescriptionCell>("TitleDescriptionCell", 75),
        expect<TitleDescriptionCellCentered>("TitleDescriptionCellCentered", 90),
        expect<DescriptionCellCentered>("DescriptionCellCentered", 90),
        expect<IconTitleDescriptionCell>("IconTitleDescriptionCell", 80),
        expect<IconTitleDescriptionCell2>("IconTitleDescriptionCell2", 90),
        expect<SimpleButtonCell>("SimpleButtonCell", 50),
        expect<SimpleButtonCell2>("SimpleButtonCell2", 50),
        expect<SimpleButtonCell3>("SimpleButtonCell3", 35),
        expect<DoubleButtonCell>("DoubleButtonCell", 30),
        expect<ReadMoreButtonCell>("ReadMoreButtonCell", 50),
        expect<SliderCell>("SliderCell", 50),
        expect<ConnectedDevicesCell>("ConnectedDevicesCell", 200),
        expect<CustomCheckBoxCell>("CustomCheckBoxCell", 74),
        expect<SimpleCheckBoxCell>("SimpleCheckBoxCell", 30),
        expect<LoadingCell>("LoadingCell", 50),
        expect<CollapseCell>("CollapseCell", 100),
        expect<SimpleImageCell>("SimpleImageCell", 90),
        expect<GifImageCell>("GifImageCell", 244),
    };
    ASSERT_EQ(all.size(), 24u);
    for (const auto& e : all) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.cellClass.nibName, e.name);
        EXPECT_EQ(e.cellClass.cellHeight, e.height);
        auto cell = PXListViewCell::cellLoadedFromNibNamed_reusableIdentifier(e.name, e.name);
        ASSERT_TRUE(cell);
        EXPECT_TRUE(e.isOfClass(cell));
        EXPECT_EQ(cell->className(), e.name);
        EXPECT_EQ(cell->frame().height(), e.height);
        EXPECT_EQ(cell->reusableIdentifier(), e.name);
        // Every part a layout places lies inside its cell.
        for (const auto& sub : cell->subviews())
            EXPECT_TRUE(cell->bounds().containsRect(sub->frame())) << sub->className();
    }
    // Only the collapsible cell's height depends on the view model.
    EXPECT_TRUE(CollapseCell::cellClass().cellHeightForViewModel);
    EXPECT_FALSE(TitleCell::cellClass().cellHeightForViewModel);
}

TEST_F(SettingsCellsTest, TheFactoryReusesAQueuedCellOfTheClassBeforeLoadingOne) {
    auto list = KestruneListView::create({0, 0, 400, 300});
    auto loaded = ListCellFactory::cellForList_object(*list, TitleCell::cellClass());
    ASSERT_TRUE(std::dynamic_pointer_cast<TitleCell>(loaded));
    EXPECT_EQ(background(*loaded), ui::Color::clearColor());
    list->enqueueCell(loaded);
    EXPECT_EQ(ListCellFactory::cellForList_object(*list, TitleCell::cellClass()), loaded);
    EXPECT_NE(ListCellFactory::cellForList_object(*list, TitleCell::cellClass()), loaded);
}

TEST_F(SettingsCellsTest, TheCollapsibleRowTakesItsStyleAndControlsFromTheViewModel) {
    const std::pair<int32_t, std::optional<ui::Color>> styles[] = {
        {0, kestruneGreen()}, {1, warningYellow()}, {2, redErrorBackgroundColor()}, {3, customLightGray()}};
    for (const auto& [style, colour] : styles) {
        auto cell = load<CollapseCell>();
        auto vm = CollapseCellVM::init();
        vm->setCollapseCell(style);
        cell->updateCellForCellViewModel(vm);
        EXPECT_EQ(background(*cell->customBackgroundView), colour) << style;  // 3: the layout's own grey
    }
    auto cell = load<CollapseCell>();
    auto vm = CollapseCellVM::init();
    vm->setIsCollapsed(true);
    vm->setAdditionalText("Open settings");
    int secondary = 0, tertiary = 0, primary = 0;
    vm->setSecondaryActionHandler([&] { ++secondary; });
    vm->setPrimaryActionHandler([&] { ++primary; });
    cell->updateCellForCellViewModel(vm);
    EXPECT_TRUE(cell->layer()->masksToBounds());
    EXPECT_EQ(cell->button2->title(), "show_more");
    EXPECT_EQ(cell->button1->title(), "Open settings");
    EXPECT_FALSE(cell->button1->isHidden());
    EXPECT_TRUE(cell->closeButton->isHidden());  // no close action
    EXPECT_EQ(cell->titleLabel->textColor(), ui::Color::whiteColor());
    EXPECT_EQ(background(*cell->bottomSeparator), separatorColorLight());

    cell->button2->performClick();
    EXPECT_FALSE(vm->isCollapsed());
    EXPECT_EQ(secondary, 1);
    cell->updateCellForCellViewModel(vm);
    EXPECT_EQ(cell->button2->title(), "show_less");
    cell->button1->performClick();
    EXPECT_EQ(primary, 1);

    vm->setTertiaryActionHandler([&] { ++tertiary; });
    cell->updateCellForCellViewModel(vm);
    EXPECT_FALSE(cell->closeButton->isHidden());
    cell->closeButton->performClick();
    EXPECT_EQ(tertiary, 1);

    // A plain view model reads as the green style with nothing set.
    auto plain = load<CollapseCell>();
    plain->updateCellForCellViewModel(ListCellViewModel::init());
    EXPECT_EQ(background(*plain->customBackgroundView), kestruneGreen());
    EXPECT_TRUE(plain->button1->isHidden());
}

TEST_F(SettingsCellsTest, TheFoldedWarningShowsItsTitleLineAndTheOpenedOneItsSentenceOnTwoLines) {
    // Measured with the fonts the application draws with.
    ui::CairoRenderer::installAsBackend();
    for (const bool collapsed : {true, false}) {
        SCOPED_TRACE(collapsed ? "folded" : "opened");
        auto cell = load<CollapseCell>();
        auto vm = CollapseCellVM::init();
        vm->setCollapseCell(1);
        vm->setTitle("Your Mac and your iPhone are not connected");
        vm->setDescriptionText("Open Kestrune on your iPhone and keep Bluetooth on.");
        vm->setAdditionalText("Troubleshoot");
        vm->setIsCollapsed(collapsed);
        cell->setFrameSize({400, CollapseCell::cellHeightForViewModel(*vm)});
        cell->updateCellForCellViewModel(vm);
        const Rect row = cell->bounds();
        // No part that shows is cut by the row's edge: it lies inside the row or wholly below it.
        for (const auto& sub : cell->subviews()) {
            if (!sub->isHidden()) {
                EXPECT_TRUE(row.containsRect(sub->frame()) || sub->frame().maxY() <= row.minY())
                    << sub->className() << " at " << sub->frame().minY() << " in a row " << row.height();
            }
        }
        EXPECT_TRUE(row.containsRect(cell->titleLabel->frame()));
        EXPECT_EQ(cell->descriptionLabel->isHidden(), collapsed);
        if (collapsed) continue;
        // Opened, the sentence wraps rather than shortening, between the title line and the action, with
        // room for two lines of its face.
        ui::TextField& description = *cell->descriptionLabel;
        EXPECT_LE(description.frame().maxY(), cell->titleLabel->frame().minY());
        EXPECT_GE(description.frame().minY(), cell->button1->frame().maxY());
        ui::TextAttributes face;
        face.font = description.font();
        const double oneLine = ui::AttributedString("Open", face).size().height;
        description.setStringValue(
            "Open Kestrune on your iPhone and keep Bluetooth on. The troubleshooter helps.");
        const double needs = description.cellSizeForBounds(description.bounds()).height;
        EXPECT_GT(needs, 1.5 * oneLine);
        EXPECT_LE(needs, description.frame().height());
    }
}

TEST_F(SettingsCellsTest, TheSeparatorStartsAt25WithoutAHeadingAnd80WithOne) {
    auto cell = load<SeparatorCell>(500);
    EXPECT_TRUE(cell->selectionIsDisabled());
    cell->updateCellForCellViewModel(ListCellViewModel::init());
    EXPECT_EQ(cell->separatorView->frame().minX(), 25);
    EXPECT_EQ(cell->separatorView->frame().maxX(), 480);
    EXPECT_EQ(cell->separatorView->frame().height(), 1);
    EXPECT_EQ(cell->titleLabel->alphaValue(), 0);
    EXPECT_EQ(background(*cell->separatorView), ui::Color::lightGrayColor());

    auto titled = ListCellViewModel::init();
    titled->setTitle("Other");
    cell->updateCellForCellViewModel(titled);
    EXPECT_EQ(cell->separatorView->frame(), (Rect{80, cell->separatorView->frame().minY(), 400, 1}));
    EXPECT_EQ(cell->titleLabel->alphaValue(), 1);
    titled->title("");
    EXPECT_EQ(cell->separatorView->frame().minX(), 25);
}

TEST_F(SettingsCellsTest, TheSliderReportsOnceWhenLetGo) {
    auto cell = shown<SliderCell>();
    auto vm = SliderCellVM::init();
    vm->setMinValue(0);
    vm->setMaxValue(100);
    vm->setCurrentValue(60);
    vm->setAdditionalText("Lock distance");
    vm->setTextValueFunc([](int32_t v) { return std::to_string(v) + " m"; });
    std::vector<int32_t> reported;
    vm->setDidUpdate([&](int32_t v) { reported.push_back(v); });
    cell->updateCellForCellViewModel(vm);
    EXPECT_EQ(cell->valueTextLabel->stringValue(), "60 m");
    EXPECT_EQ(cell->sliderTextLabel->stringValue(), "Lock distance");
    EXPECT_EQ(cell->distanceSlider->maxValue(), 100);

    // Knob centres: 10 points in, then 2.4 points per unit over a 260-point slider.
    auto& slider = *cell->distanceSlider;
    drag(slider, {10 + 60 * 2.4, 11}, {10 + 75 * 2.4, 11}, 3);
    EXPECT_EQ(reported, std::vector<int32_t>{75});
    EXPECT_EQ(cell->valueTextLabel->stringValue(), "75 m");
    EXPECT_EQ(vm->currentValue(), 60);  // the page decides what to keep
}

TEST_F(SettingsCellsTest, WhileTheSliderIsHeldOnlyTheTextsFollow) {
    auto cell = shown<SliderCell>();
    auto vm = SliderCellVM::init();
    vm->setMaxValue(100);
    vm->setTextValueFunc([](int32_t v) { return std::to_string(v); });
    int reports = 0;
    vm->setDidUpdate([&](int32_t) { ++reports; });
    cell->updateCellForCellViewModel(vm);
    // A press whose release has not arrived: the loop ends on the empty queue without one.
    auto& slider = *cell->distanceSlider;
    slider.window()->sendEvent(ui::Event::mouseEvent(ui::EventType::LeftMouseDown,
                                                     slider.convertPoint_toView({10 + 40 * 2.4, 11}, nullptr),
                                                     slider.window()));
    EXPECT_EQ(cell->valueTextLabel->stringValue(), "40");
    EXPECT_EQ(reports, 0);
}

TEST_F(SettingsCellsTest, TheTwoButtonsSitCentredOrAgainstTheRightEdge) {
    auto cell = load<DoubleButtonCell>(500);
    auto vm = ListCellViewModel::init();
    vm->setTitle("Cancel");
    vm->setDescriptionText("Continue");
    int first = 0, second = 0;
    vm->setPrimaryActionHandler([&] { ++first; });
    vm->setSecondaryActionHandler([&] { ++second; });
    cell->updateCellForCellViewModel(vm);
    const double width = cell->alignmentContainer->frame().width();
    EXPECT_EQ(cell->alignmentContainer->frame().maxX(), 500);
    vm->setIsOn(true);
    cell->updateCellForCellViewModel(vm);
    EXPECT_EQ(cell->alignmentContainer->frame().midX(), 250);
    EXPECT_EQ(cell->alignmentContainer->frame().width(), width);
    EXPECT_EQ(cell->button1->title(), "Cancel");
    EXPECT_EQ(cell->button2->title(), "Continue");
    EXPECT_EQ(textColor(*cell->button2), kestruneGreen());  // retitled, in the layout's colour still
    cell->button1->performClick();
    cell->button2->performClick();
    cell->button2->performClick();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}

// The colour the button's title is drawn in, from the line of its drawing that shows the text.
std::string drawnTitleColour(const ui::DisplayList& drawing, const std::string& title) {
    for (const auto& line : drawing)
        if (line.rfind("text \"" + title + "\"", 0) == 0) return line.substr(line.rfind(' ') + 1);
    return "no text " + title;
}

TEST_F(SettingsCellsTest, AColouredButtonIsDrawnWithItsWhiteTitleFromTheFirstDrawingOn) {
    auto cell = shown<SimpleButtonCell>();
    auto unpair = ListCellViewModel::init();
    unpair->setTitle("Unpair");
    unpair->setCustomColor(redButtonColor());
    auto ping = ListCellViewModel::init();
    ping->setTitle("Ping");
    const std::string white = ui::Color::whiteColor().description();

    cell->updateCellForCellViewModel(unpair);
    EXPECT_EQ(drawnTitleColour(drawing(*cell->customButton), "UNPAIR"), white);
    // Reused for a plain button and back, without letting the button's resizing catch up in between.
    cell->prepareForReuse();
    cell->updateCellForCellViewModel(ping);
    EXPECT_EQ(drawnTitleColour(drawing(*cell->customButton), "PING"), custom2().description());
    cell->prepareForReuse();
    cell->updateCellForCellViewModel(unpair);
    EXPECT_EQ(drawnTitleColour(drawing(*cell->customButton), "UNPAIR"), white);
    EXPECT_EQ(background(*cell->customButton), redButtonColor());
}

TEST_F(SettingsCellsTest, TheTwoButtonsKeepTheirPlaceWhenTheRowIsResized) {
    auto cell = load<DoubleButtonCell>();  // filled at the layout's width, as a new cell is
    auto vm = ListCellViewModel::init();
    vm->setTitle("Rescan");
    vm->setDescriptionText("Troubleshoot");
    vm->setIsOn(true);
    cell->updateCellForCellViewModel(vm);
    cell->setFrameSize({850, cell->frame().height()});
    EXPECT_EQ(cell->alignmentContainer->frame().midX(), 425);
    cell->setFrameSize({620, cell->frame().height()});
    EXPECT_EQ(cell->alignmentContainer->frame().midX(), 310);

    vm->setIsOn(false);
    cell->updateCellForCellViewModel(vm);
    cell->setFrameSize({700, cell->frame().height()});
    EXPECT_EQ(cell->alignmentContainer->frame().maxX(), 700);
}

// Contrast of two opaque colours, 1 (none) to 21 (black on white), from their relative luminances.
double contrast(const ui::Color& a, const ui::Color& b) {
    auto luminance = [](const ui::Color& c) {
        auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redComponent()) + 0.7152 * linear(c.greenComponent()) +
               0.0722 * linear(c.blueComponent());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What a subview of the cell stands on: the frontmost view behind it that covers it and has a ground of
// its own, else the settings page, which is white.
ui::Color groundUnder(const ui::View& cell, const ui::View& subview) {
    ui::Color ground = ui::Color::whiteColor();
    for (const auto& behind : cell.subviews()) {
        if (behind.get() == &subview) break;
        const auto colour = behind->layer() ? behind->layer()->backgroundColor() : std::nullopt;
        if (colour && colour->alphaComponent() == 1 && behind->frame().containsRect(subview.frame()))
            ground = *colour;
    }
    return ground;
}

TEST_F(SettingsCellsTest, TheDevicesNamesAndDistanceStandOnAGroundTheirColoursReadOn) {
    for (double width : {400.0, 851.0}) {
        auto cell = load<ConnectedDevicesCell>(width);
        auto vm = ConnectedDevicesVM::init();
        vm->setMacName(std::string("Ada's MacBook"));
        vm->setIPhoneName(std::string("Ada's iPhone"));
        vm->setTitle("0.7m");
        vm->setIsOn(true);
        cell->updateCellForCellViewModel(vm);
        for (const auto& label : {cell->titleLabel, cell->macName, cell->iPhoneName}) {
            SCOPED_TRACE(label->stringValue() + " at width " + std::to_string(width));
            ASSERT_TRUE(cell->bounds().containsRect(label->frame()));
            EXPECT_GE(contrast(label->textColor(), groundUnder(*cell, *label)), 4.5);
        }
        EXPECT_EQ(cell->titleLabel->textColor(), ui::Color::whiteColor());
        // The pictures stand on the same ground as the texts about them.
        for (const auto& picture : {cell->icon, cell->secondaryIcon, cell->connectedImage})
            EXPECT_EQ(groundUnder(*cell, *picture), groundUnder(*cell, *cell->titleLabel));
    }
}

TEST_F(SettingsCellsTest, CheckBoxesFollowTheViewModelAndItsIndentation) {
    auto custom = load<CustomCheckBoxCell>();
    auto vm = ListCellViewModel::init();
    vm->setTitle("Take a photo");
    vm->setIsOn(true);
    vm->setLeftMargin(40);
    vm->setAdditionalText("Read more");
    int primary = 0, secondary = 0;
    vm->setPrimaryActionHandler([&] { ++primary; });
    vm->setSecondaryActionHandler([&] { ++secondary; });
    custom->updateCellForCellViewModel(vm);
    EXPECT_EQ(custom->nativeCheckBox->state(), ui::kStateOn);
    EXPECT_EQ(custom->elementsContainer->frame().minX(), 40);
    EXPECT_FALSE(custom->readMoreButton->isHidden());
    custom->nativeCheckBox->performClick();
    EXPECT_EQ(primary, 1);
    EXPECT_TRUE(logged("Selected: Take a photo"));
    custom->readMoreButton->performClick();
    EXPECT_EQ(secondary, 1);

    vm->setLeftMargin(0);
    vm->setIsOn(false);
    vm->setAdditionalText(std::nullopt);
    custom->updateCellForCellViewModel(vm);
    EXPECT_EQ(custom->elementsContainer->frame().minX(), 0);
    EXPECT_EQ(custom->nativeCheckBox->state(), ui::kStateOff);
    EXPECT_TRUE(custom->readMoreButton->isHidden());

    auto simple = load<SimpleCheckBoxCell>();
    vm->setIsOn(true);
    vm->setLeftMargin(40);
    simple->updateCellForCellViewModel(vm);
    EXPECT_EQ(simple->button1->state(), ui::kStateOn);
    EXPECT_EQ(simple->button1->title(), "Take a photo");
    EXPECT_EQ(simple->elementsContainer->frame().minX(), 40);
    simple->button1->performClick();
    EXPECT_EQ(primary, 2);
}

TEST_F(SettingsCellsTest, AReusedCellShowsNothingOfItsLastRow) {
    registerImage("cell_icon", {40, 40});
    auto list = KestruneListView::create({0, 0, 400, 300});
    auto cell = std::dynamic_pointer_cast<IconTitleDescriptionCell>(
        ListCellFactory::cellForList_object(*list, IconTitleDescriptionCell::cellClass()));
    ASSERT_TRUE(cell);
    auto full = ListCellViewModel::init();
    full->setTitle("Photos");
    full->setDescriptionText("of failed logins");
    full->setIconName("cell_icon");
    full->setAdditionalText("Open");
    full->setIsDisabled(true);
    int runs = 0;
    full->setPrimaryActionHandler([&] { ++runs; });
    cell->updateCellForCellViewModel(full);
    EXPECT_EQ(cell->button1->title(), "Open");
    cell->button1->performClick();
    EXPECT_EQ(runs, 1);

    list->enqueueCell(cell);
    auto again = ListCellFactory::cellForList_object(*list, IconTitleDescriptionCell::cellClass());
    ASSERT_EQ(again, cell);
    cell->updateCellForCellViewModel(ListCellViewModel::init());
    EXPECT_EQ(cell->titleLabel->stringValue(), "");
    EXPECT_EQ(cell->descriptionLabel->stringValue(), "");
    EXPECT_FALSE(cell->icon->image());
    EXPECT_TRUE(cell->button1->isHidden());
    EXPECT_EQ(cell->alphaValue(), 1);
    cell->button1->performClick();
    EXPECT_EQ(runs, 1);
    full->title("Changed later");
    EXPECT_EQ(cell->titleLabel->stringValue(), "");
}

TEST_F(SettingsCellsTest, EachCellReadsItsOwnFields) {
    auto rounded = load<TItleCellRoundedValue>();
    auto vm = ListCellViewModel::init();
    vm->setTitle("Distance");
    vm->setValueText("3 m");
    vm->setAdditionalText("more");
    rounded->updateCellForCellViewModel(vm);
    EXPECT_EQ(rounded->valueTextField->stringValue(), "3 m");
    EXPECT_EQ(rounded->readMoreTextField->stringValue(), "");  // no secondary action: no read-more
    EXPECT_TRUE(rounded->button2->isHidden());
    int secondary = 0;
    vm->setSecondaryActionHandler([&] { ++secondary; });
    rounded->updateCellForCellViewModel(vm);
    EXPECT_EQ(rounded->readMoreTextField->stringValue(), "MORE");
    rounded->button2->performClick();
    EXPECT_EQ(secondary, 1);

    auto centred = load<TitleDescriptionCellCentered>();
    EXPECT_EQ(centred->titleLabel->alignment(), ui::TextAlignment::Center);
    EXPECT_EQ(centred->descriptionLabel->alignment(), ui::TextAlignment::Center);

    auto button = load<SimpleButtonCell>();
    EXPECT_TRUE(button->selectionIsDisabled());
    vm->setCustomColor(redButtonColor());
    button->updateCellForCellViewModel(vm);
    EXPECT_EQ(button->customButton->customBackgroundColor(), redButtonColor());
    EXPECT_EQ(button->customButton->title(), "DISTANCE");
    vm->setCustomColor(std::nullopt);
    button->updateCellForCellViewModel(vm);
    EXPECT_EQ(button->customButton->customBackgroundColor(), custom3());

    auto three = load<SimpleButtonCell3>();
    vm->setPrimaryActionText("Try again");
    three->updateCellForCellViewModel(vm);
    EXPECT_EQ(three->button1->title(), "Try again");

    for (const char* name :
         {"devices_macbook_pro", "devices_iphone_6", "devices_distance", "devices_distance_attention"})
        registerImage(name, {20, 20});
    auto devices = load<ConnectedDevicesCell>();
    auto pair = ConnectedDevicesVM::init();
    pair->setMacName("Studio");
    pair->setIPhoneName("Ann's phone");
    devices->updateCellForCellViewModel(pair);
    EXPECT_EQ(devices->macName->stringValue(), "Studio");
    EXPECT_EQ(devices->iPhoneName->stringValue(), "Ann's phone");
    EXPECT_EQ(devices->icon->image()->name(), "devices_macbook_pro");
    EXPECT_EQ(devices->secondaryIcon->image()->name(), "devices_iphone_6");
    EXPECT_EQ(devices->connectedImage->image()->name(), "devices_distance_attention");
    pair->setIsOn(true);
    devices->updateCellForCellViewModel(pair);
    EXPECT_EQ(devices->connectedImage->image()->name(), "devices_distance");

    auto loading = load<LoadingCell>();
    loading->updateCellForCellViewModel(vm);
    EXPECT_TRUE(loading->loading->isAnimating());

    auto gif = load<GifImageCell>();
    EXPECT_TRUE(gif->selectionIsDisabled());
    EXPECT_TRUE(gif->icon->animates());
    EXPECT_TRUE(gif->icon->canDrawSubviewsIntoLayer());
}

TEST_F(SettingsCellsTest, TheMasterListRowIsWhiteWhenSelectedAndGreyOtherwise) {
    window_ = window({100, 100, 300, 200});
    auto list = KestruneListView::create({0, 0, 300, 200});
    list->awakeFromNib();
    window_->contentView()->addSubview(list);
    class Rows : public PXListViewDelegate {
    public:
        uint64_t numberOfRowsInListView(PXListView&) override { return 3; }
        double listView_heightOfRow(PXListView&, uint64_t) override { return 45; }
        std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& l, uint64_t row) override {
            auto cell = ListCellFactory::cellForList_object(l, SimpleListCell::cellClass());
            auto vm = ListCellViewModel::init();
            vm->setTitle("Row " + std::to_string(row));
            std::static_pointer_cast<SimpleListCell>(cell)->updateCellForCellViewModel(vm);
            return cell;
        }
    };
    auto rows = std::make_shared<Rows>();
    list->setDelegate(rows);
    list->reloadData();
    list->setSelectedRow(1);
    auto selected = std::static_pointer_cast<SimpleListCell>(list->visibleCellForRow(1));
    auto other = std::static_pointer_cast<SimpleListCell>(list->visibleCellForRow(0));
    EXPECT_TRUE(selected->isSelectionEnabled());
    EXPECT_EQ(selected->titleLabel->textColor(), ui::Color::whiteColor());
    EXPECT_EQ(other->titleLabel->textColor(), custom1());
    EXPECT_EQ(background(*selected), ui::Color::whiteColor().colorWithAlphaComponent(0.2));
    list->setSelectedRow(0);
    EXPECT_EQ(selected->titleLabel->textColor(), custom1());
    EXPECT_EQ(other->titleLabel->textColor(), ui::Color::whiteColor());
}

}  // namespace
}  // namespace kestrune
