#include "menubar/cells/TitleDescriptionCellCentered.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleDescriptionCellCenteredLayout;
const ui::NibRegistry::Registration kTitleDescriptionCellCenteredLayout(
    "TitleDescriptionCellCentered", [](ui::NibLoader& nib) {
        auto cell = cells::makeCell<TitleDescriptionCellCentered>(nib, 90);
        cell->titleLabel =
            cells::label(nib, *cell, {20, 54, 360, 20}, "Helvetica", 15, ui::Color::blackColor());
        cell->descriptionLabel =
            cells::label(nib, *cell, {30, 8, 340, 42}, "Helvetica Neue Light", 12, customLightGray());
        cell->descriptionLabel->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    });

}  // namespace kestrune
