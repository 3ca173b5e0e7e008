#include "menubar/cells/EmptyCell.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kEmptyCellLayout;

const KestruneListViewCellProtocol& EmptyCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kEmptyCellLayout.name, 90, {}};
    return cellClass;
}

}  // namespace kestrune
