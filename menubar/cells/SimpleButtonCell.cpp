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
    // The title first: a new title is plain text, and the colours below are applied to it.
    customButton->setTitle(viewModel->title().value_or(""));
    if (viewModel->customColor()) {
        customButton->setCustomBackgroundColor(viewModel->customColor());
        customButton->setCustomTextColor(ui::Color::whiteColor());
        customButton->updateView();
        // Its own first drawing would put the default look back.
        customButton->setDidSetupView(true);
    } else {
        customButton->setDefaultValues();
    }
}

void SimpleButtonCell::buttonToggled(ui::Control&) {
    runCustomAction();
}

}  // namespace kestrune
