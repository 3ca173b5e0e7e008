#include "windows/preferences/SystemPreferencesViewController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "app/support/Localizable.h"

namespace kestrune {

std::shared_ptr<SystemPreferencesViewController> SystemPreferencesViewController::initWithVM(
    std::shared_ptr<SystemPreferencesUpdateViewModel> viewModel) {
    auto wizard = std::make_shared<SystemPreferencesViewController>();
    wizard->viewModel_ = std::move(viewModel);
    wizard->init();
    return wizard;
}

void SystemPreferencesViewController::windowDidLoad() {
    KSPageViewControllerExtended::windowDidLoad();
    initializePages();
    showPageAtIndex_animated(firstPageIndex(), false);
}

void SystemPreferencesViewController::initializePages() {
    setNumberOfPages(3);
    std::weak_ptr<SystemPreferencesViewController> weak = sharedAs<SystemPreferencesViewController>();

    introViewController_ = BaseViewController::create<SimpleButtonBaseController>();
    introViewController_->imageName = "vacuum_cleaner";
    introViewController_->labelText = localizable("update_system_preferances");
    introViewController_->setTitleDescription(localizable("update_system_preferances"));
    introViewController_->buttonTitle = localizable("update");
    if (viewModel_) introViewController_->descriptionLabelText = viewModel_->updateText;
    introViewController_->action = [weak] {
        if (auto wizard = weak.lock()) wizard->showPageAtIndex_animated(kSecurityPage, true);
    };
    introViewController_->updateView();
    addController_asPageAtIndex(introViewController_, kIntroPage);

    securityScreen_ = UpdateSecuritySettingsViewController::createWithViewModel(viewModel_);
    securityScreen_->didFinishAction = [weak] {
        if (auto wizard = weak.lock()) wizard->showFinishScreen();
    };
    std::weak_ptr<SimpleButtonBaseController> intro = introViewController_;
    securityScreen_->setBackActionViewController(
        [intro]() -> std::shared_ptr<BaseViewController> { return intro.lock(); });
    addController_asPageAtIndex(securityScreen_, kSecurityPage);

    doneScreen_ = BaseViewController::create<SimpleButtonBaseController>();
    doneScreen_->imageName = "restart_icon";
    doneScreen_->labelText = localizable("we_are_ready_to_start");
    doneScreen_->buttonTitle = localizable("continue");
    if (viewModel_) doneScreen_->descriptionLabelText = viewModel_->successText;
    doneScreen_->action = [] {};
    doneScreen_->updateView();
    addController_asPageAtIndex(doneScreen_, kDonePage);
}

void SystemPreferencesViewController::start() {
    completionScheduled_ = false;
    showPageAtIndex_animated(firstPageIndex(), false);
}

int64_t SystemPreferencesViewController::firstPageIndex() const {
    return viewModel_ && viewModel_->showInfoScreen ? kIntroPage : kSecurityPage;
}

std::string SystemPreferencesViewController::titleDescriptionText() const {
    return localizable("update_system_preferances");
}

bool SystemPreferencesViewController::performCustomActionOnBackButtonToggled() {
    if (pageIndex() <= firstPageIndex()) return false;
    showPageAtIndex_animated(pageIndex() - 1, true);
    return true;
}

void SystemPreferencesViewController::kestruneBroughtToFront() {
    if (viewModel_ && viewModel_->shouldVerifyAfterForeground && pageIndex() == kSecurityPage &&
        securityScreen_)
        securityScreen_->kestruneBroughtToFront();
}

void SystemPreferencesViewController::showFinishScreen() {
    showPageAtIndex_animated(kDonePage, true);
    if (completionScheduled_) return;
    completionScheduled_ = true;
    std::weak_ptr<SystemPreferencesViewController> weak = sharedAs<SystemPreferencesViewController>();
    performAfterDelay_block(nullptr, kCompletionDelay, [weak] {
        auto wizard = weak.lock();
        if (wizard && wizard->didUpdateSystemPreferences_) wizard->didUpdateSystemPreferences_();
    });
}

}  // namespace kestrune
