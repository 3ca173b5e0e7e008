#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// Two text buttons side by side, centred in the row or against its right edge.
class DoubleButtonCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void buttonToggled(ui::Control& sender);
    void button2Toggled(ui::Control& sender);

    std::shared_ptr<ui::View> alignmentContainer;
};

}  // namespace kestrune
