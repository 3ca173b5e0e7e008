#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A title over a description, with a read-more link when the view model has one.
class TitleDescriptionCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void didToggleAction(ui::Control& sender);

    std::shared_ptr<ui::TextField> readMoreTextField;
};

}  // namespace kestrune
