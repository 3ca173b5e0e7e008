#include "menubar/cells/DoubleButtonCell.h"

#include "menubar/cells/CellLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kDoubleButtonCellLayout;

const KestruneListViewCellProtocol& DoubleButtonCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kDoubleButtonCellLayout.name, 30, {}};
    return cellClass;
}

void DoubleButtonCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel) return;
    if (button1) button1->setTitle(viewModel->title().value_or(""));
    if (button2) button2->setTitle(viewModel->descriptionText().value_or(""));
    if (!alignmentContainer) return;
    ui::Rect frame = alignmentContainer->frame();
    frame.origin.x = viewModel->isOn() ? (this->frame().width() - frame.width()) / 2
                                       : this->frame().width() - frame.width();
    alignmentContainer->setFrame(frame);
    // The list gives the row its width after filling it and again whenever it is resized: the pair
    // keeps its place, centred or against the right edge, at any width.
    alignmentContainer->setAutoresizingMask(viewModel->isOn() ? ui::kViewMinXMargin | ui::kViewMaxXMargin
                                                              : ui::kViewMinXMargin);
}

void DoubleButtonCell::buttonToggled(ui::Control&) {
    runCustomAction();
}

void DoubleButtonCell::button2Toggled(ui::Control&) {
    runAction2();
}

}  // namespace kestrune
