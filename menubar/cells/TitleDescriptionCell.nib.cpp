// A title and the read-more link on its line, the description below them.

#include "menubar/cells/TitleDescriptionCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleDescriptionCellLayout;
const ui::NibRegistry::Registration kTitleDescriptionCellLayout("TitleDescriptionCell", [](ui::NibLoader&
                                                                                               nib) {
    auto cell = cells::makeCell<TitleDescriptionCell>(nib, 75);
    cells::shadowBackground(nib, *cell);
    cell->titleLabel = cells::label(nib, *cell, {20, 44, 260, 20}, "Helvetica", 14, ui::Color::blackColor());
    cell->descriptionLabel =
        cells::label(nib, *cell, {20, 8, 360, 34}, "Helvetica Neue Light", 12, customLightGray());
    cell->descriptionLabel->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    // The title's line ends with the link: a title over a description that reads from the right ends
    // where the link begins, not at the far end of its line from where the description starts.
    cell->titleLabel->setHeadedParagraph(cell->descriptionLabel);
    cell->readMoreTextField = cells::label(nib, *cell, {280, 46, 100, 16}, "Helvetica Neue", 10,
                                           kestruneGreen(), ui::kViewMinXMargin);
    cell->readMoreTextField->setAlignment(ui::TextAlignment::Right);
    cell->button2 = cells::textButton(nib, *cell, {280, 44, 100, 20}, "", kestruneGreen());
    cell->button2->setTransparent(true);
    cells::connect(*cell->button2, cell, &TitleDescriptionCell::didToggleAction);
});

}  // namespace kestrune
