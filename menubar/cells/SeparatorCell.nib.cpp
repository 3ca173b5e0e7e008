// A heading of up to 55 points and a line through the middle of the row.

#include "menubar/cells/SeparatorCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSeparatorCellLayout;
const ui::NibRegistry::Registration kSeparatorCellLayout("SeparatorCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SeparatorCell>(nib, 14);
    cell->titleLabel =
        cells::label(nib, *cell, {20, 0, 58, 14}, "Helvetica Neue", 10, custom2(), ui::kViewNotSizable);
    cell->separatorView = nib.make<ui::View>({25, 7, 355, 1});
    cell->separatorView->setAutoresizingMask(ui::kViewWidthSizable);
    cell->addSubview(cell->separatorView);
});

}  // namespace kestrune
