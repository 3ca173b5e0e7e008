// A line of text with a green text button at the row's right.

#include "menubar/cells/SimpleButtonCell3.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kSimpleButtonCell3Layout;
const ui::NibRegistry::Registration kSimpleButtonCell3Layout("SimpleButtonCell3", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<SimpleButtonCell3>(nib, 35);
    cell->titleLabel = cells::label(nib, *cell, {14, 8, 250, 19}, "Helvetica Neue Light", 13,
                                    ui::Color::blackColor(), ui::kViewWidthSizable);
    cell->button1 =
        cells::textButton(nib, *cell, {270, 6, 116, 23}, "", kestruneGreen(), ui::kViewMinXMargin);
    cell->button1->setAlignment(ui::TextAlignment::Right);
    cells::connect(*cell->button1, cell, &SimpleButtonCell3::buttonToggled);
});

}  // namespace kestrune
