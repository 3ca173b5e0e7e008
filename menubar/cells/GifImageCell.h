#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A large animated picture (the view model's icon). The row cannot be selected.
class GifImageCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void prepareForReuse() override;
};

}  // namespace kestrune
