#include "windows/info/PhotoFeatureTutorialView.h"

#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void PhotoFeatureTutorialView::updateStrings() {
    BaseViewController::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("failed_login_photos_short"));
    if (descriptionLabel)
        descriptionLabel->setStringValue(
            stringWithTextArguments("%@ %@", {localizable("failed_login_photos_description_1"),
                                              localizable("failed_login_photos_description_2")}));
    if (firstDescriptionLabel)
        firstDescriptionLabel->setStringValue(localizable("mac_control_receive_notification_on_iphone"));
    if (secondDescriptionLabel)
        secondDescriptionLabel->setStringValue(localizable("mac_control_share_photo"));
    if (thirdDescriptionLabel)
        thirdDescriptionLabel->setStringValue(localizable("mac_control_save_photo_to_documents"));
    if (fourthDescriptionLabel)
        fourthDescriptionLabel->setStringValue(localizable("mac_control_delete_photo"));
    if (fifthDescriptionLabel)
        fifthDescriptionLabel->setStringValue(localizable("mac_control_delete_all_photos"));
    if (showButton) setKestruneEnabledButtonWithText(*showButton, localizable("show_all_photos"));
    // No foot note: failed logins are photographed on every system version the application runs on, so
    // the page has no version to warn about.
    if (footNoteLabel) footNoteLabel->setStringValue("");
}

}  // namespace kestrune
