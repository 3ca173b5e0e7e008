#include "menubar/cells/ReadMoreButtonCell.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kReadMoreButtonCellLayout;

const KestruneListViewCellProtocol& ReadMoreButtonCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kReadMoreButtonCellLayout.name, 50, {}};
    return cellClass;
}

void ReadMoreButtonCell::buttonToggled(ui::Control&) {
    runCustomAction();
}

}  // namespace kestrune
