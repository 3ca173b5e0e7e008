#pragma once

#include <memory>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/BaseViewController.h"
#include "windows/preferences/SystemPreferencesUpdateViewModel.h"

namespace kestrune {

// The page of a system-preference wizard that opens the pane and checks the setting: the instruction
// turns red while the setting is wrong, a failed check plays the error sound, and a good one finishes.
// System Preferences is quit after a good check only when this page opened it.
class UpdateSecuritySettingsViewController : public BaseViewController {
public:
    static constexpr double kOpenDelay = 0.1;

    // A page over the view model, which its loading reads.
    static std::shared_ptr<UpdateSecuritySettingsViewController> createWithViewModel(
        std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel);

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void viewDidAppear() override;
    void updateStrings() override;
    void setViewModel(std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel);
    void openSettingsToggled(ui::Control& sender);
    void verifySettingsToggled(ui::Control& sender);
    void verifySettigns();
    void updateLabelColors();
    // Checks again when the user comes back from System Preferences, while the page is on screen.
    void kestruneBroughtToFront();

    const std::shared_ptr<SystemPreferencesUpdateViewModel>& viewModel() const { return viewModel_; }
    bool didLaunchManually() const { return didLaunchManually_; }

    Block didFinishAction;

    std::shared_ptr<ui::TextField> topLabel;
    std::shared_ptr<ui::Button> topButton;
    std::shared_ptr<ui::ImageView> imageView;
    std::shared_ptr<ui::TextField> label2;
    std::shared_ptr<ui::Button> bottomButton;

private:
    bool didLaunchManually_ = false;
    std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel_;
};

}  // namespace kestrune
