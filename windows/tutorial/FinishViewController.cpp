#include "windows/tutorial/FinishViewController.h"

#include "app/records/MobileDevice.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/sharing/SocialManager.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune {

void FinishViewController::loadView() {
    BaseViewController::loadView();
    if (facebookButton) facebookButton->setAlphaValue(0.95);
    if (twitterButton) twitterButton->setAlphaValue(0.95);
    finishPreviewController = FinishPreviewController::create();
    if (finishPreview) {
        auto preview = finishPreviewController->view();
        preview->setFrame(finishPreview->bounds());
        finishPreview->addSubview(preview);
    }
}

void FinishViewController::updateView() {
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!phone || !phone->mobileDeviceInfo() || !phone->mobileDeviceInfo()->deviceName() ||
        phone->mobileDeviceInfo()->deviceName()->empty())
        return;
    if (finishPreviewController && finishPreviewController->iPhoneNameTitle)
        finishPreviewController->iPhoneNameTitle->setStringValue(*phone->mobileDeviceInfo()->deviceName());
}

void FinishViewController::updateStrings() {
    BaseViewController::updateStrings();
    if (titleTextField) titleTextField->setStringValue(localizable("we_are_done"));
    if (textLabel) textLabel->setStringValue(localizable("kestrune_available_in_menu_bar"));
    if (shareLabel) shareLabel->setStringValue(localizable("share_kestrune"));
    if (finishButton) setKestruneEnabledButtonWithText(*finishButton, localizable("show_tutorial"));
    if (finishPreviewController) finishPreviewController->updateString();
}

void FinishViewController::finishToggled(ui::Control&) {
    if (auto delegate = delegate_.lock())
        delegate->finishViewController_didSelectOption(*this, kShowTutorial);
}

void FinishViewController::facebookToggled(ui::Control&) {
    SocialManager::shareOnFacebook();
}

void FinishViewController::twitterToggled(ui::Control&) {
    SocialManager::shareOnTwitter();
}

}  // namespace kestrune
