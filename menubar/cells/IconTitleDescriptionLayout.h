#pragma once

// The layout of both icon-title-description cells: an icon of the given side before a title and a
// description, a text button at the right.

#include "menubar/cells/CellLayout.h"
#include "menubar/cells/IconTitleDescriptionCell.h"
#include "uikit/views/CustomColor.h"

namespace kestrune::cells {

template <typename Cell>
void layOutIconTitleDescription(ui::NibLoader& nib, double height, double iconSide) {
    auto cell = makeCell<Cell>(nib, height);
    shadowBackground(nib, *cell);
    const double textX = 20 + iconSide + 14;
    cell->icon = imageView(nib, *cell, {20, (height - iconSide) / 2, iconSide, iconSide});
    cell->titleLabel =
        label(nib, *cell, {textX, height / 2 + 2, 250 - textX, 20}, "Helvetica", 14, ui::Color::blackColor());
    cell->descriptionLabel = label(nib, *cell, {textX, height / 2 - 34, 250 - textX, 34},
                                   "Helvetica Neue Light", 12, customLightGray());
    cell->descriptionLabel->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    // Wide enough for the longer button titles ("Restart when done").
    cell->button1 = textButton(nib, *cell, {256, (height - 24) / 2, 130, 24}, "", kestruneGreen());
    connect<IconTitleDescriptionCell>(*cell->button1, cell, &IconTitleDescriptionCell::buttonToggled);
}

}  // namespace kestrune::cells
