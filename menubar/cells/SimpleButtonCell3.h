#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A short row with one button titled by the view model's primary action text.
class SimpleButtonCell3 : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void buttonToggled(ui::Control& sender);
};

}  // namespace kestrune
