#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A check box titled by the view model, indented by its left margin, with a read-more link.
class SimpleCheckBoxCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void checkBoxToggled(ui::Control& sender);
    void readMoreToggled(ui::Control& sender);

    std::shared_ptr<ui::Button> readMoreButton;
    std::shared_ptr<ui::View> elementsContainer;
};

}  // namespace kestrune
