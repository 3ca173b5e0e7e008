#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// A thin line between groups of rows, with an optional heading before it. It cannot be selected.
class SeparatorCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void prepareForReuse() override;
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;

    std::shared_ptr<ui::View> separatorView;

private:
    void placeSeparator();
};

}  // namespace kestrune
