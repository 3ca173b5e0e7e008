#include "windows/info/MacControlPhotosTutorialView.h"

#include "app/support/Localizable.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void MacControlPhotosTutorialView::updateStrings() {
    BaseViewController::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("mac_control_options"));
    if (descriptionLabel) descriptionLabel->setStringValue(localizable("mac_control_info_description"));
    if (loginPhotosTitleLabel) loginPhotosTitleLabel->setStringValue(localizable("login_photos_short"));
    if (loginPhotosDescription)
        loginPhotosDescription->setStringValue(localizable("login_photos_description_1"));
    if (failedLoginPhotosTitleLabel)
        failedLoginPhotosTitleLabel->setStringValue(localizable("failed_login_photos_short"));
    if (failedLoginPhotosDescription)
        failedLoginPhotosDescription->setStringValue(localizable("failed_login_photos_description_1"));
    if (lockUnlockHistoryTitleLabel)
        lockUnlockHistoryTitleLabel->setStringValue(localizable("lock_unlock_history_short"));
    if (lockUnlockHistoryDescription)
        lockUnlockHistoryDescription->setStringValue(localizable("lock_unlock_history_description_1"));
    for (const auto& button : {loginPhotosButton, failedLoginPhotosButton, lockUnlockHistoryButton})
        if (button) setKestruneEnabledButtonWithText(*button, localizable("learn_more"));
}

void MacControlPhotosTutorialView::didToggleShowFailedLoginAttemptPhotos(ui::Control&) {
    select(kFailedLoginPhotos);
}

void MacControlPhotosTutorialView::didToggleShowLoginPhotos(ui::Control&) {
    select(kLoginPhotos);
}

void MacControlPhotosTutorialView::didToggleShowLockUnlockHistory(ui::Control&) {
    select(kLockUnlockHistory);
}

void MacControlPhotosTutorialView::select(int32_t choice) {
    if (auto delegate = delegate_.lock())
        delegate->macControlPhotosTutorialView_didSelectOption(this, choice);
}

}  // namespace kestrune
