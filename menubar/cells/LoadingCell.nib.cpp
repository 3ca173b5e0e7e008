#include "menubar/cells/LoadingCell.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoadingCellLayout;
const ui::NibRegistry::Registration kLoadingCellLayout("LoadingCell", [](ui::NibLoader& nib) {
    auto cell = cells::makeCell<LoadingCell>(nib, 50);
    cell->loading = nib.make<ui::ProgressIndicator>({20, 13, 24, 24});
    cell->loading->setStyle(ui::ProgressIndicator::Style::Spinning);
    cell->loading->setDisplayedWhenStopped(false);
    cell->addSubview(cell->loading);
    cell->titleLabel = cells::label(nib, *cell, {54, 15, 326, 20}, "Helvetica Neue", 13, customLightGray());
});

}  // namespace kestrune
