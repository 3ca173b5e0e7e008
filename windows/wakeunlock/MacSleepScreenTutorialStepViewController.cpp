#include "windows/wakeunlock/MacSleepScreenTutorialStepViewController.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/shell/ThreadHelpers.h"
#include "app/support/Localizable.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void MacSleepScreenTutorialStepViewController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    updateViewForNewSettings();
}

void MacSleepScreenTutorialStepViewController::updateStrings() {
    BaseViewController::updateStrings();
    if (titleLabel) titleLabel->setStringValue(localizable("mac_wake_unlock_options"));
    if (topLabel) topLabel->setStringValue(localizable("you_will_be_asked_on_your_iphone"));
    if (topLabel2) topLabel2->setStringValue(localizable("choose_your_confirmation_option"));
    if (labelYesNo) labelYesNo->setStringValue(localizable("mac_sleep_screen_ask_yes_no_short"));
    if (labelTouchId) labelTouchId->setStringValue(localizable("touchid_faceid_passcode"));
    if (labelKnock) labelKnock->setStringValue(localizable("mac_sleep_screen_double_knock_short"));
    if (doubleKnockDescriptionLabel)
        doubleKnockDescriptionLabel->setStringValue(localizable("mac_sleep_screen_double_knock_active_only"));
    if (bottomLabel)
        bottomLabel->setStringValue(localizable("put_mac_to_sleep_and_follow_instructions_on_iphone"));
    if (sleepButton) setKestruneEnabledButtonWithText(*sleepButton, localizable("sleep_mac_now"));
    if (footerLabel) footerLabel->setStringValue(localizable("or_press"));
}

void MacSleepScreenTutorialStepViewController::updateViewForNewSettings() {
    if (sleepButton) sleepButton->setHidden(false);
    if (bottomLabel) bottomLabel->setHidden(false);
    for (const auto& radio : {radioYesNo, radioTouchId, radioKnockKnock})
        if (radio) radio->setState(ui::kStateOff);
    std::shared_ptr<ui::Button> chosen;
    switch (DeviceLocalSettings::shared().macSleepScreenUnlockConfirmLogin()) {
        case kYesNo:
            chosen = radioYesNo;
            break;
        case kTouchId:
            chosen = radioTouchId;
            break;
        case kDoubleKnock:
            chosen = radioKnockKnock;
            break;
        default:
            // A method this version does not know: nothing to try with, so no way to start.
            if (sleepButton) sleepButton->setHidden(true);
            if (bottomLabel) bottomLabel->setHidden(true);
            break;
    }
    if (chosen) chosen->setState(ui::kStateOn);
}

void MacSleepScreenTutorialStepViewController::radioButtonToggled(ui::Control& sender) {
    const int tag = sender.tag();
    if (tag == kYesNo || tag == kTouchId || tag == kDoubleKnock)
        DeviceLocalSettings::shared().setMacSleepScreenUnlockConfirmLogin(tag);
    select(kMethodChanged);
    updateViewForNewSettings();
}

void MacSleepScreenTutorialStepViewController::sleepMacToggled(ui::Control&) {
    std::weak_ptr<MacSleepScreenTutorialStepViewController> weak =
        sharedAs<MacSleepScreenTutorialStepViewController>();
    runOnMainQueueAsync([weak] {
        if (auto page = weak.lock()) page->select(kSleepNow);
    });
}

void MacSleepScreenTutorialStepViewController::select(int32_t choice) {
    if (auto delegate = delegate_.lock())
        delegate->macSleepScreenTutorialStepViewController_didSelectOption(*this, choice);
}

}  // namespace kestrune
