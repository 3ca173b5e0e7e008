#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A title, with a read-more link on the right when the view model has one.
class TitleCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void didToggleAction(ui::Control& sender);

    std::shared_ptr<ui::TextField> readMoreTextField;
};

}  // namespace kestrune
