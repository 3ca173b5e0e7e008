#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A row of the settings window's master list: an icon and a title, drawn white when selected and grey
// otherwise. Also the cell of every view model that names no class.
class SimpleListCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void didUpdateSelection() override;
    void drawRect(ui::Rect dirty) override;

private:
    void applySelectionLook();
};

}  // namespace kestrune
