#include "menubar/cells/TitleDescriptionCellCentered.h"

#include "menubar/cells/TextCells.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleDescriptionCellCenteredLayout;

const KestruneListViewCellProtocol& TitleDescriptionCellCentered::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kTitleDescriptionCellCenteredLayout.name, 90, {}};
    return cellClass;
}

void TitleDescriptionCellCentered::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    cells::centreLabels(titleLabel.get(), descriptionLabel.get());
}

}  // namespace kestrune
