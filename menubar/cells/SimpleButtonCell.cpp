#include "menubar/cells/SimpleButtonCell.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCellLayout;

const KestruneListViewCellProtocol& SimpleButtonCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSimpleButtonCellLayout.name, 50, {}};
    return cellClass;
}

void SimpleButtonCell::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    setSelectionIsDisabled(true);
}

void SimpleButtonCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel || !customButton) return;
    if (viewModel->customColor()) {
        customButton->setCustomBackgroundColor(viewModel->customColor());
        customButton->setCustomTextColor(ui::Color::whiteColor());
        customButton->updateView();
        // Its own first drawing would put the default look back.
        customButton->setDidSetupView(true);
    } else {
        customButton->setDefaultValues();
    }
    customButton->setTitle(viewModel->title().value_or(""));
}

void SimpleButtonCell::buttonToggled(ui::Control&) {
    runCustomAction();
}

}  // namespace kestrune
