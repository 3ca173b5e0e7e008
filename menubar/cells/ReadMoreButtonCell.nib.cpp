// A green title with a transparent button over the whole row.

#include "menubar/cells/ReadMoreButtonCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kReadMoreButtonCellLayout;
const ui::NibRegistry::Registration kReadMoreButtonCellLayout("ReadMoreButtonCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<ReadMoreButtonCell>(nib, 50);
    cell->titleLabel = cells::label(nib, *cell, {20, 15, 360, 20}, "Helvetica Neue", 13, kestruneGreen());
    cell->button1 =
        cells::textButton(nib, *cell, {0, 0, 400, 50}, "", kestruneGreen(), ui::kViewWidthSizable);
    cell->button1->setTransparent(true);
    cells::connect(*cell->button1, cell, &ReadMoreButtonCell::buttonToggled);
});

}  // namespace kestrune
