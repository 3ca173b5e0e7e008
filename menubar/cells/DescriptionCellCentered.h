#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A centred text on its own (given as the title).
class DescriptionCellCentered : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void prepareForReuse() override;
};

}  // namespace kestrune
