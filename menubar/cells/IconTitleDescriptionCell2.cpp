#include "menubar/cells/IconTitleDescriptionCell2.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kIconTitleDescriptionCell2Layout;

const KestruneListViewCellProtocol& IconTitleDescriptionCell2::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kIconTitleDescriptionCell2Layout.name, 90, {}};
    return cellClass;
}

}  // namespace kestrune
