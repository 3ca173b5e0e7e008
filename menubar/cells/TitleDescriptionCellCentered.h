#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A centred title over a centred description.
class TitleDescriptionCellCentered : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void prepareForReuse() override;
};

}  // namespace kestrune
