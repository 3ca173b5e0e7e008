// An icon and a title on the master list's dark ground.

#include "menubar/cells/SimpleListCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleListCellLayout;
const ui::NibRegistry::Registration kSimpleListCellLayout("SimpleListCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleListCell>(nib, 45);
    cell->icon = cells::imageView(nib, *cell, {16, 11, 22, 22});
    cell->titleLabel = cells::label(nib, *cell, {50, 12, 330, 21}, "Helvetica", 14, custom1());
});

}  // namespace kestrune
