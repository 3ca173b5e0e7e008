#include "menubar/cells/SimpleCheckBoxCell.h"

#include "menubar/cells/CellLayout.h"
#include "menubar/cells/TextCells.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleCheckBoxCellLayout;

const KestruneListViewCellProtocol& SimpleCheckBoxCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSimpleCheckBoxCellLayout.name, 30, {}};
    return cellClass;
}

void SimpleCheckBoxCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel) return;
    if (button1) {
        button1->setState(viewModel->isOn() ? ui::kStateOn : ui::kStateOff);
        button1->setTitle(viewModel->title().value_or(""));
    }
    if (readMoreButton) {
        if (viewModel->additionalText()) readMoreButton->setTitle(*viewModel->additionalText());
        readMoreButton->setHidden(!viewModel->additionalText());
    }
    if (elementsContainer) {
        ui::Rect frame = elementsContainer->frame();
        frame.origin.x = static_cast<double>(viewModel->leftMargin());
        elementsContainer->setFrame(frame);
    }
}

void SimpleCheckBoxCell::checkBoxToggled(ui::Control&) {
    cells::runPrimary(viewModel());
}

void SimpleCheckBoxCell::readMoreToggled(ui::Control&) {
    cells::runSecondary(viewModel());
}

}  // namespace kestrune
