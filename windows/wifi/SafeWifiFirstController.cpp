#include "windows/wifi/SafeWifiFirstController.h"

#include "app/support/Localizable.h"
#include "features/wifi/SafeWifiManager.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "windows/wifi/SafeWifiWelcomeViewModel.h"

namespace kestrune {

void SafeWifiFirstController::updateStrings() {
    SafeWifiWizzardPage::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("wifi_unlock"));
    if (descriptionLabel) descriptionLabel->setStringValue(localizable("wifi_unlock_description"));
    if (addButton) addButton->setTitle(localizable("add_new_wifi_network"));
    if (editButton) editButton->setTitle(localizable("wifi_unlock_edit_list"));
    updateViewForViewModel();
}

void SafeWifiFirstController::updateViewForViewModel() {
    auto model = std::dynamic_pointer_cast<SafeWifiWelcomeViewModel>(viewModel());
    const bool canAdd = model && model->canAddNewWifi;
    const bool canEdit = model && model->canEditWifi;
    if (addButton) addButton->setHidden(!canAdd);
    if (editButton) editButton->setHidden(!canEdit);
    if (issueLabel) {
        const bool noPhone = model && model->issueReason == SafeWifiManager::kWifiStateNoTrackedPhone;
        issueLabel->setStringValue(noPhone ? localizable("wifi_unlock_needs_tracked_iphone") : "");
    }
}

void SafeWifiFirstController::addToggled(ui::Control&) {
    select(kAddNetwork);
}

void SafeWifiFirstController::editToggled(ui::Control&) {
    select(kEditList);
}

void SafeWifiFirstController::select(int64_t choice) {
    if (auto delegate = delegate_.lock()) delegate->safeWifiFirstController_didSelectOption(*this, choice);
}

}  // namespace kestrune
