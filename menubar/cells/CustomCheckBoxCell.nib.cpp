// Picture, check box, title and description in a container the cell moves by the indentation; the
// read-more link at the right.

#include "menubar/cells/CustomCheckBoxCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/buttons/KSCustomCheckBox.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kCustomCheckBoxCellLayout;
const ui::NibRegistry::Registration kCustomCheckBoxCellLayout("CustomCheckBoxCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<CustomCheckBoxCell>(nib, 74);
    cells::shadowBackground(nib, *cell);
    auto container = nib.make<ui::View>({0, 0, 300, 74});
    container->setAutoresizingMask(ui::kViewWidthSizable);
    cell->addSubview(container);
    cell->elementsContainer = container;
    cell->imageView = cells::imageView(nib, *container, {20, 21, 32, 32});
    cell->icon = cell->imageView;
    cell->nativeCheckBox = nib.make<KSCustomCheckBox>({64, 42, 18, 18});
    cell->nativeCheckBox->setButtonType(ui::ButtonType::Switch);
    cell->nativeCheckBox->setTitle("");
    container->addSubview(cell->nativeCheckBox);
    cell->titleLabel =
        cells::label(nib, *container, {86, 41, 210, 20}, "Helvetica", 14, ui::Color::blackColor());
    cell->descriptionLabel =
        cells::label(nib, *container, {64, 6, 232, 32}, "Helvetica Neue Light", 11, customLightGray());
    cell->descriptionLabel->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    cell->readMoreButton = cells::textButton(nib, *cell, {300, 41, 86, 20}, "", kestruneGreen());
    cell->readMoreButton->setAlignment(ui::TextAlignment::Right);
    cells::connect(*cell->nativeCheckBox, cell, &CustomCheckBoxCell::checkBoxToggled);
    cells::connect(*cell->readMoreButton, cell, &CustomCheckBoxCell::readMoreToggled);
});

}  // namespace kestrune
