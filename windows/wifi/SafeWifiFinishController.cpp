#include "windows/wifi/SafeWifiFinishController.h"

#include "app/support/Localizable.h"

namespace kestrune {

void SafeWifiFinishController::updateStrings() {
    SafeWifiWizzardPage::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("you_have_set_up_wifi_unlock"));
    if (descriptionLabel) descriptionLabel->setStringValue("");
    if (finishButton) finishButton->setTitle(localizable("ok"));
}

void SafeWifiFinishController::finishToggled(ui::Control&) {
    if (auto delegate = delegate_.lock()) delegate->safeWifiFinishController_didSelectOption(*this, kDone);
}

}  // namespace kestrune
