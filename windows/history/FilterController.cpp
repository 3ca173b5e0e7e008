#include "windows/history/FilterController.h"

#include "app/support/Localizable.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kFilterControllerLayout;

std::shared_ptr<FilterController> FilterController::create() {
    auto controller = ui::ViewController::createWithNibName<FilterController>(kFilterControllerLayout.name);
    controller->view();
    return controller;
}

void FilterController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    if (filterLabel) filterLabel->setStringValue(localizable("filter"));
    updateViewForFilterModel(*filterModel_);
}

void FilterController::startFilterToggled(ui::Control&) {
    filterModel_->startFilterOn = !filterModel_->startFilterOn;
    didUpdateFilter();
}

void FilterController::loginFilterToggled(ui::Control&) {
    filterModel_->loginFilterOn = !filterModel_->loginFilterOn;
    didUpdateFilter();
}

void FilterController::logoutFilterToggled(ui::Control&) {
    filterModel_->logoutFilterOn = !filterModel_->logoutFilterOn;
    didUpdateFilter();
}

void FilterController::sessionFilterToggled(ui::Control&) {
    filterModel_->sessionDurationFilterOn = !filterModel_->sessionDurationFilterOn;
    didUpdateFilter();
}

void FilterController::failedLoginFilterToggled(ui::Control&) {
    filterModel_->failedLoginFilterOn = !filterModel_->failedLoginFilterOn;
    didUpdateFilter();
}

void FilterController::didUpdateFilter() {
    updateViewForFilterModel(*filterModel_);
    if (auto d = delegate()) d->filterControllerDidUpdateFilter(*this);
}

void FilterController::updateViewForFilterModel(const LoginLogoutFilterModel& model) {
    const auto show = [](const std::shared_ptr<ui::Button>& button, bool hidden) {
        if (button) button->setAlphaValue(hidden ? kHiddenAlpha : 1.0);
    };
    show(startButton, model.startFilterOn);
    show(loginButton, model.loginFilterOn);
    show(logoutButton, model.logoutFilterOn);
    show(sessionButton, model.sessionDurationFilterOn);
    show(failedLoginButton, model.failedLoginFilterOn);
}

void FilterController::setFilterModel(std::shared_ptr<LoginLogoutFilterModel> model) {
    filterModel_ = model ? std::move(model) : LoginLogoutFilterModel::init();
    updateViewForFilterModel(*filterModel_);
}

}  // namespace kestrune
