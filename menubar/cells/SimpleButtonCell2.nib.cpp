// A flat button at the row's left.

#include "menubar/cells/SimpleButtonCell2.h"
#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCell2Layout;
const ui::NibRegistry::Registration kSimpleButtonCell2Layout("SimpleButtonCell2", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleButtonCell2>(nib, 50);
    cell->customButton = nib.make<KSButton3>({20, 10, 120, 30});
    cell->customButton->setBordered(false);
    cell->customButton->setAutoresizingMask(ui::kViewMaxXMargin);
    cell->addSubview(cell->customButton);
    cells::connect<SimpleButtonCell>(*cell->customButton, cell, &SimpleButtonCell::buttonToggled);
});

}  // namespace kestrune
