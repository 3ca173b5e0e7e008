#include "menubar/cells/GifImageCell.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kGifImageCellLayout;

const KestruneListViewCellProtocol& GifImageCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kGifImageCellLayout.name, 244, {}};
    return cellClass;
}

void GifImageCell::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    setSelectionIsDisabled(true);
    if (icon) {
        icon->setAnimates(true);
        icon->setCanDrawSubviewsIntoLayer(true);
    }
}

}  // namespace kestrune
