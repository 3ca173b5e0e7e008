// The photo at the left, its date beside it, and the share and delete buttons at the right.

#include "menubar/photos/MyListViewCell.h"
#include "app/support/Localizable.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kMyListViewCellLayout;
const ui::NibRegistry::Registration kMyListViewCellLayout("MyListViewCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<MyListViewCell>(nib, MyListViewCell::kHeight);
    cells::shadowBackground(nib, *cell);
    cell->imageView = cells::imageView(nib, *cell, {12, 7, 74, 56});
    cell->titleLabel =
        cells::label(nib, *cell, {100, 25, 150, 20}, "Helvetica Neue", 14, ui::Color::blackColor());
    auto share =
        cells::textButton(nib, *cell, {260, 23, 60, 24}, localizable("share_action"), kestruneGreen());
    auto remove =
        cells::textButton(nib, *cell, {325, 23, 60, 24}, localizable("delete"), ui::Color::redColor());
    cells::connect<MyListViewCell>(*share, cell, &MyListViewCell::shareToggled);
    cells::connect<MyListViewCell>(*remove, cell, &MyListViewCell::deleteToggled);
});

}  // namespace kestrune
