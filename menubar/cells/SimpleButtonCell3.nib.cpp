// A green text button at the row's left.

#include "menubar/cells/SimpleButtonCell3.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCell3Layout;
const ui::NibRegistry::Registration kSimpleButtonCell3Layout("SimpleButtonCell3", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleButtonCell3>(nib, 35);
    cell->button1 = cells::textButton(nib, *cell, {14, 6, 220, 23}, "", kestruneGreen(), ui::kViewMaxXMargin);
    cell->button1->setAlignment(ui::TextAlignment::Left);
    cells::connect(*cell->button1, cell, &SimpleButtonCell3::buttonToggled);
});

}  // namespace kestrune
