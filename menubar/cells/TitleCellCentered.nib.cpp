#include "menubar/cells/TitleCellCentered.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleCellCenteredLayout;
const ui::NibRegistry::Registration kTitleCellCenteredLayout("TitleCellCentered", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<TitleCellCentered>(nib, 90);
    cell->titleLabel = cells::label(nib, *cell, {20, 48, 360, 24}, "Helvetica", 18, ui::Color::blackColor());
    cell->descriptionLabel =
        cells::label(nib, *cell, {20, 20, 360, 20}, "Helvetica Neue Light", 13, customLightGray());
});

}  // namespace kestrune
