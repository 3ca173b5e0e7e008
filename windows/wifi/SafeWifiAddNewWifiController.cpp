#include "windows/wifi/SafeWifiAddNewWifiController.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"

namespace kestrune {

void SafeWifiAddNewWifiController::updateStrings() {
    SafeWifiWizzardPage::updateStrings();
    if (rightButtonOutlet) rightButtonOutlet->setTitle(localizable("cancel"));
    if (centerButtonOutlet) centerButtonOutlet->setTitle(localizable("cancel"));
    if (viewModel()) updateViewForViewModel();
}

void SafeWifiAddNewWifiController::updateViewForViewModel() {
    if (viewModel() && viewModel()->isConnectedToWiFi) {
        showConnectedWifi();
    } else {
        showNoConnectedWifi();
    }
}

void SafeWifiAddNewWifiController::showConnectedWifi() {
    const auto model = viewModel();
    const std::string name = model ? model->wifiName : "";
    // The page may have said "no Wi-Fi" before: the network's picture again.
    if (mainImage) mainImage->setImage(ui::Image::imageNamed("main_wifi"));
    if (titleLabel) titleLabel->setStringValue(name);
    // The network's name is spliced in as it stands: a name may hold anything, "%" included.
    if (model && model->wifiAlreadyAdded) {
        if (descriptionLabel2)
            descriptionLabel2->setStringValue(
                stringWithTextArgument(localizable("already_added_to_network"), name));
        if (centerButtonOutlet) {
            centerButtonOutlet->setTitle(localizable("ok"));
            centerButtonOutlet->setHidden(false);
        }
        if (leftButtonOutlet) leftButtonOutlet->setHidden(true);
        if (rightButtonOutlet) rightButtonOutlet->setHidden(true);
        return;
    }
    if (descriptionLabel2)
        descriptionLabel2->setStringValue(
            stringWithTextArgument(localizable("wifi_unlock_add_to_list"), name));
    if (leftButtonOutlet) {
        leftButtonOutlet->setTitle(localizable("add"));
        leftButtonOutlet->setHidden(false);
    }
    if (rightButtonOutlet) rightButtonOutlet->setHidden(false);
    if (centerButtonOutlet) centerButtonOutlet->setHidden(true);
}

void SafeWifiAddNewWifiController::showNoConnectedWifi() {
    if (mainImage) mainImage->setImage(ui::Image::imageNamed("main_no_wifi"));
    if (titleLabel) titleLabel->setStringValue(localizable("no_wifi_connected"));
    if (descriptionLabel2)
        descriptionLabel2->setStringValue(localizable("connect_to_wifi_to_add_wifi_unlock"));
    if (leftButtonOutlet) leftButtonOutlet->setHidden(true);
    if (rightButtonOutlet) rightButtonOutlet->setHidden(true);
    if (centerButtonOutlet) {
        centerButtonOutlet->setTitle(localizable("cancel"));
        centerButtonOutlet->setHidden(false);
    }
}

void SafeWifiAddNewWifiController::leftButton(ui::Control&) {
    select(viewModel() && viewModel()->wifiAlreadyAdded ? kShowList : kAdd);
}

void SafeWifiAddNewWifiController::rightButton(ui::Control&) {
    select(kCancel);
}

void SafeWifiAddNewWifiController::centerButton(ui::Control&) {
    select(kCancel);
}

void SafeWifiAddNewWifiController::select(int64_t choice) {
    if (auto delegate = delegate_.lock())
        delegate->SafeWifiAddNewWifiController_didSelectOption(*this, choice);
}

}  // namespace kestrune
