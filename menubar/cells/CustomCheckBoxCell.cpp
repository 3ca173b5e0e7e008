#include "menubar/cells/CustomCheckBoxCell.h"

#include "menubar/cells/CellLayout.h"
#include "menubar/cells/TextCells.h"
#include "platform/base/Log.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kCustomCheckBoxCellLayout;

const KestruneListViewCellProtocol& CustomCheckBoxCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kCustomCheckBoxCellLayout.name, 74, {}};
    return cellClass;
}

void CustomCheckBoxCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel) return;
    if (nativeCheckBox) nativeCheckBox->setState(viewModel->isOn() ? ui::kStateOn : ui::kStateOff);
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

void CustomCheckBoxCell::checkBoxToggled(ui::Control&) {
    const auto& vm = viewModel();
    platform::logf("Selected: %s, %llu", vm && vm->title() ? vm->title()->c_str() : "(null)",
                   static_cast<unsigned long long>(row()));
    didSelectCell();
}

void CustomCheckBoxCell::didSelectCell() {
    runCustomAction();
}

void CustomCheckBoxCell::readMoreToggled(ui::Control&) {
    cells::runSecondary(viewModel());
}

}  // namespace kestrune
