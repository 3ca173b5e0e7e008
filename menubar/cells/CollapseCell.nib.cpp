// Laid out from the top: the title line (icon, title, show more or less, close) stays in sight when
// the row folds to 45 points; description (up to two lines) and action take the rest of the 85 points
// unfolded. The
// separator keeps to the bottom edge. Any style but the three known ones shows the layout's grey.

#include "menubar/cells/CollapseCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kCollapseCellLayout;
const ui::NibRegistry::Registration kCollapseCellLayout("CollapseCell", [](ui::NibLoader& nib) {
    constexpr double kHeight = 100;
    auto cell = cells::makeCell<CollapseCell>(nib, kHeight);
    // y of a piece placed `top` points below the cell's top edge.
    auto fromTop = [&](double top, double height) { return kHeight - top - height; };
    const unsigned topLeft = ui::kViewMinYMargin;
    const unsigned topRight = ui::kViewMinYMargin | ui::kViewMinXMargin;

    cell->customBackgroundView = nib.make<ui::View>({0, 0, 400, kHeight});
    cell->customBackgroundView->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    setBackgouroundColor(*cell->customBackgroundView, customLightGray());
    cell->addSubview(cell->customBackgroundView);

    cell->customIcon = nib.make<ui::View>({16, fromTop(13, 18), 18, 18});
    cell->customIcon->setAutoresizingMask(topLeft);
    cell->customIcon->setWantsLayer(true);
    cell->customIcon->layer()->setCornerRadius(9);
    cell->customIcon->layer()->setBorderWidth(2);
    cell->customIcon->layer()->setBorderColor(ui::Color::whiteColor());
    cell->addSubview(cell->customIcon);

    cell->titleLabel = cells::label(nib, *cell, {44, fromTop(12, 20), 220, 20}, "Helvetica", 14,
                                    ui::Color::whiteColor(), ui::kViewWidthSizable | topLeft);
    cell->button2 =
        cells::textButton(nib, *cell, {266, fromTop(12, 20), 92, 20}, "", ui::Color::whiteColor(), topRight);
    cell->button2->setAlignment(ui::TextAlignment::Right);
    cell->closeButton = cells::textButton(nib, *cell, {364, fromTop(12, 20), 22, 20}, "\u2715",
                                          ui::Color::whiteColor(), topRight);
    // The description is a sentence to read whole: it wraps onto a second line rather than shortening.
    // Two lines and the action below them need more than the 40 points under a folded row, so the
    // description starts within the folded row's 45 points and the cell hides it while folded.
    cell->descriptionLabel = cells::label(nib, *cell, {44, fromTop(35, 31), 340, 31}, "Helvetica Neue Light",
                                          12, ui::Color::whiteColor(), ui::kViewWidthSizable | topLeft);
    cell->descriptionLabel->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    // A left-aligned title starts 6 points into its button, a label's text 2 into its field: the action
    // sits 4 points further left, so that the two start on one line.
    cell->button1 =
        cells::textButton(nib, *cell, {40, fromTop(66, 16), 200, 16}, "", ui::Color::whiteColor(), topLeft);
    cell->button1->setAlignment(ui::TextAlignment::Left);

    cell->bottomSeparator = nib.make<ui::View>({0, 0, 400, 1});
    cell->bottomSeparator->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewMaxYMargin);
    cell->addSubview(cell->bottomSeparator);

    cells::connect(*cell->button2, cell, &CollapseCell::toggleCollapseExpand);
    cells::connect(*cell->button1, cell, &CollapseCell::buttonToggled);
    cells::connect(*cell->closeButton, cell, &CollapseCell::toggleClose);
});

}  // namespace kestrune
