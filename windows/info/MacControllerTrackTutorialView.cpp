#include "windows/info/MacControllerTrackTutorialView.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void MacControllerTrackTutorialView::updateStrings() {
    BaseViewController::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("lock_unlock_history_short"));
    if (descriptionLabel)
        descriptionLabel->setStringValue(
            stringWithTextArguments("%@ %@", {localizable("lock_unlock_history_description_1"),
                                              localizable("lock_unlock_history_description_2")}));
    if (imageTitle) imageTitle->setStringValue(localizable("lock_unlock_history"));
    if (firstDescriptionLabel) firstDescriptionLabel->setStringValue(localizable("kestrune_started"));
    if (secondDescriptionLabel) secondDescriptionLabel->setStringValue(localizable("mac_unlocked"));
    if (thirdDescriptionLabel) thirdDescriptionLabel->setStringValue(localizable("mac_locked"));
    if (fourthDescriptionLabel) fourthDescriptionLabel->setStringValue(localizable("session_duration"));
    if (fifthDescriptionLabel)
        fifthDescriptionLabel->setStringValue(localizable("failed_login_attempt_text"));
    if (filterLabel) filterLabel->setStringValue(localizable("filter"));
    if (showButton) setKestruneEnabledButtonWithText(*showButton, localizable("show_history"));
}

void MacControllerTrackTutorialView::previousToggled(ui::Control&) {
    select(kPrevious);
}

void MacControllerTrackTutorialView::showToggled(ui::Control&) {
    select(kShowHistory);
}

void MacControllerTrackTutorialView::select(int32_t choice) {
    if (auto delegate = delegate_.lock())
        delegate->macControllerTrackTutorialView_didSelectOption(this, choice);
}

}  // namespace kestrune
