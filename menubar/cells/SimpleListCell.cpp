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
    // The icon's picture is painted over in place; tinting keeps its shape.
    if (icon && icon->image())
        icon->setImage(imageTintedWithColor(
            icon->image(), selected ? ui::Color::whiteColor() : ui::Color::lightGrayColor()));
}

void SimpleListCell::drawRect(ui::Rect dirty) {
    KestruneListViewCell::drawRect(dirty);
    if (titleLabel) {
        titleLabel->setDrawsBackground(false);
        titleLabel->setBackgroundColor(ui::Color::clearColor());
    }
}

}  // namespace kestrune
