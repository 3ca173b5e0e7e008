#pragma once

#include <memory>

#include "platform/ui/Slider.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A spinner with a title, spinning whenever the row is shown.
class LoadingCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;
    void drawRect(ui::Rect dirty) override;

    std::shared_ptr<ui::ProgressIndicator> loading;
};

}  // namespace kestrune
