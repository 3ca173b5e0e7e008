#include "menubar/cells/IconTitleDescriptionCell.h"
#include "menubar/cells/IconTitleDescriptionLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kIconTitleDescriptionCellLayout;
const ui::NibRegistry::Registration kIconTitleDescriptionCellLayout(
    "IconTitleDescriptionCell",
    [](ui::NibLoader& nib) { cells::layOutIconTitleDescription<IconTitleDescriptionCell>(nib, 80, 40); });

}  // namespace kestrune
