#include "windows/tutorial/TutorialSetUpKestrune.h"

#include "app/support/Localizable.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void TutorialSetUpKestrune::setIPhoneName(const std::string& name) {
    iPhoneName_ = name;
    updateStrings();
}

void TutorialSetUpKestrune::setShowViewReason(int32_t reason) {
    showViewReason_ = reason;
    updateStrings();
}

void TutorialSetUpKestrune::updateStrings() {
    BaseViewController::updateStrings();
    // The finish button has no action of its own: the page only names it.
    if (finishButton) setKestruneEnabledButtonWithText(*finishButton, localizable("finish"));
    if (iPhoneNameTitle) iPhoneNameTitle->setStringValue(iPhoneName_);
    if (topTitleLabel)
        topTitleLabel->setStringValue(localizable(showViewReason_ == kAfterPairing
                                                      ? "we_are_ready_to_start"
                                                      : "lock_and_unlock_your_mac_automatically"));
    if (bottomTitleLabel) bottomTitleLabel->setStringValue(localizable("lets_try_it_out"));
    if (firstText) firstText->setStringValue(localizable("choose_unlock_lock_from_menu_bar"));
    if (secondText) secondText->setStringValue(localizable("enable_kestrune"));
    if (kestruneTitleLabel) kestruneTitleLabel->setStringValue(localizable("kestrune"));
    if (kestruneSwitchLabel) kestruneSwitchLabel->setStringValue(localizable("kestrune"));
    if (distanceLabel) distanceLabel->setStringValue(localizable("distance"));
    if (openMainMenuButton) openMainMenuButton->setTitle(localizable("open_security_and_privacy_action"));
}

void TutorialSetUpKestrune::openMainMenuToggled(ui::Control&) {
    if (auto delegate = delegate_.lock()) delegate->tutorialSelectOpenMainMenu(*this);
}

}  // namespace kestrune
