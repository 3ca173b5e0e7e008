#include "menubar/cells/TItleCellRoundedValue.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTItleCellRoundedValueLayout;

const KestruneListViewCellProtocol& TItleCellRoundedValue::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kTItleCellRoundedValueLayout.name, 50, {}};
    return cellClass;
}

void TItleCellRoundedValue::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    TitleCell::updateCellForCellViewModel(viewModel);
    if (viewModel && valueTextField) valueTextField->setStringValue(viewModel->valueText().value_or(""));
}

}  // namespace kestrune
