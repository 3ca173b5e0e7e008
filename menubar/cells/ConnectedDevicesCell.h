#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune {

// This Mac and the paired phone side by side, named, with the link between them whole or broken.
class ConnectedDevicesCell : public KestruneListViewCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
    void updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) override;

    std::shared_ptr<ui::TextField> macName;
    std::shared_ptr<ui::TextField> iPhoneName;
    std::shared_ptr<ui::ImageView> connectedImage;
};

}  // namespace kestrune
