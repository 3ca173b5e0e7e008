#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "uikit/pagers/KSPageViewControllerExtended.h"
#include "windows/preferences/SimpleButtonBaseController.h"
#include "windows/preferences/SystemPreferencesUpdateViewModel.h"
#include "windows/preferences/UpdateSecuritySettingsViewController.h"

namespace kestrune {

// The small wizard that leads the user through one system setting the application cannot change
// itself: an introduction, the page that opens the pane and checks it, and the done page. The view
// model decides which setting. The completion runs 2.1 s after the done page appears, once for each
// showing of the wizard.
class SystemPreferencesViewController : public KSPageViewControllerExtended {
public:
    enum Page : int64_t { kIntroPage = 0, kSecurityPage = 1, kDonePage = 2 };
    static constexpr double kCompletionDelay = 2.1;

    // Made once per view model.
    static std::shared_ptr<SystemPreferencesViewController> initWithVM(
        std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel);

    void setDidUpdateSystemPreferences(Block completion) {
        didUpdateSystemPreferences_ = std::move(completion);
    }
    void windowDidLoad() override;
    // The first page, without animation; the coordinator calls it before each showing.
    void start();
    int64_t firstPageIndex() const;
    std::string titleDescriptionText() const override;
    // Back through the wizard's own pages; from the first one the navigation leaves the wizard.
    bool performCustomActionOnBackButtonToggled() override;
    void kestruneBroughtToFront();
    void showFinishScreen();

    const Block& didUpdateSystemPreferences() const { return didUpdateSystemPreferences_; }
    const std::shared_ptr<SystemPreferencesUpdateViewModel>& viewModel() const { return viewModel_; }
    const std::shared_ptr<SimpleButtonBaseController>& introViewController() const {
        return introViewController_;
    }
    const std::shared_ptr<UpdateSecuritySettingsViewController>& securityScreen() const {
        return securityScreen_;
    }
    const std::shared_ptr<SimpleButtonBaseController>& doneScreen() const { return doneScreen_; }

private:
    void initializePages();

    Block didUpdateSystemPreferences_;
    std::shared_ptr<SimpleButtonBaseController> introViewController_;
    std::shared_ptr<UpdateSecuritySettingsViewController> securityScreen_;
    std::shared_ptr<SimpleButtonBaseController> doneScreen_;
    std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel_;
    // The completion of this showing is on its way (two quick good checks finish once).
    bool completionScheduled_ = false;
};

}  // namespace kestrune
