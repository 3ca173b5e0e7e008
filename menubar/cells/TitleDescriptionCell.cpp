#include "menubar/cells/TitleDescriptionCell.h"

#include "menubar/cells/TextCells.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleDescriptionCellLayout;

const KestruneListViewCellProtocol& TitleDescriptionCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kTitleDescriptionCellLayout.name, 75, {}};
    return cellClass;
}

void TitleDescriptionCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (viewModel) cells::fillReadMore(*viewModel, readMoreTextField.get(), button2.get());
}

void TitleDescriptionCell::didToggleAction(ui::Control&) {
    cells::runSecondary(viewModel());
}

}  // namespace kestrune
