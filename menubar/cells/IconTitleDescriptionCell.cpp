#include "menubar/cells/IconTitleDescriptionCell.h"

#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kIconTitleDescriptionCellLayout;

const KestruneListViewCellProtocol& IconTitleDescriptionCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kIconTitleDescriptionCellLayout.name, 80, {}};
    return cellClass;
}

void IconTitleDescriptionCell::updateCellForCellViewModel(
    const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel || !button1) return;
    if (viewModel->additionalText()) button1->setTitle(*viewModel->additionalText());
    button1->setHidden(!viewModel->additionalText());
}

void IconTitleDescriptionCell::buttonToggled(ui::Control&) {
    runCustomAction();
}

}  // namespace kestrune
