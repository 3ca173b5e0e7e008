#include "menubar/cells/SimpleImageCell.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleImageCellLayout;

const KestruneListViewCellProtocol& SimpleImageCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSimpleImageCellLayout.name, 90, {}};
    return cellClass;
}

}  // namespace kestrune
