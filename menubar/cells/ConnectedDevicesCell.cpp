#include "menubar/cells/ConnectedDevicesCell.h"

#include "menubar/lists/ConnectedDevicesVM.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kConnectedDevicesCellLayout;

const KestruneListViewCellProtocol& ConnectedDevicesCell::cellClass() {
    static const KestruneListViewCellProtocol cellClass{kConnectedDevicesCellLayout.name, 200, {}};
    return cellClass;
}

void ConnectedDevicesCell::updateCellForCellViewModel(const std::shared_ptr<ListCellViewModel>& viewModel) {
    KestruneListViewCell::updateCellForCellViewModel(viewModel);
    if (!viewModel) return;
    auto devices = std::dynamic_pointer_cast<ConnectedDevicesVM>(viewModel);
    if (!devices) devices = ConnectedDevicesVM::init();
    if (icon) icon->setImage(ui::Image::imageNamed("devices_macbook_pro"));
    if (secondaryIcon) secondaryIcon->setImage(ui::Image::imageNamed("devices_iphone_6"));
    if (macName) macName->setStringValue(devices->macName().value_or(""));
    if (iPhoneName) iPhoneName->setStringValue(devices->iPhoneName().value_or(""));
    if (connectedImage)
        connectedImage->setImage(
            ui::Image::imageNamed(viewModel->isOn() ? "devices_distance" : "devices_distance_attention"));
    if (titleLabel) titleLabel->setTextColor(ui::Color::whiteColor());
}

}  // namespace kestrune
