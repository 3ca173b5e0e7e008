#include "menubar/cells/TitleCellCentered.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleCellCenteredLayout;
const ui::NibRegistry::Registration kTitleCellCenteredLayout("TitleCellCentered", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<TitleCellCentered>(nib, 90);
    // The texts keep to the middle when a row is given another height (a lone title row is 50 high).
    const unsigned centred = ui::kViewWidthSizable | ui::kViewMinYMargin | ui::kViewMaxYMargin;
    cell->titleLabel =
        cells::label(nib, *cell, {20, 48, 360, 24}, "Helvetica", 18, ui::Color::blackColor(), centred);
    cell->descriptionLabel =
        cells::label(nib, *cell, {20, 20, 360, 20}, "Helvetica Neue Light", 13, customLightGray(), centred);
});

}  // namespace kestrune
