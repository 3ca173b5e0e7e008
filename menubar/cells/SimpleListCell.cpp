#include "menubar/cells/SimpleListCell.h"

#include "uikit/images/ImageTintColor.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleListCellLayout;

const KestruneListViewCellProtocol& SimpleListCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kSimpleListCellLayout.name, 45, {}};
    return cellClass;
}

void SimpleListCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    setIsSelectionEnabled(true);
    setSelectionIsDisabled(false);
    updateSelectionColor();
    applySelectionLook();
}

void SimpleListCell::didUpdateSelection() {
    KestruneListViewCell::didUpdateSelection();
    applySelectionLook();
}

void SimpleListCell::applySelectionLook() {
    const bool selected = isSelected();
    if (titleLabel) titleLabel->setTextColor(selected ? ui::Color::whiteColor() : custom1());
    if (!icon) return;
    // The icon's picture painted over, its shape kept. The view model's own picture is painted each
    // time, so that repeated selections do not paint over paint.
    const auto& vm = viewModel();
    auto picture = vm && vm->iconName() ? ui::Image::imageNamed(*vm->iconName()) : icon->image();
    if (picture)
        icon->setImage(
            imageTintedWithColor(picture, selected ? ui::Color::whiteColor() : ui::Color::lightGrayColor()));
}

void SimpleListCell::drawRect(ui::Rect dirty) {
    KestruneListViewCell::drawRect(dirty);
    if (titleLabel) {
        titleLabel->setDrawsBackground(false);
        titleLabel->setBackgroundColor(ui::Color::clearColor());
    }
}

}  // namespace kestrune
