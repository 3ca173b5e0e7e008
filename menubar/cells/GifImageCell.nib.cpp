#include "menubar/cells/GifImageCell.h"
#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kGifImageCellLayout;
const ui::NibRegistry::Registration kGifImageCellLayout("GifImageCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<GifImageCell>(nib, 244);
    cell->icon = cells::imageView(nib, *cell, {20, 10, 360, 224}, ui::kViewWidthSizable);
});

}  // namespace kestrune
