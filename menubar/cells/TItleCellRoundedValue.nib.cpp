// The title cell with a rounded value field before the read-more text.

#include "menubar/cells/TItleCellRoundedValue.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kTItleCellRoundedValueLayout;
const ui::NibRegistry::Registration kTItleCellRoundedValueLayout("TItleCellRoundedValue", [](ui::NibLoader&
                                                                                                 nib) {
    auto cell = cells::makeCell<TItleCellRoundedValue>(nib, 50);
    cells::shadowBackground(nib, *cell);
    cell->titleLabel = cells::label(nib, *cell, {20, 15, 180, 20}, "Helvetica", 14, ui::Color::blackColor());
    cell->valueTextField = cells::label(nib, *cell, {200, 13, 76, 24}, "Helvetica Neue", 12,
                                        customLightGray(), ui::kViewMinXMargin);
    cell->valueTextField->setAlignment(ui::TextAlignment::Center);
    cell->valueTextField->setWantsLayer(true);
    cell->valueTextField->layer()->setCornerRadius(12);
    cell->valueTextField->layer()->setBackgroundColor(custom3());
    cell->readMoreTextField = cells::label(nib, *cell, {280, 17, 100, 16}, "Helvetica Neue", 10,
                                           kestruneGreen(), ui::kViewMinXMargin);
    cell->readMoreTextField->setAlignment(ui::TextAlignment::Right);
    cell->button2 = cells::textButton(nib, *cell, {280, 15, 100, 20}, "", kestruneGreen());
    cell->button2->setTransparent(true);
    cells::connect<TitleCell>(*cell->button2, cell, &TitleCell::didToggleAction);
});

}  // namespace kestrune
