#pragma once

#include <memory>

#include "menubar/cells/TitleCell.h"

namespace kestrune {

// A title cell that also shows a value in a rounded field.
class TItleCellRoundedValue : public TitleCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;

    std::shared_ptr<ui::TextField> valueTextField;
};

}  // namespace kestrune
