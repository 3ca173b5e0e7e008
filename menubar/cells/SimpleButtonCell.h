#pragma once

#include <memory>

#include "uikit/buttons/KSButton3.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// One flat push button, in the view model's colour when it gives one. The row itself cannot be
// selected: only the button acts.
class SimpleButtonCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void prepareForReuse() override;
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void buttonToggled(ui::Control& sender);

    std::shared_ptr<KSButton3> customButton;
};

}  // namespace kestrune
