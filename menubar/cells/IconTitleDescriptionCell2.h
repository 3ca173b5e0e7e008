#pragma once

#include "menubar/cells/IconTitleDescriptionCell.h"

namespace kestrune {

// The same with a large icon.
class IconTitleDescriptionCell2 : public IconTitleDescriptionCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
};

}  // namespace kestrune
