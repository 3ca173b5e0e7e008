#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A setting with a picture, a check box, a title and a description, indented by the view model's left
// margin, with a read-more link when the view model names one.
class CustomCheckBoxCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void checkBoxToggled(ui::Control& sender);
    void readMoreToggled(ui::Control& sender);
    // The row's choice: its stored primary action.
    void didSelectCell();

    std::shared_ptr<ui::ImageView> imageView;
    std::shared_ptr<ui::Button> readMoreButton;
    std::shared_ptr<ui::Button> nativeCheckBox;
    std::shared_ptr<ui::View> elementsContainer;
};

}  // namespace kestrune
