#include "menubar/cells/SeparatorCell.h"

#include "uikit/views/BackgroundColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSeparatorCellLayout;

const KestruneListViewCellProtocol& SeparatorCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSeparatorCellLayout.name, 14, {}};
    return cellClass;
}

void SeparatorCell::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    setSelectionIsDisabled(true);
}

void SeparatorCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    placeSeparator();
    if (separatorView) setBackgouroundColor(*separatorView, ui::Color::lightGrayColor());
}

// Set against the cell's width now; the line's autoresizing keeps its ends in place as the row widens.
void SeparatorCell::placeSeparator() {
    const auto& vm = viewModel();
    const bool titled = vm && vm->title() && !vm->title()->empty();
    const double width = frame().width();
    if (separatorView) {
        const double y = separatorView->frame().minY();
        separatorView->setFrame(titled ? ui::Rect{80, y, width - 100, 1} : ui::Rect{25, y, width - 45, 1});
    }
    if (titleLabel) titleLabel->setAlphaValue(titled ? 1 : 0);
}

}  // namespace kestrune
