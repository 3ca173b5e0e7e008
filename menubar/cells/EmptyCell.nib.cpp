#include "menubar/cells/EmptyCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kEmptyCellLayout;
const ui::NibRegistry::Registration kEmptyCellLayout("EmptyCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<EmptyCell>(nib, 90);
    cell->titleLabel = cells::label(nib, *cell, {20, 50, 360, 20}, "Helvetica", 14, ui::Color::blackColor());
    cell->descriptionLabel =
        cells::label(nib, *cell, {20, 24, 360, 18}, "Helvetica Neue Light", 12, customLightGray());
});

}  // namespace kestrune
