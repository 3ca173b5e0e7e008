#include "windows/preferences/UpdateSecuritySettingsViewController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/shell/SoundManager.h"
#include "app/support/Localizable.h"
#include "platform/base/Log.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

std::shared_ptr<UpdateSecuritySettingsViewController>
UpdateSecuritySettingsViewController::createWithViewModel(
    std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel) {
    auto page = std::make_shared<UpdateSecuritySettingsViewController>();
    page->viewModel_ = std::move(viewModel);
    page->init();
    return page;
}

void UpdateSecuritySettingsViewController::viewDidLoad() {
    BaseViewController::viewDidLoad();
    if (viewModel_) viewModel_->updatePreferanceValues();
    updateLabelColors();
}

void UpdateSecuritySettingsViewController::viewDidAppear() {
    BaseViewController::viewDidAppear();
    updateStrings();
}

void UpdateSecuritySettingsViewController::updateStrings() {
    BaseViewController::updateStrings();
    if (topLabel) topLabel->setStringValue(localizable("open_security_and_privacy"));
    if (topButton) topButton->setTitle(localizable("open_security_and_privacy_action"));
    if (!viewModel_) return;
    if (bottomButton) bottomButton->setTitle(viewModel_->actionButtonText);
    if (imageView) imageView->setImage(ui::Image::imageNamed(viewModel_->imageName));
    if (label2) label2->setStringValue(viewModel_->textAction1);
}

void UpdateSecuritySettingsViewController::setViewModel(
    std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel) {
    viewModel_ = std::move(viewModel);
    updateStrings();
}

void UpdateSecuritySettingsViewController::openSettingsToggled(ui::Control&) {
    std::weak_ptr<UpdateSecuritySettingsViewController> weak =
        sharedAs<UpdateSecuritySettingsViewController>();
    performAfterDelay_block(nullptr, kOpenDelay, [weak] {
        auto page = weak.lock();
        if (!page) return;
        page->didLaunchManually_ = true;
        if (page->viewModel_) page->viewModel_->openAppropriateWindow();
    });
}

void UpdateSecuritySettingsViewController::verifySettingsToggled(ui::Control&) {
    verifySettigns();
}

void UpdateSecuritySettingsViewController::verifySettigns() {
    if (viewModel_) viewModel_->updatePreferanceValues();
    if (viewModel_ && viewModel_->allConditionsSet()) {
        // System Preferences the user opened is theirs to close.
        if (didLaunchManually_) {
            didLaunchManually_ = false;
            viewModel_->closeAppropriateWindow();
        }
        if (didFinishAction) didFinishAction();
    } else {
        SoundManager::playErrorSound2();
    }
    updateLabelColors();
}

void UpdateSecuritySettingsViewController::updateLabelColors() {
    if (!label2) return;
    const bool set = viewModel_ && viewModel_->allConditionsSet();
    label2->setTextColor(set ? customLightGray() : redTextColor());
}

void UpdateSecuritySettingsViewController::kestruneBroughtToFront() {
    if (!isVisible()) return;
    verifySettigns();
    // "Outcome: " lines make the timeline of a scenario run.
    if (viewModel_)
        platform::logf("Outcome: in front again: the page about %s checks it again: %s",
                       viewModel_->settingName.c_str(),
                       viewModel_->allConditionsSet() ? "set" : "not set yet");
}

}  // namespace kestrune
