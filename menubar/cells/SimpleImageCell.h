#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A picture (the view model's icon) in the middle of the row.
class SimpleImageCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
};

}  // namespace kestrune
