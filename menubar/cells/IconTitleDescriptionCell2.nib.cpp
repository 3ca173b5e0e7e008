#include "menubar/cells/IconTitleDescriptionCell2.h"
#include "menubar/cells/IconTitleDescriptionLayout.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kIconTitleDescriptionCell2Layout;
const ui::NibRegistry::Registration kIconTitleDescriptionCell2Layout(
    "IconTitleDescriptionCell2",
    [](ui::NibLoader& nib) { cells::layOutIconTitleDescription<IconTitleDescriptionCell2>(nib, 90, 64); });

}  // namespace kestrune
