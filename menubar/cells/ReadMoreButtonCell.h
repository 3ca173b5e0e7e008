#pragma once

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A title that reads as a link; the button over it runs the row's primary action.
class ReadMoreButtonCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void buttonToggled(ui::Control& sender);
};

}  // namespace kestrune
