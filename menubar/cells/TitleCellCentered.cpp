#include "menubar/cells/TitleCellCentered.h"

#include "menubar/cells/TextCells.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleCellCenteredLayout;

const KestruneListViewCellProtocol& TitleCellCentered::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kTitleCellCenteredLayout.name, 90, {}};
    return cellClass;
}

void TitleCellCentered::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    cells::centreLabels(titleLabel.get(), descriptionLabel.get());
}

}  // namespace kestrune
