#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// An icon before a title and a description, with a button on the right when the view model names one.
class IconTitleDescriptionCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void buttonToggled(ui::Control& sender);
};

}  // namespace kestrune
