#include "windows/wakeunlock/MacSleepScreenFirstViewController.h"

#include "app/records/FTWDevice.h"
#include "app/support/Localizable.h"
#include "features/language/TextFormat.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void MacSleepScreenFirstViewController::updateStrings() {
    BaseViewController::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("mac_wake_unlock"));
    if (firstLabel) firstLabel->setStringValue(localizable("mac_sleep_screen_unlock_description"));
    if (secondLabel) secondLabel->setStringValue(localizable("mac_sleep_screen_unlock_description_2"));
    if (nextButton) setKestruneEnabledButtonWithText(*nextButton, localizable("lets_try_it_out"));
    // The computer's name is the user's text: spliced in as it stands, never read as a format.
    if (notificationText)
        notificationText->setStringValue(
            stringWithTextArgument(localizable("unlock_device"), FTWDevice::currentDeviceLocalizedName()));
    if (notificationUnlock) notificationUnlock->setStringValue(localizable("unlock"));
}

void MacSleepScreenFirstViewController::buttonToggled(ui::Control&) {
    if (auto delegate = delegate_.lock())
        delegate->macSleepScreenFirstViewControllerDidSelectShowTutorial(*this);
}

}  // namespace kestrune
