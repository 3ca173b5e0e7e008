// A title on the left; the read-more text and a button over it on the right.

#include "menubar/cells/TitleCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleCellLayout;
const ui::NibRegistry::Registration kTitleCellLayout("TitleCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<TitleCell>(nib, 50);
    cells::shadowBackground(nib, *cell);
    cell->titleLabel = cells::label(nib, *cell, {20, 15, 260, 20}, "Helvetica", 14, ui::Color::blackColor());
    cell->readMoreTextField = cells::label(nib, *cell, {280, 17, 100, 16}, "Helvetica Neue", 10,
                                           kestruneGreen(), ui::kViewMinXMargin);
    cell->readMoreTextField->setAlignment(ui::TextAlignment::Right);
    cell->button2 = cells::textButton(nib, *cell, {280, 15, 100, 20}, "", kestruneGreen());
    cell->button2->setTransparent(true);
    cells::connect(*cell->button2, cell, &TitleCell::didToggleAction);
});

}  // namespace kestrune
