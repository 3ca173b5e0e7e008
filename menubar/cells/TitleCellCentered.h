#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A centred title and description, for a few words on their own.
class TitleCellCentered : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void prepareForReuse() override;
};

}  // namespace kestrune
