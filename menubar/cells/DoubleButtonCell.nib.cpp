// Two text buttons in a container 200 points wide; the cell places the container.

#include "menubar/cells/DoubleButtonCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kDoubleButtonCellLayout;
const ui::NibRegistry::Registration kDoubleButtonCellLayout("DoubleButtonCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<DoubleButtonCell>(nib, 30);
    cell->alignmentContainer = nib.make<ui::View>({200, 0, 200, 30});
    cell->alignmentContainer->setAutoresizingMask(ui::kViewMinXMargin);
    cell->addSubview(cell->alignmentContainer);
    cell->button1 =
        cells::textButton(nib, *cell->alignmentContainer, {0, 4, 96, 22}, "", customLightGray(), 0);
    cell->button2 =
        cells::textButton(nib, *cell->alignmentContainer, {100, 4, 96, 22}, "", kestruneGreen(), 0);
    cells::connect(*cell->button1, cell, &DoubleButtonCell::buttonToggled);
    cells::connect(*cell->button2, cell, &DoubleButtonCell::button2Toggled);
});

}  // namespace kestrune
