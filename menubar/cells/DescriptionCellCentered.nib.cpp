// The text sits in the title label, which takes the whole row and wraps.

#include "menubar/cells/DescriptionCellCentered.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kDescriptionCellCenteredLayout;
const ui::NibRegistry::Registration kDescriptionCellCenteredLayout(
    "DescriptionCellCentered", [](ui::NibLoader& nib) {
        auto cell = cells::makeCell<DescriptionCellCentered>(nib, 90);
        cell->titleLabel =
            cells::label(nib, *cell, {30, 10, 340, 70}, "Helvetica Neue Light", 13, customLightGray());
        cell->titleLabel->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    });

}  // namespace kestrune
