#include "menubar/cells/TitleCell.h"

#include "menubar/cells/TextCells.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTitleCellLayout;

const KestruneListViewCellProtocol& TitleCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kTitleCellLayout.name, 50, {}};
    return cellClass;
}

void TitleCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (viewModel) cells::fillReadMore(*viewModel, readMoreTextField.get(), button2.get());
}

void TitleCell::didToggleAction(ui::Control&) {
    cells::runSecondary(viewModel());
}

}  // namespace kestrune
