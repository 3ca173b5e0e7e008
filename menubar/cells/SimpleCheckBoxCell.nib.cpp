// A titled check box in a container the cell moves by the indentation; the read-more link at the right.

#include "menubar/cells/SimpleCheckBoxCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/buttons/KSCustomCheckBox.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleCheckBoxCellLayout;
const ui::NibRegistry::Registration kSimpleCheckBoxCellLayout("SimpleCheckBoxCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleCheckBoxCell>(nib, 30);
    auto container = nib.make<ui::View>({0, 0, 300, 30});
    container->setAutoresizingMask(ui::kViewWidthSizable);
    cell->addSubview(container);
    cell->elementsContainer = container;
    cell->button1 = nib.make<KSCustomCheckBox>({20, 5, 270, 20});
    cell->button1->setButtonType(ui::ButtonType::Switch);
    cell->button1->setAutoresizingMask(ui::kViewWidthSizable);
    container->addSubview(cell->button1);
    cell->readMoreButton = cells::textButton(nib, *cell, {300, 5, 86, 20}, "", kestruneGreen());
    cell->readMoreButton->setAlignment(ui::TextAlignment::Right);
    cells::connect(*cell->button1, cell, &SimpleCheckBoxCell::checkBoxToggled);
    cells::connect(*cell->readMoreButton, cell, &SimpleCheckBoxCell::readMoreToggled);
});

}  // namespace kestrune
