#include "menubar/cells/DescriptionCellCentered.h"

#include "menubar/cells/TextCells.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kDescriptionCellCenteredLayout;

const KestruneListViewCellProtocol& DescriptionCellCentered::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kDescriptionCellCenteredLayout.name, 90, {}};
    return cellClass;
}

void DescriptionCellCentered::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    cells::centreLabels(titleLabel.get(), descriptionLabel.get());
}

}  // namespace kestrune
