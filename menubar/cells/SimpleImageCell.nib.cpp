#include "menubar/cells/SimpleImageCell.h"
#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleImageCellLayout;
const ui::NibRegistry::Registration kSimpleImageCellLayout("SimpleImageCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleImageCell>(nib, 90);
    // The picture fills the row whatever height the page gives it (a welcome picture of 340 points, a
    // strip of 75).
    cell->icon =
        cells::imageView(nib, *cell, {20, 5, 360, 80}, ui::kViewWidthSizable | ui::kViewHeightSizable);
});

}  // namespace kestrune
