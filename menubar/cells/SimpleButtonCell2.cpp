#include "menubar/cells/SimpleButtonCell2.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCell2Layout;

const KestruneListViewCellProtocol& SimpleButtonCell2::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSimpleButtonCell2Layout.name, 50, {}};
    return cellClass;
}

}  // namespace kestrune
