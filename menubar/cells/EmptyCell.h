#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A tall row with only the base fill: room, or a title and description in it.
class EmptyCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
};

}  // namespace kestrune
