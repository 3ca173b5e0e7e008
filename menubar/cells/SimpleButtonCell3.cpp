#include "menubar/cells/SimpleButtonCell3.h"

#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCell3Layout;

const KestruneListViewCellProtocol& SimpleButtonCell3::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSimpleButtonCell3Layout.name, 35, {}};
    return cellClass;
}

void SimpleButtonCell3::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (viewModel && button1) button1->setTitle(viewModel->primaryActionText().value_or(""));
}

void SimpleButtonCell3::buttonToggled(ui::Control&) {
    runCustomAction();
}

}  // namespace kestrune
