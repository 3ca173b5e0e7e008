// A flat button centred in the row.

#include "menubar/cells/SimpleButtonCell.h"
#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCellLayout;
const ui::NibRegistry::Registration kSimpleButtonCellLayout("SimpleButtonCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleButtonCell>(nib, 50);
    cell->customButton = nib.make<KSButton3>({140, 10, 120, 30});
    cell->customButton->setBordered(false);
    cell->customButton->setAutoresizingMask(ui::kViewMinXMargin | ui::kViewMaxXMargin);
    cell->addSubview(cell->customButton);
    cells::connect(*cell->customButton, cell, &SimpleButtonCell::buttonToggled);
});

}  // namespace kestrune
